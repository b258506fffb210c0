// The shipped sample collection data/Exemples/exemple.crx is made by
// BuildSampleCollection (tests/support/sample_collection.cpp). Run this test
// with CAROTIX_REGENERATE_SAMPLE=1 to write the file again after changing the
// generator; without it, the test checks that the shipped file is what the
// generator describes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <set>

#include "app/collection_rows.h"
#include "platform/windows/info_window.h"
#include "coding/coding_rules.h"
#include "drawing/log_layout.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "sample_collection.h"
#include "store/blocks.h"
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

TEST(SampleCollection, ShippedFileMatchesItsGenerator)
{
    const std::unique_ptr<TDirBlock> built = BuildSampleCollection();
    if (const char* env = std::getenv("CAROTIX_REGENERATE_SAMPLE"); env && *env == '1') {
        std::filesystem::create_directories(SampleFile().parent_path());
        built->SaveToFile(SampleFile().string());
    }
    ASSERT_TRUE(std::filesystem::is_regular_file(SampleFile())) << SampleFile();
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    TDirBlock& shipped = *loaded;
    EXPECT_EQ(shipped.Name, "Carotix");
    EXPECT_TRUE(SameBlock(built.get(), &shipped)) << "regenerate the sample: CAROTIX_REGENERATE_SAMPLE=1";

    std::vector<CollectionRow> a, b;
    BuildRowList(*built, a);
    BuildRowList(shipped, b);
    ASSERT_EQ(a.size(), b.size()) << "regenerate the sample: CAROTIX_REGENERATE_SAMPLE=1";
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].Indice, b[i].Indice);
        EXPECT_EQ(a[i].Design, b[i].Design);
        EXPECT_EQ(GroundAltitude(*built, a[i].Indice, a[i].Design), GroundAltitude(shipped, b[i].Indice, b[i].Design));
        const LevelExtent ea = LevelExtentOfLevels(*built, a[i].Indice, a[i].Design);
        const LevelExtent eb = LevelExtentOfLevels(shipped, b[i].Indice, b[i].Design);
        EXPECT_EQ(ea.top, eb.top);
        EXPECT_EQ(ea.bottom, eb.bottom);
    }
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

// The sample looks like real boreholes: each ouvrage of F-VAL-01 has its own
// rows in every table but "Dossier" and is drawn to its own depth; topsoil
// lies only at the top; stratigraphic names are written one way, accented.
TEST(SampleCollection, EachOuvrageHasItsOwnEquipmentAndAPlausibleSuccession)
{
    const std::unique_ptr<TDirBlock> loaded = LoadSample();
    const TDirBlock& sample = *loaded;
    const TDirBlock* deep = sample.FindDir("F-VAL-01");
    ASSERT_NE(deep, nullptr);
    for (const char* table : {"Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"}) {
        const TDirBlock* dir = deep->FindDir(table);
        ASSERT_NE(dir, nullptr) << table;
        std::set<std::string> designs;
        for (int r = 0; r < dir->RowCount(); ++r) designs.insert(dir->GetPathString("D\xC3\xA9sign", r));
        EXPECT_EQ(designs, (std::set<std::string>{"F1", "F2"})) << table;
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
            if (levels->GetPathString("CodeNiv", r).rfind("TER", 0) == 0) EXPECT_EQ(from, 0.0);
            EXPECT_TRUE(units.count(levels->GetPathString("Strati", r))) << levels->GetPathString("Strati", r);
        }
        EXPECT_GT(bottom, 0.0);
    }
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
              "Puits domestique\r\n"
              "Commune : Bain-de-Bretagne\r\n"
              "Lieu-dit : La Ferme Neuve\r\n"
              "X : 352410\tY : 6781250 m\r\n"
              "Altitude : 48,2 m\r\n"
              "Profondeur : 9 m\r\n"
              "Niveau d'eau : 2,8 m\r\n");
    // The second ouvrage of an index shows its own values.
    EXPECT_NE(TooltipText(program / "infobulle.txt", sample, "F-VAL-01", "F2").find("Profondeur : 24 m"),
              std::string::npos);
    OptionsRelease();
}
