// The geometry kit of the technical column (walls, bands, profiles, the
// region that clips the annular fill), the labels made from the lexicons and
// the fill patterns of edition.ini [Figurés].
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "drawing/technical/technical_geometry.h"
#include "platform/base/ini_file.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

using Bands = ArrayOfAnnulairePoly;

TEST(BandesEntreLignes, VerticalWallsOverSeveralSlabsGiveOneBand)
{
    // Two tubes from 100 to 300, and a third wall that only cuts the rows at
    // 150 and 200 further out.
    const ArrayOfScreenTubeDef lines = {{100, 20, 300, 20}, {100, 40, 300, 40}, {150, 60, 200, 60}};
    Bands bands;
    BandesEntreLignes(0, 1000, 1, lines, bands);
    EXPECT_EQ(bands, (Bands{{100, 20, 40, 300, 20, 40}}));
    // The walls' input order does not matter.
    BandesEntreLignes(0, 1000, 1, {lines[2], lines[1], lines[0]}, bands);
    EXPECT_EQ(bands, (Bands{{100, 20, 40, 300, 20, 40}}));
}

TEST(BandesEntreLignes, ConesSplitTheBandsIntoTrapezoids)
{
    // An inner tube of half-width 20 from 0 to 300; outside it a tube of 50
    // down to 100, a cone from 50 to 30 between 100 and 200, a tube of 30 below.
    const ArrayOfScreenTubeDef lines = {{0, 20, 300, 20}, {0, 50, 100, 50}, {100, 50, 200, 30}, {200, 30, 300, 30}};
    Bands bands;
    BandesEntreLignes(0, 300, 1, lines, bands);
    EXPECT_EQ(bands, (Bands{{0, 20, 50, 100, 20, 50}, {100, 20, 50, 200, 20, 30}, {200, 20, 30, 300, 20, 30}}));
    // Cut to rows 150..250: the cone starts at its interpolated half-width.
    BandesEntreLignes(150, 250, 1, lines, bands);
    EXPECT_EQ(bands, (Bands{{150, 20, 40, 200, 20, 30}, {200, 20, 30, 250, 20, 30}}));
}

TEST(BandesEntreLignes, MissingWallsGiveNoBand)
{
    const ArrayOfScreenTubeDef lines = {{0, 20, 300, 20}, {100, 40, 200, 40}};
    Bands bands;
    BandesEntreLignes(0, 300, 2, lines, bands);  // no third wall
    EXPECT_TRUE(bands.empty());
    BandesEntreLignes(0, 300, 0, lines, bands);  // counts as 1
    EXPECT_EQ(bands, (Bands{{100, 20, 40, 200, 20, 40}}));
    BandesEntreLignes(400, 500, 1, lines, bands);  // outside
    EXPECT_TRUE(bands.empty());
    BandesEntreLignes(0, 300, 1, {}, bands);
    EXPECT_TRUE(bands.empty());
}

TEST(DemiLargeurParoi, InterpolatesHalvesToEven)
{
    EXPECT_EQ(DemiLargeurParoi({0, 10, 4, 20}, 1), 12);   // 12.5 -> 12
    EXPECT_EQ(DemiLargeurParoi({0, 10, 4, 20}, 3), 18);   // 17.5 -> 18
    EXPECT_EQ(DemiLargeurParoi({7, 10, 7, 15}, 7), 12);   // one row: the mean, truncated
}

TEST(ProfilsTechniques, CasingWallsRaiseTheProfileAndCutTheHole)
{
    // Axis at 500, log rows 100..300, thick pen 3, medium pen 1.
    ProfilsTechniques p(500, 100, 300, 3, 1);
    ASSERT_EQ(p.ProfilTrou.size(), 201u);
    p.AjouterParoiInterne(50, 60, 400, 60);  // a hole wider than the log's rows
    EXPECT_EQ(p.TrouA(100), 60);
    EXPECT_EQ(p.TrouA(300), 60);
    EXPECT_EQ(p.TrouA(99), 0);
    // The inside of the hole, the walls' columns 440 and 560 left out.
    EXPECT_TRUE(p.RegionTrou.Contains(441, 150));
    EXPECT_FALSE(p.RegionTrou.Contains(440, 150));
    EXPECT_TRUE(p.RegionTrou.Contains(559, 150));
    EXPECT_FALSE(p.RegionTrou.Contains(560, 150));

    p.AjouterParoi(150, 30, 250, 30, true);
    p.AjouterParoi(120, 10, 200, 40, false);  // a cone inside it
    EXPECT_EQ(p.TubageA(150), 30);
    EXPECT_EQ(p.TubageA(200), 40);  // the larger of the two
    EXPECT_EQ(p.TubageA(160), 30);
    EXPECT_EQ(p.TubageA(140), 18);  // 10 + 20 / 80 x 30 = 17.5 -> 18
    EXPECT_EQ(p.ParoisTubage.size(), 2u);
    // The casing is cut out, widened by half the thick pen (1 left, 2 right),
    // and, closed, below its bottom row by 2.
    EXPECT_FALSE(p.RegionTrou.Contains(469, 200));
    EXPECT_TRUE(p.RegionTrou.Contains(468, 200));
    EXPECT_FALSE(p.RegionTrou.Contains(531, 200));
    EXPECT_TRUE(p.RegionTrou.Contains(532, 200));
    EXPECT_FALSE(p.RegionTrou.Contains(500, 251));
    EXPECT_TRUE(p.RegionTrou.Contains(500, 252));

    // A wall wholly above the log leaves no record and no hole in the region.
    p.AjouterParoi(10, 50, 20, 50, false);
    EXPECT_EQ(p.ParoisTubage.size(), 2u);
    // Reversed ends are swapped.
    p.AjouterParoi(290, 5, 270, 5, false);
    EXPECT_EQ(p.ParoisTubage.back(), (TScreenTubeDef{270, 5, 290, 5}));
}

TEST(ProfilsTechniques, QueriesAreCutToTheLogRows)
{
    ProfilsTechniques p(500, 100, 300, 3, 1);
    p.AjouterParoiInterne(100, 40, 150, 40);
    p.AjouterParoiInterne(151, 70, 200, 70);
    EXPECT_EQ(p.LargeurTrouMax(0, 1000), 70);
    EXPECT_EQ(p.LargeurTrouMin(120, 180), 40);
    EXPECT_EQ(p.LargeurTrouMin(0, 250), 0);  // rows without hole count
    EXPECT_EQ(p.LargeurTrouMin(160, 170), 70);
    EXPECT_EQ(p.LargeurTrouMax(50, 99), 0);     // above the log
    EXPECT_EQ(p.LargeurTrouMax(400, 500), 0);   // below it
    EXPECT_EQ(p.LargeurTubageMin(100, 300), 0);
    EXPECT_EQ(p.LargeurTubageMax(100, 300), 0);
    // An open-hole section assigns, it does not raise.
    p.AjouterParoiInterne(151, 20, 200, 20);
    EXPECT_EQ(p.LargeurTrouMax(151, 200), 20);
}

// ---------------------------------------------------------------------------
// Labels and patterns from edition.ini
// ---------------------------------------------------------------------------

class TechnicalVocabulary : public ::testing::Test {
protected:
    void SetUp() override { OptionsInitialize(program_.path()); }
    void TearDown() override { OptionsRelease(); }
    TempProgramDir program_{true, false};
};

TEST_F(TechnicalVocabulary, DrillingCasingAndAnnulusLabels)
{
    // Method and fluid; foam reads foam.
    const std::tuple<int, int, const char*> drilling[] = {
        {0, 0, "openhole"}, {1, 0, "rotary"}, {2, 0, "marteau fond de trou"}, {4, 0, "tarière"}, {5, 0, "fonçage"},
        {99, 0, "openhole"}, {1, 1, "with air rotary"}, {1, 2, "w/clear water rotary"}, {1, 3, "with mud rotary"},
        {1, 4, "with foam rotary"}, {0, 5, "with bentonite openhole"}, {1, 6, "with polymer mud rotary"},
        {1, 7, "with reversible mud rotary"}};
    for (const auto& [method, fluid, text] : drilling) EXPECT_EQ(TexteForation(method, fluid), text) << method << fluid;
    const std::pair<int, const char*> types[] = {
        {0, "tube"}, {1, "tube plein"}, {2, "crépine"}, {5, "tube décanteur"}, {9, "raccord diélectrique"}};
    for (const auto& [type, text] : types) EXPECT_EQ(TexteTypeTubage(type), text);
    const std::pair<int, const char*> materials[] = {{0, ""}, {1, "acier noir"}, {4, "PVC"}, {6, "béton"}};
    for (const auto& [material, text] : materials) EXPECT_EQ(TexteMateriauTubage(material), text);
    // Cementation shows its material alone.
    const std::tuple<int, int, const char*> fills[] = {
        {0, 0, ""}, {1, 1, "ciment"}, {1, 0, "cimentation"}, {2, 1, "gravier siliceux massif filtrant"},
        {3, 4, "éboulement remblai"}, {3, 7, "décantation remblai"}, {4, 2, "bentonite bouchon"}};
    for (const auto& [type, nature, text] : fills) EXPECT_EQ(TexteAnnulaire(type, nature), text) << type << nature;
}

TEST_F(TechnicalVocabulary, PatternsFromFiguresThenDefaults)
{
    // The shipped [Figurés]: Annulaire\Type:1&Nature:3=12 (remapped to 110).
    EXPECT_EQ(MotifAnnulaire(1, 3), 110);
    EXPECT_EQ(MotifAnnulaire(1, 1), 6);    // by type
    EXPECT_EQ(MotifAnnulaire(2, 1), 101);  // 13 -> 101
    EXPECT_EQ(MotifAnnulaire(3, 4), 92);   // backfill by nature
    EXPECT_EQ(MotifAnnulaire(3, 0), 106);  // 33 -> 106
    EXPECT_EQ(MotifAnnulaire(3, 7), 105);  // the [Figurés] line wins: 11 -> 105
    EXPECT_EQ(MotifAnnulaire(0, 0), 0);
    EXPECT_EQ(MotifTubage(2, 0), 100);
    EXPECT_EQ(MotifTubage(1, 0), 0);

    // Our own lines: a value is used as it is, a value that is not a number
    // falls through to the next rule.
    IniEdition->WriteSection("Figurés", {"Annulaire\\Type:1&Nature:3=42", "Annulaire\\Type:2=abc",
                                         "Tubage\\Type:1&Nature:4=12", "Tubage\\Type:5=7x"});
    EXPECT_EQ(MotifAnnulaire(1, 3), 42);
    EXPECT_EQ(MotifAnnulaire(2, 1), 101);
    EXPECT_EQ(MotifTubage(1, 4), 110);
    EXPECT_EQ(MotifTubage(5, 0), 0);
    IniEdition->WriteSection("Figurés", {});
    EXPECT_EQ(MotifAnnulaire(1, 3), 6);
    EXPECT_EQ(MotifAnnulaire(4, 1), 103);  // 97 -> 103
    EXPECT_EQ(MotifTubage(2, 0), 100);     // 98 -> 100
    EXPECT_EQ(MotifTubage(14, 0), 0);
}

TEST(TechnicalVocabularyDefaults, DefaultTables)
{
    EXPECT_EQ(MotifAnnulaireParType(0), 0);
    EXPECT_EQ(MotifAnnulaireParType(1), 6);
    EXPECT_EQ(MotifAnnulaireParType(2), 13);
    EXPECT_EQ(MotifAnnulaireParType(3), 0);
    EXPECT_EQ(MotifAnnulaireParType(4), 97);
    EXPECT_EQ(MotifAnnulaireParType(-1), 0);
    const int remblai[] = {33, 33, 10, 7, 92, 34, 55, 0};
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(MotifRemblaiParNature(n), remblai[n]) << n;
    EXPECT_EQ(EntierOuZero(MissingInt), 0);
    EXPECT_EQ(EntierOuZero(-3), -3);
}

}  // namespace
