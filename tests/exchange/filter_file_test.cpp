// The filter-file reader: header lookup, field lines, defaults,
// separators and the exact messages of malformed filters.
#include "exchange/filter_file.h"

#include "platform/base/text_codec.h"

#include "store/options.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

TFiltre Parse(const std::string& text, const std::string& name, bool isSub = false, bool* found = nullptr)
{
    TFiltre filter;
    bool ok = ParseFilter(text, filter, name, isSub, "CUVELAGE");
    if (found)
        *found = ok;
    return filter;
}

std::string ErrorOf(const std::string& text, const std::string& name)
{
    TFiltre filter;
    try {
        ParseFilter(text, filter, name, false, "CUVELAGE");
    } catch (const EFilterError& e) {
        return e.what();
    }
    return "(no error)";
}

const std::string kTypeList = "\nLes types de données acceptés sont :\n"
                              "S (ou A) pour alphanumérique\n"
                              "I (ou N) pour entier naturel\n"
                              "F (ou R) pour nombre flottant\n"
                              "D pour date JJ/MM/A...\n"
                              "E pour date ...AMMJJ (sans séparateurs)";

} // namespace

TEST(FilterHeaders, LookUp)
{
    const std::string file = "Titre\r\n->ouvrage.ora(Ouvrage)\r\nA:S1\r\n->niveau.ora (Niveau)\r\nB:S2\r\n"
                             "->OUVRAGE.ORA\r\nC:S3\r\n";
    const std::string blank = "T\r\n\r\n->a.ora\r\n\r\n*Indice:A4,\r\n\r\n   \r\nProf:F8\r\n\r\n->a.ora\r\nX:S1\r\n";
    struct Case {
        std::string text, name;
        bool sub;
        std::string fields;  // names of the fields found, "-" when the filter is not found
    } cases[] = {
        // The name is the header up to the parenthesis, its spaces included, with case.
        {file, "ouvrage.ora", false, "A"},
        {file, "niveau.ora", false, "-"},
        {file, "niveau.ora ", false, "B"},
        {file, "OUVRAGE.ORA", false, "C"},
        // Main and sub filters by their own marker.
        {"T\n->niveau\nA:S1\n<-niveau\nB:S2\n", "niveau", true, "B"},
        {"T\n->niveau\nA:S1\n<-niveau\nB:S2\n", "niveau", false, "A"},
        {"T\n<-tubage\nA:S1\n", "tubage", false, "-"},
        // The first of two filters of one name; blank lines are ignored.
        {blank, "a.ora", false, "Indice Prof"},
        // The first line is read like any other.
        {"->a.ora\nA:S2\n", "a.ora", false, "A"},
        {"T\n->b.ora\nA:S1\n", "a.ora", false, "-"},
    };
    for (const Case& c : cases) {
        bool found = !c.fields.empty();
        const TFiltre f = Parse(c.text, c.name, c.sub, &found);
        std::string names;
        for (const TFilterField& field : f) names += (names.empty() ? "" : " ") + field.FieldName;
        EXPECT_EQ(found ? names : "-", c.fields) << c.name;
        if (!found) EXPECT_TRUE(f.empty()) << c.name;
    }
    EXPECT_EQ(MissingFilterMessage("a.ora"), "Pas de filtre \"a.ora\"");
}

// A filter's fields as text: "*" for a key, "%" for a selector, the name,
// ":", the type and width, the separator ("" none, "$" the line end), and
// ="default" when there is one.
std::string FieldsText(const TFiltre& f)
{
    std::string out;
    for (const TFilterField& x : f) {
        out += (out.empty() ? "" : " | ") + std::string(x.IsKey ? "*" : "") + (x.IsSelector ? "%" : "") + x.FieldName +
               ":" + x.DataType + std::to_string(x.Width);
        if (x.Separator == FilterSeparatorLineEnd)
            out += "$";
        else if (x.Separator != FilterSeparatorNone)
            AppendUtf8(out, x.Separator);
        if (!x.DefaultText.empty()) out += "=\"" + x.DefaultText + "\"";
    }
    return out;
}

TEST(FilterFields, NamesTypesWidthsSeparatorsAndDefaults)
{
    const std::pair<const char*, const char*> cases[] = {
        // Keys, separators, line ends; the end of the file ends the last field's line.
        {"*Indice:A10,Prof:F8,,Code:A4;Nom:A20\r\nLast:I3", "*Indice:A10 | Prof:F8, | Code:A4; | Nom:A20$ | Last:I3$"},
        // A comma at the start of the next line sets the separator.
        {"A:S2\n,B:S3,\n", "A:S2, | B:S3"},
        // A selector lists its sub-filters, written with spaces or not.
        {"*%x:A1,%niveau,tubage:A6,%niveau, tubage :A6,\n",
         "*%x:A1 | %niveau,tubage:A6 | %niveau, tubage :A6"},
        // A name keeps inner spaces and drops line ends and leading spaces.
        {"   Niveau\\Pr\r\nof x:S1,\n", "Niveau\\Prof x:S1"},
        // Fillers and defaults; a default as long as the width is accepted, the
        // separator follows it; the tube name's default is the single tube's.
        {".:S3=\"XYZ\",.:S5,Code:A3=\"abc\";Tubage\\NomTube:A12,Tubage\\NomTube:A12=\"\"\n",
         ".:S3=\"XYZ\" | .:S5 | Code:A3;=\"abc\" | Tubage\\NomTube:A12=\"CUVELAGE\" | Tubage\\NomTube:A12$"},
        // A default counts characters, not bytes.
        {"Nature:A5=\"B\xC3\xA9ton\",\n", "Nature:A5=\"B\xC3\xA9ton\""},
        // A type letter without digits gives width 0.
        {"A:S,B:I;\n", "A:S0 | B:I0;"},
        // An empty field name or the next header ends the filter; a name cut off
        // by the end of the file is no field.
        {"A:S1,:B:S2\n", "A:S1"},
        {"A:S1,*:B:S2\n", "A:S1"},
        {"A:S1\n->b\nB:S2\n", "A:S1$"},
        {"A:S1\n<-b\nB:S2\n", "A:S1$"},
        {"A:S1,Nom", "A:S1"},
        {"", ""},
    };
    for (const auto& [body, fields] : cases) {
        bool found = false;
        EXPECT_EQ(FieldsText(Parse(std::string("T\n->a\n") + body, "a", false, &found)), fields) << body;
        EXPECT_TRUE(found) << body;
    }
    // A header found at the very end holds no field.
    bool found = false;
    EXPECT_TRUE(Parse("T\n->a", "a", false, &found).empty());
    EXPECT_TRUE(found);
    const TFiltre selectors = Parse("T\n->a\n%niveau,tubage:A6,%niveau, tubage :A6,\n", "a");
    EXPECT_EQ(SelectorNames(selectors[0]), (std::vector<std::string>{"niveau", "tubage"}));
    EXPECT_EQ(SelectorNames(selectors[1]), (std::vector<std::string>{"niveau", "tubage"}));
}

TEST(FilterErrors, ExactMessages)
{
    EXPECT_EQ(ErrorOf("T\n->a\nA:X3\n", "a"), "Type de donnée incorrect dans le filtre (X)" + kTypeList);
    EXPECT_EQ(ErrorOf("T\n->a\nA:s3\n", "a"), "Type de donnée incorrect dans le filtre (s)" + kTypeList);
    EXPECT_EQ(ErrorOf("T\n->a\nA:é3\n", "a"), "Type de donnée incorrect dans le filtre (é)" + kTypeList);
    // Cut off right after ":" by the end of the file: the end of file is named.
    EXPECT_EQ(ErrorOf("T\n->a\nA:S3,B:", "a"), "Type de donnée incorrect dans le filtre (fin de fichier)" + kTypeList);
    EXPECT_EQ(ErrorOf("T\n->a\nCode:A3=abc\";\n", "a"),
              "Début de chaîne attendu pour la valeur par défaut\ndu champ Code");
    EXPECT_EQ(ErrorOf("T\n->a\nCode:A2=\"abc\";\n", "a"),
              "Fin de chaîne attendue pour la valeur par défaut\ndu champ Code");
    EXPECT_EQ(ErrorOf("T\n->a\n*Code:A9=\"abc", "a"),
              "Fin de chaîne attendue pour la valeur par défaut\ndu champ Code");
    // Errors of other filters do not matter.
    EXPECT_EQ(ErrorOf("T\n->b\nA:X3\n->a\nA:S1\n", "a"), "(no error)");
}

TEST(FilterErrors, FieldsParsedBeforeAnErrorStay)
{
    TFiltre filter;
    EXPECT_THROW(ParseFilter("T\n->a\nA:S1,B:S2,C:Q", filter, "a", false, "X"), EFilterError);
    EXPECT_EQ(filter.size(), 3u);
}

TEST(FilterErrors, WidthIsBounded)
{
    TFiltre f = Parse("T\n->a\nA:S65535\n", "a");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].Width, 65535);
    EXPECT_EQ(ErrorOf("T\n->a\nNom:S65536\n", "a"),
              "Largeur de champ trop grande dans le filtre (65536)\ndu champ Nom\n"
              "La largeur d'un champ ne peut dépasser 65535 caractères.");
    // A run of digits that would overflow a 32-bit integer is refused the same way.
    std::string err = ErrorOf("T\n->a\nNom:S99999999999999999999999999999\n", "a");
    EXPECT_EQ(err.rfind("Largeur de champ trop grande dans le filtre (99999999999999999999...)", 0), 0u) << err;
    err = ErrorOf("T\n->a\nNom:S12345678901234567890\n", "a");
    EXPECT_EQ(err.rfind("Largeur de champ trop grande dans le filtre (12345678901234567890)", 0), 0u) << err;
}

TEST(FilterErrors, PathDepthIsBounded)
{
    std::string deep;
    for (int i = 0; i < 63; ++i)
        deep += "D\\";
    EXPECT_EQ(Parse("T\n->a\n" + deep + "V:S1\n", "a").size(), 1u);
    EXPECT_EQ(ErrorOf("T\n->a\n" + deep + "D\\V:S1\n", "a"),
              "Chemin trop long dans le filtre (plus de 64 niveaux)\ndu champ " + deep + "D\\V");
    // A selector lists names; its backslashes are no path.
    EXPECT_EQ(Parse("T\n->a\n%" + deep + deep + "x:S1\n", "a").size(), 1u);
}

TEST(FilterNames, MainHeadersOnlyWithTheirComment)
{
    std::vector<std::string> names{"stale"};
    ParseFilterNames("->Titre en tête\r\n->\r\n->a\r\n->ouvrage.ora(Ouvrage, Dossier) \r\n<-niveau\r\n x->b\r\n",
                     names);
    EXPECT_EQ(names, (std::vector<std::string>{"Titre en tête", "a", "ouvrage.ora(Ouvrage, Dossier) "}));
}

TEST(FilterFiles, ReadingFromDisk)
{
    TempDir dir;
    // A filter file written by an old editor: Windows-1252, CR LF.
    WriteFileBytes(dir / "filtre_test.txt", "Filtres d'essai\r\n->niveau.ora(Niveau)\r\n*Indice:A4,\r\n"
                                            "Niveau\\D\xe9sign:A4,\r\nNiveau\\Prof:F6\r\n");
    const std::string path = (dir / "filtre_test.txt").string();
    TFiltre f;
    ASSERT_TRUE(LoadFilter(path, f, "niveau.ora", false));
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[1].FieldName, "Niveau\\Désign");

    f.push_back(TFilterField{});
    EXPECT_FALSE(LoadFilter(path, f, "ouvrage.ora", false));
    EXPECT_TRUE(f.empty());

    std::vector<std::string> names;
    LoadFilterNames(path, names);
    EXPECT_EQ(names, (std::vector<std::string>{"niveau.ora(Niveau)"}));

    const std::string missing = (dir / "l'absent.txt").string();
    try {
        LoadFilter(missing, f, "x", false);
        FAIL() << "no error";
    } catch (const EFilterError& e) {
        EXPECT_EQ(std::string(e.what()), "Impossible d'ouvrir le fichier de filtre '" + (dir / "l''absent.txt").string() + "'");
    }
    EXPECT_THROW(LoadFilterNames(missing, names), EFilterError);
    EXPECT_THROW(LoadFilter(dir.path().string(), f, "x", false), EFilterError);
}

TEST(FilterFiles, TubeNameDefaultFollowsTheSetting)
{
    TempDir dir;
    WriteFileBytes(dir / "filtre.txt", "T\r\n->tubage.ora\r\n*Indice:A4,Tubage\\NomTube:A12\r\n");
    const std::string saved = OptNomTubeSimple;
    OptNomTubeSimple = "TUBE UNIQUE";
    TFiltre f;
    bool found = LoadFilter((dir / "filtre.txt").string(), f, "tubage.ora", false);
    OptNomTubeSimple = saved;
    ASSERT_TRUE(found);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[1].DefaultText, "TUBE UNIQUE");
}

TEST(FilterFiles, ChooserListsFilterFilesWithTheirTitle)
{
    TempDir dir;
    WriteFileBytes(dir / "filtre_b.txt", "Second\r\n->x\r\n");
    WriteFileBytes(dir / "FILTRE_A.TXT", "Premier jeu de filtres");
    WriteFileBytes(dir / "filtre.txt", "\xc9quipement\n");
    WriteFileBytes(dir / "autre.txt", "pas un filtre");
    WriteFileBytes(dir / "filtre_c.txt.bak", "copie");
    std::filesystem::create_directory(dir / "filtre_dossier.txt");
    std::vector<FilterFileEntry> entries = FindFilterFiles(dir.path().string());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(std::filesystem::u8path(entries[0].Path).filename().string(), "filtre.txt");
    EXPECT_EQ(entries[0].Title, "Équipement");
    EXPECT_EQ(std::filesystem::u8path(entries[1].Path).filename().string(), "FILTRE_A.TXT");
    EXPECT_EQ(entries[1].Title, "Premier jeu de filtres");
    EXPECT_EQ(entries[2].Title, "Second");
    EXPECT_TRUE(FindFilterFiles((dir / "nowhere").string()).empty());
}

// Every filter shipped with the program reads without error, and so do the
// sub-filters its selectors name.
TEST(FilterFiles, ShippedFiltersParse)
{
    std::vector<FilterFileEntry> entries = FindFilterFiles(CAROTIX_DATA_DIR);
    ASSERT_GE(entries.size(), 2u);
    for (const FilterFileEntry& entry : entries) {
        SCOPED_TRACE(entry.Path);
        EXPECT_FALSE(entry.Title.empty());
        std::vector<std::string> names;
        LoadFilterNames(entry.Path, names);
        ASSERT_FALSE(names.empty());
        for (const std::string& header : names) {
            TFiltre f;
            ASSERT_TRUE(LoadFilter(entry.Path, f, FilterHeaderName(header), false)) << header;
            EXPECT_FALSE(f.empty()) << header;
            for (const TFilterField& field : f) {
                EXPECT_NE(field.Width, 0) << header << " " << field.FieldName;
                if (!field.IsSelector)
                    continue;
                for (const std::string& sub : SelectorNames(field)) {
                    TFiltre s;
                    EXPECT_TRUE(LoadFilter(entry.Path, s, sub, true)) << sub;
                    EXPECT_FALSE(s.empty()) << sub;
                }
            }
        }
    }
}
