// Table-field definitions and lexicons read from edition.ini, and the values
// written back into a collection.
#include <gtest/gtest.h>

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/field_defs.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class FieldDefsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir / "edition.ini",
                       "[Ouvrage]\r\n"
                       "Profondeur=Prof:F8\r\n"
                       "Sans type=Commentaire\r\n"
                       "Date=DateA:D\r\n"
                       "Date longue=DateB: D 9 \r\n"
                       "Date 7=DateC:D7\r\n"
                       "Stockee=DateD:E6\r\n"
                       "Stockee longue=DateE:E9\r\n"
                       "Stockee courte=DateF:E\r\n"
                       "Nature=Nature:U12\r\n"
                       "Type=Type:I3\r\n"
                       "\r\n"
                       "[Ouvrage\\Nature]\r\n"
                       "ARGILE\r\n"
                       "SABLE-ARGILEUX=12\r\n"
                       "a.b.c.d.=7=\r\n"
                       "\r\n"
                       "[Ouvrage\\Nature*]\r\n"
                       "X=1=Etoile\r\n"
                       "[Ouvrage\\Type*]\r\n"
                       "UN=1=Premier\r\n");
        OptionsInitialize(dir.path());
        SetFieldDefReporter([this](const std::string& message) { reports.push_back(message); });
    }
    void TearDown() override
    {
        SetFieldDefReporter(nullptr);
        OptionsRelease();
    }

    TempDir dir;
    std::vector<std::string> reports;
};

TEST_F(FieldDefsTest, NamesPathsKindsAndWidths)
{
    TStructTable defs;
    LoadTableDefinitions(defs, "Ouvrage", "12", false);
    std::vector<std::string> read;
    for (const TFieldDef& d : defs)
        read.push_back(d.Name + "|" + d.Path + "|" + (d.Kind ? std::string(1, d.Kind) : "") + std::to_string(d.Width));
    EXPECT_EQ(read, (std::vector<std::string> {
                        "Profondeur|12\\Ouvrage\\Prof|F8", "Sans type|12\\Ouvrage\\Commentaire|0",
                        "Date|12\\Ouvrage\\DateA|D5", "Date longue|12\\Ouvrage\\DateB|D10",
                        "Date 7|12\\Ouvrage\\DateC|D8", "Stockee|12\\Ouvrage\\DateD|E6",
                        "Stockee longue|12\\Ouvrage\\DateE|E8", "Stockee courte|12\\Ouvrage\\DateF|E4",
                        "Nature|12\\Ouvrage\\Nature|U12", "Type|12\\Ouvrage\\Type|I3"}));
    EXPECT_EQ(defs[0].Value, "");
    LoadTableDefinitions(defs, "Ouvrage", "12", true);
    EXPECT_EQ(defs[0].Path, "Prof");
    EXPECT_EQ(IndexOfFieldDef(defs, "Nature"), 8);
    EXPECT_EQ(IndexOfFieldDef(defs, "nature"), -1);
    // A missing section gives no definition, and no report.
    LoadTableDefinitions(defs, "Inconnue", "12", false);
    EXPECT_TRUE(defs.empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(FieldDefsTest, LexiconsAndStarLexicons)
{
    TStructTable defs;
    LoadTableDefinitions(defs, "Ouvrage", "12", false);
    const TFieldDef& nature = defs[8];
    EXPECT_FALSE(nature.StarLexicon);
    EXPECT_EQ(nature.LexCodes, (std::vector<std::string>{"ARGILE", "12", "7"}));
    EXPECT_EQ(nature.LexLabels, (std::vector<std::string>{"ARGILE", "Sable argileux", "ABCD"}));
    const TFieldDef& type = defs[9];
    EXPECT_TRUE(type.StarLexicon);
    EXPECT_EQ(type.LexCodes, (std::vector<std::string>{"1"}));
    EXPECT_EQ(type.LexLabels, (std::vector<std::string>{"Premier"}));
    EXPECT_TRUE(defs[0].LexCodes.empty());
    EXPECT_FALSE(defs[0].StarLexicon);
}

TEST(FieldDefsLines, SplittingAndNiceLabels)
{
    std::string code, label;
    SplitLexiconLine("12=Sable fin", code, label);
    EXPECT_EQ(code, "12");
    EXPECT_EQ(label, "Sable fin");
    SplitLexiconLine("12", code, label);
    EXPECT_EQ(code, "12");
    EXPECT_EQ(label, "");
    SplitLexiconLine("1=a=b", code, label);
    EXPECT_EQ(code, "1");
    EXPECT_EQ(label, "b");
    EXPECT_EQ(NiceLabel("SABLE-ARGILEUX"), "Sable argileux");
    EXPECT_EQ(NiceLabel("a.b.c.d."), "ABCD");
    EXPECT_EQ(NiceLabel("a.b.c.d"), "ABCd");
    EXPECT_EQ(NiceLabel("M.F.T."), "MFT");
    EXPECT_EQ(NiceLabel("ETAGE-ÉOCÈNE"), "Etage éocène");
    EXPECT_EQ(NiceLabel("ab.cd"), "Ab.cd");
    EXPECT_EQ(NiceLabel(""), "");
}

TEST(FieldDefsLines, DeletingDefinitions)
{
    TStructTable defs(3);
    defs[0].Path = "a";
    defs[1].Path = "Niveau\\Litho";
    defs[2].Path = "c";
    EXPECT_EQ(IndexOfFieldDef(defs, "Litho"), 1);
    DeleteFieldDef(defs, 5);
    DeleteFieldDef(defs, -1);
    EXPECT_EQ(defs.size(), 3u);
    DeleteFieldDef(defs, 1);
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[1].Path, "c");
}

TEST(FieldDefsReports, MissingListOrRootIsReported)
{
    std::vector<std::string> reports;
    SetFieldDefReporter([&](const std::string& m) { reports.push_back(m); });
    std::vector<std::string> codes{"x"}, labels{"y"};
    LoadLexicon(nullptr, codes, labels);
    EXPECT_EQ(codes, std::vector<std::string>{"x"});
    TStructTable defs(1);
    defs[0].Kind = 'S';
    defs[0].Path = "A";
    WriteFieldsToTable(defs, nullptr, 0);
    SetFieldDefReporter(nullptr);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "Impossible de charger le lexique. La destination n'est pas initialisée.");
    EXPECT_EQ(reports[1], "Impossible de mettre à jour la table. Le répertoire n'est pas spécifié");
}

TStructTable Defs(std::initializer_list<std::tuple<const char*, char, const char*>> fields)
{
    TStructTable defs;
    for (const auto& [path, kind, value] : fields) {
        TFieldDef def;
        def.Path = path;
        def.Kind = kind;
        def.Value = value;
        defs.push_back(def);
    }
    return defs;
}

TEST(FieldDefsWrite, ValuesAreConvertedByKind)
{
    ScopedDecimalSeparator comma(',');
    ScopedFixedClock clock(ClockReading{2026, 1, 1});
    TDirBlock root("Carotix");
    TStructTable defs = Defs({{"12\\Ouvrage\\Nom", 'S', "  P1 "},
                              {"12\\Ouvrage\\Date", 'D', " 12/05/2001"},
                              {"12\\Ouvrage\\DateS", 'E', "12/05/01"},
                              {"12\\Ouvrage\\X", 'R', " 45°30' "},
                              {"12\\Ouvrage\\Prof", 'F', "12,5"},
                              {"12\\Ouvrage\\Debit", 'M', "1,5"},
                              {"12\\Ouvrage\\Num", 'I', " 7 "},
                              {"12\\Ouvrage\\Rien", 'Z', "x"},
                              {"12\\Ouvrage\\Vide", 'F', ""}});
    WriteFieldsToTable(defs, &root, 1);
    const TDirBlock* table = root.FindDir("12\\Ouvrage");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(root.GetPathString("12\\Ouvrage\\Nom", 1), "P1");
    EXPECT_EQ(root.GetPathString("12\\Ouvrage\\Nom", 0), "");
    EXPECT_EQ(root.GetPathString("12\\Ouvrage\\Date", 1), " 12/05/2001");
    EXPECT_EQ(root.GetPathString("12\\Ouvrage\\DateS", 1), "20010512");
    EXPECT_EQ(root.GetPathFloat("12\\Ouvrage\\X", 1), 45.5);
    EXPECT_EQ(root.GetPathFloat("12\\Ouvrage\\Prof", 1), 12.5);
    EXPECT_EQ(root.GetPathFloat("12\\Ouvrage\\Debit", 1), 1500.0);
    EXPECT_EQ(root.GetPathInt("12\\Ouvrage\\Num", 1), 7);
    EXPECT_EQ(table->FindBlock("Num")->BlockType(), btIntArray);
    EXPECT_EQ(table->FindBlock("Rien"), nullptr);
    EXPECT_TRUE(IsMissingFloat(root.GetPathFloat("12\\Ouvrage\\Vide", 1)));
    // The converted text is kept, except for the dates.
    EXPECT_EQ(defs[0].Value, "P1");
    EXPECT_EQ(defs[2].Value, "12/05/01");
    EXPECT_EQ(defs[3].Value, "45,5");
    EXPECT_EQ(defs[5].Value, "1500");
}

TEST(FieldDefsWrite, ThousandsFieldsTakeEitherSeparator)
{
    for (const char separator : {',', '.'}) {
        ScopedDecimalSeparator scoped(separator);
        TDirBlock root("Carotix");
        TStructTable defs = Defs({{"A", 'M', "2.25"}, {"B", 'M', "2,25"}, {"C", 'M', ""}});
        WriteFieldsToTable(defs, &root, 0);
        EXPECT_EQ(root.GetPathFloat("A", 0), 2250.0) << separator;
        EXPECT_EQ(root.GetPathFloat("B", 0), 2250.0) << separator;
        EXPECT_TRUE(IsMissingFloat(root.GetPathFloat("C", 0))) << separator;
    }
}

TEST(FieldDefsWrite, ConversionErrorsReachTheCaller)
{
    TDirBlock root("Carotix");
    // The message names the text as the person typed it.
    const std::string notFloat = " n'est pas une valeur en virgule flottante correcte";
    const struct {
        char kind;
        std::string typed, message;
    } cases[] = {
        {'I', "douze", "'douze' n'est pas une valeur enti\xC3\xA8re correcte"},
        {'I', "PVC", "'PVC' n'est pas une valeur enti\xC3\xA8re correcte"},
        {'M', "PVC", "'PVC'" + notFloat},
        {'M', "1e999", "'1e999'" + notFloat},
        // Readable, but its thousands overflow.
        {'M', "1e306", "'1e306'" + notFloat},
        // Its separators read as the decimal one.
        {'M', "1.2.3", "'1.2.3'" + notFloat},
        {'M', "1,2,3", "'1,2,3'" + notFloat},
    };
    for (const char separator : {',', '.'})
        for (const auto& k : cases) {
            ScopedDecimalSeparator scoped(separator);
            TStructTable bad = Defs({{"N", k.kind, k.typed.c_str()}});
            try {
                WriteFieldsToTable(bad, &root, 0);
                ADD_FAILURE() << k.typed << " was stored";
            } catch (const EConvertError& e) {
                EXPECT_EQ(std::string(e.what()), k.message) << separator;
            }
        }
    TStructTable date = Defs({{"D", 'E', "12-05-2001"}});
    EXPECT_THROW(WriteFieldsToTable(date, &root, 0), std::runtime_error);
}

// The shipped edition.ini: every table section loads without a report, every
// coded field has its lexicon, and the drawing finds its labels.
class ShippedEditionIni : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program.path());
        SetFieldDefReporter([this](const std::string& message) { reports.push_back(message); });
    }
    void TearDown() override
    {
        SetFieldDefReporter(nullptr);
        OptionsRelease();
    }
    TempProgramDir program;
    std::vector<std::string> reports;
};

TEST_F(ShippedEditionIni, EveryTableLoads)
{
    const std::vector<std::string> tables = {"Ouvrage", "Dossier", "Niveau", "Trou-nu", "Tubage",
                                             "Annulaire", "AnnulaireInterne", "Pompage", "MotsClés"};
    for (const std::string& table : tables) {
        TStructTable defs;
        LoadTableDefinitions(defs, table, "12", false);
        ASSERT_FALSE(defs.empty()) << table;
        for (const TFieldDef& def : defs) {
            EXPECT_NE(std::string("SAUEDFRMIN").find(def.Kind), std::string::npos) << table << " " << def.Name;
            EXPECT_NE(def.Kind, '\0') << table << " " << def.Name;
            EXPECT_EQ(def.LexCodes.size(), def.LexLabels.size());
            for (const std::string& label : def.LexLabels) EXPECT_FALSE(label.empty()) << table << " " << def.Name;
        }
        if (table != "Dossier") EXPECT_GE(IndexOfFieldDef(defs, "Désign"), 0) << table;
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(ShippedEditionIni, CodedFieldsHaveLexicons)
{
    auto lexiconOf = [](const char* table, const char* field) {
        TStructTable defs;
        LoadTableDefinitions(defs, table, "", true);
        const int i = IndexOfFieldDef(defs, field);
        return i < 0 ? TFieldDef{} : defs[static_cast<std::size_t>(i)];
    };
    for (const auto& [table, field] : {std::pair{"Trou-nu", "Méthode"}, {"Trou-nu", "Fluide"}, {"Tubage", "Type"},
                                       {"Tubage", "Nature"}, {"Annulaire", "Type"}, {"Ouvrage", "Zone"},
                                       {"Dossier", "Nature"}})
        EXPECT_FALSE(lexiconOf(table, field).LexCodes.empty()) << table << " " << field;
    for (const auto& [table, field] :
         {std::pair{"Annulaire", "Nature"}, {"AnnulaireInterne", "Nature"}, {"MotsClés", "MotClé"}})
        EXPECT_TRUE(lexiconOf(table, field).StarLexicon) << table << " " << field;
    for (int type = 1; type <= 4; ++type) {
        std::vector<std::string> codes, labels;
        LoadLexiconSection("Annulaire\\Nature" + std::to_string(type), codes, labels);
        EXPECT_GE(codes.size(), 2u) << type;
    }
    // The drawing's labels come from the keys and its fixed replacements.
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Méthode", 2), "m.f.t.");
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Méthode", 0), "");
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Fluide", 4), "mousse");
    EXPECT_EQ(LexiconLabelForCode("Tubage\\Type", 2), "crepine");
    EXPECT_EQ(LexiconLabelForCode("Tubage\\Nature", 4), "p.v.c.");
    EXPECT_EQ(LexiconLabelForCode("Annulaire\\Type", 1), "cimentation");
    EXPECT_EQ(LexiconLabelForCode("Annulaire\\Type", 3), "remblai");
    EXPECT_EQ(LexiconLabelForCode("Annulaire\\Nature3", 4), "eboulement");
    EXPECT_EQ(LexiconValueForName("Figurés", "Tubage\\Type:2"), "98");
    EXPECT_EQ(LexiconValueForName("Figurés", "Annulaire\\Type:2"), "13");
}

}  // namespace
