// The hit-test maps a screen drawing leaves for the log window: what a point
// answers, in which order the maps are searched, and how they are emptied and
// scaled.
#include "log_test_support.h"

namespace {

class HitMaps : public LogTest {};

TEST_F(HitMaps, LookupOrderAndRowNumbers)
{
    ZonesNiveaux.push_back({TRect{0, 0, 100, 100}, 4});
    ZonesDossier.push_back(TRect{10, 10, 20, 20});
    ZonesOuvrage.push_back(TRect{30, 30, 40, 40});
    ZonesTubage.push_back({TRect{200, 0, 300, 100}, 0});
    ZonesAnnulaire.push_back({Region(TRect{150, 0, 400, 100}), 2});
    ZonesAnnulaireInterne.push_back({Region(TRect{350, 0, 450, 100}), 7});
    ZonesTrouNu.push_back({TRect{500, 0, 510, 100}, TRect{590, 0, 600, 100}, 3});

    // A title-block cell over a level is the cell, row 0.
    TZoneCoupe z = ZoneCoupeAt(15, 15);
    EXPECT_EQ(z.Name, "Dossier associé à l'indice");
    EXPECT_EQ(z.Row, 0);
    ASSERT_TRUE(z.Rgn.has_value());
    EXPECT_EQ(z.Rgn->BoundingRect(), (TRect{10, 10, 20, 20}));
    EXPECT_EQ(ZoneCoupeAt(35, 35).Name, "Informations sur l'ouvrage");
    z = ZoneCoupeAt(50, 50);
    EXPECT_EQ(z.Name, "Niveau");
    EXPECT_EQ(z.Row, 5);  // counted from 1
    EXPECT_EQ(ZoneCoupeAt(250, 50).Name, "Tube simple");
    EXPECT_EQ(ZoneCoupeAt(250, 50).Row, 1);
    EXPECT_EQ(ZoneCoupeAt(375, 50).Name, "Annulaire interne");  // before the annulus it overlaps
    EXPECT_EQ(ZoneCoupeAt(375, 50).Row, 8);
    z = ZoneCoupeAt(160, 50);
    EXPECT_EQ(z.Name, "Annulaire");
    EXPECT_EQ(z.Row, 3);
    z = ZoneCoupeAt(595, 50);
    EXPECT_EQ(z.Name, "Trou-nu");
    EXPECT_EQ(z.Row, 4);
    ASSERT_TRUE(z.Rgn.has_value());
    EXPECT_TRUE(z.Rgn->Contains(505, 50));  // the union of both bands
    EXPECT_FALSE(z.Rgn->Contains(550, 50));

    // Right and bottom edges are outside; nothing is nothing.
    EXPECT_FALSE(ZoneCoupeAt(100, 50).Name == "Niveau");
    EXPECT_EQ(ZoneCoupeAt(550, 50).Name, "");
    EXPECT_FALSE(ZoneCoupeAt(550, 50).Rgn.has_value());
    EXPECT_FALSE(ZoneCoupeAt(550, 50).Hit());

    ResetZonesCoupe();
    EXPECT_FALSE(ZoneCoupeAt(50, 50).Hit());
    EXPECT_TRUE(ZonesAnnulaire.empty());
    EXPECT_TRUE(ZonesTrouNu.empty());
}

TEST_F(HitMaps, FirstAppendedWinsWithinAMap)
{
    ZonesNiveaux.push_back({TRect{0, 0, 100, 100}, 1});
    ZonesNiveaux.push_back({TRect{0, 0, 100, 100}, 2});
    EXPECT_EQ(ZoneCoupeAt(5, 5).Row, 2);
}

TEST_F(HitMaps, ScaledBackAfterOversampling)
{
    ZonesNiveaux.push_back({TRect{30, 31, 62, 95}, 0});
    ZonesAnnulaire.push_back({Region(TRect{30, 30, 60, 90}), 1});
    ZonesTrouNu.push_back({TRect{-7, 3, 9, 12}, TRect{0, 0, 3, 3}, 2});
    ScaleZonesCoupe(3);
    EXPECT_EQ(ZonesNiveaux[0].Rect, (TRect{10, 10, 20, 31}));
    EXPECT_EQ(ZonesAnnulaire[0].Rgn.BoundingRect(), (TRect{10, 10, 20, 30}));
    EXPECT_EQ(ZonesTrouNu[0].Gauche, (TRect{-2, 1, 3, 4}));  // toward zero
    ScaleZonesCoupe(1);
    EXPECT_EQ(ZonesNiveaux[0].Rect, (TRect{10, 10, 20, 31}));
}

TEST_F(HitMaps, APointOnADrawnLevelAnswersItsRow)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "SAB1107", "sable"), MakeSampleLevel(10, 20, "ARG1215", "argile"),
                         MakeSampleLevel(20, 30, "CAL1941", "calcaire")});
    ASSERT_TRUE(Draw("P"));
    ASSERT_EQ(ZonesNiveaux.size(), 3u);
    const TRect second = ZonesNiveaux[1].Rect;
    TZoneCoupe z = ZoneCoupeAt(second.Left + 5, (second.Top + second.Bottom) / 2);
    EXPECT_EQ(z.Name, "Niveau");
    EXPECT_EQ(z.Row, 2);
    // The band runs from the lithology column to the end of the description.
    EXPECT_EQ(ZoneCoupeAt(second.Right - 1, second.Top).Row, 2);
    // The title band, the scale and the margin are no element.
    EXPECT_FALSE(ZoneCoupeAt(500, 20).Hit());
    EXPECT_FALSE(ZoneCoupeAt(second.Left - 5, (second.Top + second.Bottom) / 2).Hit());
    EXPECT_FALSE(ZoneCoupeAt(second.Right + 5, (second.Top + second.Bottom) / 2).Hit());
}

TEST_F(HitMaps, LevelsOutsideTheWindowAreNeverHit)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "", "a"), MakeSampleLevel(10, 20, "", "b"),
                         MakeSampleLevel(20, 30, "", "c")});
    ASSERT_TRUE(Draw("P", 1000, 1414, 12.0, 18.0));
    ASSERT_EQ(ZonesNiveaux.size(), 3u);  // one entry per level, in the rows' order
    EXPECT_EQ(ZonesNiveaux[0].Row, 0);
    EXPECT_EQ(ZonesNiveaux[2].Row, 2);
    EXPECT_TRUE(ZonesNiveaux[0].Rect.IsEmpty());
    EXPECT_TRUE(ZonesNiveaux[2].Rect.IsEmpty());
    EXPECT_FALSE(ZonesNiveaux[1].Rect.IsEmpty());
    for (int y = -10; y < 1414; y += 7)
        for (int x = 0; x < 1000; x += 50) {
            const TZoneCoupe z = ZoneCoupeAt(x, y);
            if (z.Hit()) {
                EXPECT_EQ(z.Row, 2) << x << "," << y;
            }
        }
}

TEST_F(HitMaps, OnlyTheScreenDrawingTouchesTheMaps)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "", "a"), MakeSampleLevel(10, 20, "", "b")});
    ASSERT_TRUE(Draw("P"));
    const std::vector<TZoneRect> screen = ZonesNiveaux;
    // Printing a page in between (another size, no maps) leaves them as they were.
    ASSERT_TRUE(Draw("P", 4000, 5656, MissingFloat, MissingFloat, false));
    ASSERT_EQ(ZonesNiveaux.size(), screen.size());
    for (std::size_t i = 0; i < screen.size(); ++i)
        EXPECT_EQ(ZonesNiveaux[i].Rect, screen[i].Rect);
}

}  // namespace
