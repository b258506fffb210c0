// The shipped sample collection data/Exemples/exemple.crx and the sample
// database are written by scripts/make_sample_db.py from one text,
// scripts/sample_collection.txt; the first test checks that the shipped files
// are what the text describes, the others what the sample shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <set>

#include <QImage>

#include "app/collection_rows.h"
#include "coding/codage_binding.h"
#include "drawing/code_models.h"
#include "drawing/primitives.h"
#include "drawing/swatches.h"
#include "platform/qpainter_canvas.h"
#include "platform/windows/info_window.h"
#include "coding/coding_rules.h"
#include "drawing/log_layout.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "sample_collection.h"
#include "store/blocks.h"
#include "store/field_defs.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

std::filesystem::path SampleFile() { return std::filesystem::path(CAROTIX_DATA_DIR) / "Exemples" / "exemple.crx"; }

std::unique_ptr<TDirBlock> LoadSample()
{
    auto shipped = std::make_unique<TDirBlock>();
    shipped->LoadFromFile(SampleFile().string());
    return shipped;
}

}  // namespace

TEST(SampleCollection, ShippedFilesMatchTheirText)
{
    const std::string command = "python3 \"" CAROTIX_SOURCE_DIR "/scripts/make_sample_db.py\" --check";
    EXPECT_EQ(std::system(command.c_str()), 0) << "run scripts/make_sample_db.py";
    ASSERT_TRUE(std::filesystem::is_regular_file(SampleFile())) << SampleFile();
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    TDirBlock& shipped = *loaded;
    EXPECT_EQ(shipped.Name, "Carotix");
    std::vector<CollectionRow> b;
    BuildRowList(shipped, b);
    // What the sample is there to show: a shallow well, a deep borehole with
    // two ouvrages under one index, a piezometer with three tubes.
    ASSERT_EQ(b.size(), 4u);
    EXPECT_EQ(b[0].Indice, "PUITS-1");
    EXPECT_EQ(b[1].Design, "F1");
    EXPECT_EQ(b[2].Design, "F2");
    EXPECT_EQ(LevelExtentOfLevels(shipped, "F-VAL-01", "F1").bottom, 182.0);
    EXPECT_EQ(TubeList(shipped, "PZ-MULTI", "PZ-MULTI", true, "CUVELAGE", "PMT"),
              (std::vector<std::string>{"PMT1", "PMT2", "PMT3"}));
}

// The sample looks like real boreholes: every table of an ouvrage but
// "Dossier" names its rows by "Désign", as the program's own tables do, so
// that each ouvrage of F-VAL-01 has its own rows and is drawn to its own
// depth, and the exports keep the ouvrages apart; topsoil lies only at the
// top; stratigraphic names are written one way, accented.
TEST(SampleCollection, EachOuvrageHasItsOwnEquipmentAndAPlausibleSuccession)
{
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    const TDirBlock& sample = *loaded;
    for (const auto& child : sample.Items()) {
        if (!child->IsDir()) continue;
        const TDirBlock& borehole = static_cast<const TDirBlock&>(*child);
        std::set<std::string> ouvrages;
        for (int r = 0; r < borehole.FindDir("Ouvrage")->RowCount(); ++r)
            ouvrages.insert(borehole.GetPathString("Ouvrage\\D\xC3\xA9sign", r));
        for (const auto& table : borehole.Items()) {
            if (table->Name == "Dossier") continue;
            const TDirBlock& dir = static_cast<const TDirBlock&>(*table);
            SCOPED_TRACE(borehole.Name + "\\" + table->Name);
            ASSERT_GE(dir.IndexOfName("D\xC3\xA9sign"), 0);
            for (int r = 0; r < dir.RowCount(); ++r) EXPECT_TRUE(ouvrages.count(dir.GetPathString("D\xC3\xA9sign", r)));
        }
    }
    const TDirBlock* deep = sample.FindDir("F-VAL-01");
    ASSERT_NE(deep, nullptr);
    // F2 was sealed with its guide tube drawn back: it has no casing left.
    for (const char* table : {"Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"}) {
        std::set<std::string> designs;
        for (int r = 0; r < deep->FindDir(table)->RowCount(); ++r)
            designs.insert(deep->FindDir(table)->GetPathString("D\xC3\xA9sign", r));
        const std::set<std::string> expected =
            std::string(table) == "Tubage" ? std::set<std::string>{"F1"} : std::set<std::string>{"F1", "F2"};
        EXPECT_EQ(designs, expected) << table;
    }
    EXPECT_EQ(EtendueProfondeur(sample, "F-VAL-01", "F1", ""), 182.0);
    EXPECT_EQ(EtendueProfondeur(sample, "F-VAL-01", "F2", ""), 24.0);

    const std::set<std::string> units = {"Anthropique", "Quaternaire", "Briov\xC3\xA9rien", "Plioc\xC3\xA8ne",
                                         "Mioc\xC3\xA8ne", "Oligoc\xC3\xA8ne", "\xC3\x89oc\xC3\xA8ne",
                                         "Cr\xC3\xA9tac\xC3\xA9"};
    std::vector<CollectionRow> rows;
    BuildRowList(sample, rows);
    for (const CollectionRow& row : rows) {
        const TDirBlock* levels = sample.FindDir(row.Indice + "\\Niveau");
        ASSERT_NE(levels, nullptr) << row.Indice;
        const bool named = levels->IndexOfName("D\xC3\xA9sign") >= 0;
        double bottom = 0;
        for (int r = 0; r < levels->RowCount(); ++r) {
            if (named && levels->GetPathString("D\xC3\xA9sign", r) != row.Design) continue;
            SCOPED_TRACE(row.Indice + " " + row.Design + " level " + std::to_string(r));
            const double from = levels->GetPathFloat("Deb", r);
            EXPECT_EQ(from, bottom);   // each level starts where the one above ends
            bottom = levels->GetPathFloat("Fin", r);
            if (levels->GetPathString("CodeNiv", r).rfind("TER", 0) == 0) {
                EXPECT_EQ(from, 0.0);
            }
            EXPECT_TRUE(units.count(levels->GetPathString("Strati", r))) << levels->GetPathString("Strati", r);
        }
        EXPECT_GT(bottom, 0.0);
    }
}

namespace {

struct Span {
    double from, to;
    std::int32_t type, nature;
    std::string tube;  // "NomTube"; for a level, "Aquifere"
};

// The rows of a table that belong to the ouvrage, in table order.
std::vector<Span> Spans(const TDirBlock& sample, const CollectionRow& row, const std::string& table)
{
    std::vector<Span> out;
    const TDirBlock* dir = sample.FindDir(row.Indice + "\\" + table);
    for (int r = 0; dir && r < dir->RowCount(); ++r)
        if (dir->GetPathString("D\xC3\xA9sign", r) == row.Design)
            out.push_back({dir->GetPathFloat("Deb", r), dir->GetPathFloat("Fin", r), dir->GetPathInt("Type", r),
                           dir->GetPathInt("Nature", r),
                           dir->GetPathString(table == "Niveau" ? "Aquifere" : "NomTube", r)});
    return out;
}

}  // namespace

// What a hydrogeologist checks first: every screen lies in water-bearing
// levels, within a gravel pack of its own tube with a seal above it (and
// below it unless it reaches the bottom), so that no two aquifers are joined;
// the fill runs from the surface to the bottom of the hole, also between two
// nested casings; a hole sealed back holds no cuttings; the record sheets
// and the fill speak in edition.ini's lexicon codes; the places agree with
// the geology (the Brioverian schist lies on the Armorican massif, west of
// Lambert-93 X 420 km; the chalk of the Paris basin east of it).
TEST(SampleCollection, ItsScreensPacksAndSealsAreSound)
{
    TempProgramDir program;
    OptionsInitialize(program.path());
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    const TDirBlock& sample = *loaded;
    const auto codes = [](const std::string& section) {
        std::vector<std::string> c, labels;
        LoadLexiconSection(section, c, labels);
        return std::set<std::string>(c.begin(), c.end());
    };
    const std::int32_t kScreen = 2, kPack = 2, kSeal = 4, kBackfill = 3, kCuttings = 1;
    std::vector<CollectionRow> rows;
    BuildRowList(sample, rows);
    for (const CollectionRow& row : rows) {
        SCOPED_TRACE(row.Indice + " " + row.Design);
        const int o = sample.FindDir(row.Indice + "\\Ouvrage")->IndexOfName("D\xC3\xA9sign") >= 0
                          ? sample.IndexOfPathString(row.Indice + "\\Ouvrage\\D\xC3\xA9sign", row.Design)
                          : 0;
        for (const char* field : {"Nature", "Usage", "Etat"})
            EXPECT_TRUE(codes(std::string("Ouvrage\\") + field)
                            .count(sample.GetPathString(row.Indice + "\\Ouvrage\\" + field, o)))
                << field;
        EXPECT_TRUE(codes("Dossier\\Nature").count(sample.GetPathString(row.Indice + "\\Dossier\\Nature", 0)));
        const std::vector<Span> levels = Spans(sample, row, "Niveau");
        const std::vector<Span> casing = Spans(sample, row, "Tubage");
        const std::vector<Span> fill = Spans(sample, row, "Annulaire");
        const std::vector<Span> hole = Spans(sample, row, "Trou-nu");
        for (const Span& f : fill)
            EXPECT_TRUE(codes("Annulaire\\Nature" + std::to_string(f.type)).count(std::to_string(f.nature)))
                << f.from << " " << f.type << "/" << f.nature;
        for (const Span& c : casing) EXPECT_TRUE(codes("Tubage\\Nature").count(std::to_string(c.nature))) << c.from;

        const TDirBlock* niveau = sample.FindDir(row.Indice + "\\Niveau");
        for (const Span& screen : casing) {
            if (screen.type != kScreen) continue;
            SCOPED_TRACE("screen " + screen.tube + " " + std::to_string(screen.from));
            for (const Span& level : levels) {
                if (level.from < screen.to && level.to > screen.from) {
                    EXPECT_EQ(level.tube, "OUI") << level.from;
                }
            }
            std::size_t p = 0;
            while (p < fill.size() && !(fill[p].type == kPack && fill[p].from <= screen.from && fill[p].to >= screen.to)) ++p;
            ASSERT_LT(p, fill.size()) << "no gravel pack";
            for (const Span& other : casing) {
                if (other.type == kScreen && other.tube != screen.tube) {
                    EXPECT_FALSE(other.from < fill[p].to && other.to > fill[p].from) << "pack shared with " << other.tube;
                }
            }
            ASSERT_GT(p, 0u);
            EXPECT_EQ(fill[p - 1].type, kSeal);
            if (fill[p].to < hole.back().to) {
                ASSERT_LT(p + 1, fill.size());
                EXPECT_EQ(fill[p + 1].type, kSeal);
            }
        }
        // The fill runs from the surface to the bottom of the hole.
        ASSERT_FALSE(fill.empty());
        double reached = 0;
        for (const Span& f : fill) {
            EXPECT_EQ(f.from, reached);
            reached = f.to;
            if (sample.GetPathString(row.Indice + "\\Ouvrage\\Etat", o) == "REBOUCHE") {
                EXPECT_FALSE(f.type == kBackfill && f.nature == kCuttings) << "cuttings in a sealed hole";
            }
        }
        EXPECT_EQ(reached, hole.back().to);
        // A sealed hole is filled up to the ground: no tube is left open in
        // it (the fill around a tube does not fill its inside).
        if (sample.GetPathString(row.Indice + "\\Ouvrage\\Etat", o) == "REBOUCHE") {
            EXPECT_TRUE(casing.empty()) << "a tube left open in a sealed hole";
            EXPECT_EQ(fill.front().from, 0.0);
        }
        // Two nested casings of one tube have their space filled.
        const std::vector<Span> inner = Spans(sample, row, "AnnulaireInterne");
        for (const Span& a : casing)
            for (const Span& b : casing)
                if (a.tube == b.tube && &a != &b && std::max(a.from, b.from) < std::min(a.to, b.to)) {
                    bool filled = false;
                    for (const Span& i : inner) filled |= i.from <= std::max(a.from, b.from) && i.to >= std::min(a.to, b.to);
                    EXPECT_TRUE(filled) << a.from << "-" << a.to << " and " << b.from << "-" << b.to;
                }

        const double x = sample.GetPathFloat(row.Indice + "\\Ouvrage\\X", o);
        for (int r = 0; r < niveau->RowCount(); ++r) {
            if (niveau->GetPathString("Strati", r) == "Briov\xC3\xA9rien") {
                EXPECT_LT(x, 420000.0);
            }
            if (niveau->GetPathString("CodeNiv", r).rfind("CRA", 0) == 0) {
                EXPECT_GT(x, 420000.0);
            }
        }
    }
    EXPECT_EQ(sample.GetPathString("F-VAL-01\\Dossier\\NomDep", 0), "Seine-et-Marne");
    OptionsRelease();
}

// The shipped program folder as its users find it: the rules, read from data/
// as they are when the test runs, describe every code of the sample (opening
// it shows no "Codes non décrits"), and the "Standard" model gives a pattern
// and a colour to every family of code those rules can give.
TEST(SampleCollection, TheShippedRulesDescribeItAndTheStandardModelCoversTheRules)
{
    CodingRulesEditor rules;
    rules.Load(CAROTIX_DATA_DIR);
    ASSERT_FALSE(rules.LoadFailed);
    const TIniFile modeles(std::filesystem::path(CAROTIX_DATA_DIR) / "modeles.ini");
    const std::vector<std::string> keys = modeles.ReadSection("Standard");
    const std::set<std::string> modelled(keys.begin(), keys.end());

    int codes = 0;
    for (const auto& [code, description] : RuleRows(rules.Grid)) {
        const std::string family = LeadingCapitals(code);
        if (family.empty()) continue;
        ++codes;
        EXPECT_TRUE(modelled.count(family)) << "no \"Standard\" entry for " << code << " (" << description << ")";
    }
    EXPECT_GT(codes, 100);

    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    const TDirBlock& sample = *loaded;
    std::vector<CollectionRow> rows;
    BuildRowList(sample, rows);
    for (const CollectionRow& row : rows) {
        const auto undescribed =
            UndescribedCodes(sample, row.Indice, [&](const std::string& family) { return CodeHasRule(rules.Grid, family); });
        ASSERT_TRUE(undescribed.has_value()) << row.Indice;
        EXPECT_EQ(UndescribedCodesText(*undescribed), "") << row.Indice;
        const auto all = UndescribedCodes(sample, row.Indice, nullptr);
        for (const std::string& family : *all) EXPECT_TRUE(modelled.count(family)) << row.Indice << ": " << family;
    }
}

// Each level of the sample carries the code that the coding library gives its
// description with the shipped rules, and that code draws a pattern, not a
// blank or flat box: with the program's default (no model, the code's own
// digits) and with the shipped "Standard" model alike.
TEST(SampleCollection, EachLevelHasTheCodersCodeAndDrawsAPattern)
{
    TempProgramDir program(true, true);
    OptionsInitialize(program.path());
    CodageDLLInitialize(program.path().string());
    ASSERT_TRUE(CodageDLL().MakeCodeBound());
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    // The number of distinct colours of a code's swatch as the log fills it.
    const auto colours = [](const std::string& code) {
        QImage img(120, 120, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(&img);
            SetDrawCanvas(&canvas);
            DrawCodePattern(canvas, code, TRect{0, 0, 120, 120}, 1);
            FlushLines();
        }
        SetDrawCanvas(nullptr);
        std::set<QRgb> seen;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) seen.insert(img.pixel(x, y));
        return seen.size();
    };
    int levels = 0;
    for (const bool standard : {false, true}) {
        if (standard) LoadModelInto(CurrentCodeModel(), *IniModeles, "Standard");
        else ClearModelGrid(CurrentCodeModel());
        for (const auto& child : loaded->Items()) {
            const TDirBlock* niveau = child->IsDir() ? static_cast<const TDirBlock&>(*child).FindDir("Niveau") : nullptr;
            for (int r = 0; niveau && r < niveau->RowCount(); ++r) {
                const std::string code = niveau->GetPathString("CodeNiv", r);
                const std::string litho = niveau->GetPathString("Litho", r);
                SCOPED_TRACE(child->Name + " " + litho + " " + code + (standard ? " Standard" : ""));
                EXPECT_EQ(code, CodageDLL().MakeCode(UpperCase(litho)));
                EXPECT_GE(colours(code), 2u);
                ++levels;
            }
        }
    }
    EXPECT_EQ(levels, 2 * 30);
    ClearModelGrid(CurrentCodeModel());
    CodageDLL().Replace(UnboundCodingLibrary());
    CodageDLL().ClearCache();
    OptionsRelease();
}

// The shipped tooltip template shows the main fields of each ouvrage of the
// sample (the tooltip of the collection window and the KML descriptions).
TEST(SampleCollection, TheShippedTooltipShowsTheOuvragesMainFields)
{
    TempProgramDir program;
    OptionsInitialize(program.path());
    ScopedDecimalSeparator comma{','};
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    const TDirBlock& sample = *loaded;
    EXPECT_EQ(TooltipText(program / "infobulle.txt", sample, "PUITS-1", "PUITS-1"),
              "PUITS-1 - PUITS-1\r\n"
              "Puits\r\n"
              "Commune : BAIN-DE-BRETAGNE\r\n"
              "Lieu-dit : La Ferme Neuve\r\n"
              "X : 351170\tY : 6758540 m\r\n"
              "Altitude : 48,2 m\r\n"
              "Profondeur : 9 m\r\n"
              "Niveau d'eau : 2,8 m\r\n");
    // The second ouvrage of an index shows its own values.
    EXPECT_NE(TooltipText(program / "infobulle.txt", sample, "F-VAL-01", "F2").find("Profondeur : 24 m"),
              std::string::npos);
    OptionsRelease();
}
