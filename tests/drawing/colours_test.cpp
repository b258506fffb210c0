// Colour arithmetic, the colour-table editor and the palette, without widgets.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "drawing/colours.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "store/options.h"
#include "temp_dir.h"

TEST(ColourArithmetic, LuminanceHueAndAngle)
{
    const std::array<double, 5> luminances[] = {{255, 255, 255, 255, 1e-9}, {0, 0, 0, 0, 1e-9},       {128, 128, 128, 128, 1e-9},
                                                {255, 0, 0, 126.15, 0.01},   {0, 255, 0, 218.96, 0.01}, {0, 0, 255, 77.21, 0.01}};
    for (const auto& [r, g, b, l, within] : luminances) EXPECT_NEAR(Luminance(MakeVec(r, g, b)), l, within) << r << g << b;
    const std::array<double, 5> hues[] = {{255, 0, 0, 0, 0},           {0, 255, 255, 0.5, 1e-12}, {128, 255, 1, 0.25, 1e-12},
                                          {255, 0, 1, 0.99946, 1e-5}, {0, 0, 255, 2.0 / 3, 1e-12}, {0.4, 0.4, 0.4, -1, 0}};
    for (const auto& [r, g, b, h, within] : hues) EXPECT_NEAR(HueOf(MakeVec(r, g, b)), h, within) << r << g << b;

    EXPECT_THROW(AngleOf(0, 0), EMathError);
    EXPECT_DOUBLE_EQ(AngleOf(0, 5), std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(AngleOf(0, -5), -std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(AngleOf(-1, 0), std::numbers::pi);
}

TEST(ColourArithmetic, PlaneRampsInBlocksOfSixteen)
{
    const TColor constant = 0x400000;  // blue 64
    const std::vector<TColor> p = MakeColourPlane(constant, 0, 255, 0, 0xFF00, 96, 96);
    ASSERT_EQ(p.size(), 96u * 96u);
    auto at = [&](int x, int y) { return SplitColour(p[static_cast<std::size_t>(y * 96 + x)]); };
    EXPECT_EQ(at(0, 0).Red, 74);
    EXPECT_EQ(at(15, 0).Red, 74);
    EXPECT_EQ(at(16, 0).Red, 128);
    EXPECT_EQ(at(95, 0).Red, 245);
    EXPECT_EQ(at(0, 95).Green, 245);
    EXPECT_EQ(at(40, 40).Blue, 64);
    // A plane one pixel high has no ramp and divides by nothing.
    EXPECT_EQ(MakeColourPlane(constant, 0, 255, 0, 0xFF00, 5, 1), std::vector<TColor>(5, constant));
}

class ColourEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(dir.path());
        fake.SetFailureReporter([](const std::string& m) { ADD_FAILURE() << m; });
    }
    void TearDown() override { OptionsRelease(); }
    TempDir dir;
    FakeUiServices fake;
};

TEST_F(ColourEditorTest, EditsComponentsAndAsksBeforeLeavingChanges)
{
    ScopedUi use(fake);
    const auto stored = ColourTable;
    ColourTableEditor e;
    e.Show();
    EXPECT_EQ(e.SelectedIndex(), 0);
    e.SelectSwatch(3);
    e.SetComponentText(0, "300");
    EXPECT_EQ(e.ComponentText(0), "255");
    e.SetComponentText(1, "-5");
    EXPECT_EQ(e.Component(1), 0);
    EXPECT_THROW(e.SetComponentText(2, "-"), EConvertError);
    e.PlaneMouse(ColourPlane::RedGreen, 48, 0, 96, 96);
    EXPECT_EQ(e.Component(0), 128);
    EXPECT_EQ(e.Swatch(3), RGBColor(128, 0, ColorBlue(stored[3])));

    // "Annuler" with a change: Cancel keeps the window, No leaves the table.
    fake.AnswerMessage(MsgResult::Cancel, "Couleurs").AnswerMessage(MsgResult::No, "Couleurs");
    EXPECT_FALSE(e.CloseQuery());
    EXPECT_TRUE(e.CloseQuery());
    EXPECT_EQ(ColourTable, stored);
    e.Show();  // the selection stays, the swatches come back from the table
    EXPECT_EQ(e.SelectedIndex(), 3);
    EXPECT_EQ(e.Swatch(3), stored[3]);

    // "Ok" writes all ten keys, changed or not; closing then asks nothing.
    e.TakePaletteColour(RGBColor(1, 2, 3));
    e.Ok();
    EXPECT_TRUE(e.CloseQuery());
    EXPECT_EQ(ColourTable[3], RGBColor(1, 2, 3));
    EXPECT_EQ(IniCarotix->ReadString("Couleurs", "Couleur3", ""), "1 2 3");
    EXPECT_EQ(IniCarotix->ReadString("Couleurs", "Couleur9", ""), ColourToText(stored[9]));
    EXPECT_TRUE(fake.Verify());
}

TEST(Palette, BasesVariationsAndOpeningOnAColour)
{
    for (int i = 0; i < 2000; ++i) {
        const int v = PaletteChooser::VaryComponent(104);
        EXPECT_TRUE(v >= 20 && v <= 146) << v;
    }
    EXPECT_LE(PaletteChooser::VaryComponent(0), 102);  // no square root of a negative below 102

    PaletteChooser p;
    EXPECT_EQ(p.SelectedShape(), 17);
    EXPECT_EQ(PaletteChooser::BaseColour(17), RGBColor(232, 232, 232));
    EXPECT_TRUE(p.OkEnabled());
    p.PressBase(0);
    ASSERT_EQ(PaletteChooser::BaseColour(0), RGBColor(104, 104, 104));
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
            const TColourBytes b = SplitColour(p.GridColour(r, c));
            for (int v : {b.Red, b.Green, b.Blue}) EXPECT_TRUE(v >= 20 && v <= 146) << v;
        }

    p.SelectGridCell(4, 7);
    p.SelectBaseColor(RGBColor(250, 100, 150));
    EXPECT_EQ(p.SelectedShape(), PaletteChooser::kSelectionShape);
    EXPECT_EQ(PaletteChooser::BaseColour(10), RGBColor(232, 104, 180));
    EXPECT_EQ(p.GridColour(0, 0), RGBColor(250, 100, 150));
    EXPECT_EQ(p.SelectedColour(), RGBColor(250, 100, 150));
    // Opened again on the same colour with the current cell already at (0, 0):
    // "Ok" still gives that colour back.
    p.SelectBaseColor(RGBColor(250, 100, 151));
    EXPECT_EQ(p.SelectedColour(), RGBColor(250, 100, 151));

    p.SelectDefinedCell(2);
    EXPECT_EQ(p.SelectedColour(), ColourTable[2]);
}
