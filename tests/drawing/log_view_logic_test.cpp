// The log window's behaviour without its widget: page size and zoom steps,
// the depth window of the spins, clicks turned into [Tables] commands, the
// drag threshold, level selection shown inverted, the hovered element's
// frame and the smoothing switch-off after a slow rebuild.
#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "drawing/hit_maps.h"
#include "drawing/log_view_logic.h"
#include "platform/qpainter_canvas.h"
#include "sample_boreholes.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        OptDesactiverLissage = false;
        BuildShallowWell(root_, "PZ1");
        view_.SetBorehole(&root_, "PZ1", "PZ1");
        view_.RunTableCommand = [this](const std::string& name, std::int32_t row) { commands_.emplace_back(name, row); };
        view_.Resize(400, 560);
    }
    void TearDown() override
    {
        ResetZonesCoupe();
        OptDesactiverLissage = false;
        OptionsRelease();
    }

    // The first level drawn with a height, and the centre of its band.
    const TZoneRect& FirstLevel()
    {
        for (const TZoneRect& z : ZonesNiveaux)
            if (z.Rect.Height() > 2) return z;
        ADD_FAILURE() << "no level drawn";
        static TZoneRect none;
        return none;
    }
    static TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

    TempProgramDir program_;
    TDirBlock root_{"Carotix"};
    LogView view_;
    std::vector<std::pair<std::string, std::int32_t>> commands_;
};

TEST(LogViewPage, PortraitPageAndSpinIncrement)
{
    // 400 x 560 left: 560 is not above [400 sqrt 2] = 566, but 400 is above
    // [560 / sqrt 2] = 396; a wide area is held by its height, a tall one by
    // its width; the page grows with the square root of the zoom.
    const std::array<int, 5> pages[] = {
        {408, 568, 1, 396, 560}, {1008, 308, 1, 212, 300}, {108, 1008, 1, 100, 141}, {408, 568, 4, 792, 1120}};
    for (const auto& [w, h, zoom, pw, ph] : pages) {
        std::int32_t gotW = 0, gotH = 0;
        LogView::PageSize(w, h, zoom, gotW, gotH);
        EXPECT_EQ(std::make_pair(gotW, gotH), std::make_pair(pw, ph)) << w << "x" << h << " zoom " << zoom;
    }
    const std::pair<double, int> increments[] = {{0, 10}, {9.9, 2}, {10, 5},   {19.5, 5},
                                                 {20, 10}, {50, 20}, {99, 20}, {100, 50}};
    for (const auto& [extent, step] : increments) EXPECT_EQ(LogView::SpinIncrement(extent), step) << extent;
}

TEST(LogViewZoom, DoublesUpTo64AndRecentresBackAtOne)
{
    LogView v;
    int paints = 0;
    v.RequestPaint = [&] { ++paints; };
    for (int i = 0; i < 10; ++i) v.CaptionButtonPlusClick();
    EXPECT_EQ(v.Zoom, 64);
    EXPECT_EQ(paints, 6);  // no redraw once at 64
    v.ScrollX = 0.1;
    v.ScrollY = 0.9;
    v.CaptionButtonMoinsClick();
    EXPECT_EQ(v.Zoom, 32);
    EXPECT_DOUBLE_EQ(v.ScrollX, 0.1);  // only reaching 1 recentres
    for (int i = 0; i < 10; ++i) v.CaptionButtonMoinsClick();
    EXPECT_EQ(v.Zoom, 1);
    EXPECT_DOUBLE_EQ(v.ScrollX, 0.5);
    EXPECT_DOUBLE_EQ(v.ScrollY, 0.5);
    EXPECT_TRUE(v.ARebatir);
}

TEST(LogViewSpins, AdjustKeepsASpanOfOneIncrement)
{
    LogView v;
    v.Increment = 10;
    v.SpinDe = 10;
    v.SpinA = 0;
    v.SpinDeExit();
    EXPECT_EQ(v.SpinA, 20);
    // The end pulled below the start moves the start down by one increment.
    v.SpinA = 15;
    v.SpinAExit();
    EXPECT_EQ(v.SpinDe, 5);
    v.SpinA = 4;
    v.SpinAExit();
    EXPECT_EQ(v.SpinDe, 0);
    // Negative values become 0.
    v.SpinDe = -5;
    v.SpinDeExit();
    EXPECT_EQ(v.SpinDe, 0);
    // Without "Ajuster": only the order is kept.
    v.Ajuster = false;
    v.SpinDe = 30;
    v.SpinA = 20;
    v.SpinDeExit();
    EXPECT_EQ(v.SpinDe, 20);
    v.SpinDe = 40;
    v.SpinAExit();
    EXPECT_EQ(v.SpinA, 40);
    double from = 0, to = 0;
    v.SpinDe = 0;
    v.SpinA = 0;
    v.DepthWindow(from, to);
    EXPECT_EQ(from, MissingFloat);
    EXPECT_EQ(to, MissingFloat);
}

TEST_F(LogViewTest, AClickOnALevelRunsItsTableEntryWithTheRowCountedFromOne)
{
    view_.Rebuild();
    EXPECT_EQ(view_.LastFactor, 3);
    EXPECT_EQ(view_.BackBuffer.width(), 400);
    EXPECT_EQ(view_.BackBuffer.height(), 560);
    EXPECT_EQ(view_.Increment, 5);  // 12 m deep
    const TZoneRect& level = FirstLevel();
    const TPoint c = Centre(level.Rect);
    view_.MouseDown(LogView::Button::Left, c.X, c.Y);
    view_.MouseDown(LogView::Button::Right, c.X, c.Y);
    ASSERT_EQ(commands_.size(), 2u);
    EXPECT_EQ(commands_[0].first, "Niveau");
    EXPECT_EQ(commands_[0].second, level.Row + 1);
    EXPECT_EQ(commands_[1], commands_[0]);
    // Nothing under the mouse: nothing runs.
    view_.MouseDown(LogView::Button::Left, 1, 1);
    EXPECT_EQ(commands_.size(), 2u);
}

TEST_F(LogViewTest, AtZoomTwoAMoveOfTwoPixelsStillClicksAndThreeDrags)
{
    view_.CaptionButtonPlusClick();
    view_.Rebuild();
    EXPECT_EQ(view_.LastFactor, 1);
    const TZoneRect& level = FirstLevel();
    const TPoint c = Centre(level.Rect);

    LogView::MouseAnswer a = view_.MouseDown(LogView::Button::Left, c.X, c.Y);
    EXPECT_TRUE(a.confine);
    EXPECT_TRUE(commands_.empty());
    view_.MouseMove(c.X + 2, c.Y - 2);
    EXPECT_FALSE(view_.Deplace);
    view_.RebuildIfNeeded();
    view_.MouseUp(LogView::Button::Left, c.X + 2, c.Y - 2);
    view_.RebuildIfNeeded();
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0].first, "Niveau");
    EXPECT_DOUBLE_EQ(view_.ScrollX, 0.5);

    const TZoneRect& again = FirstLevel();
    const TPoint d = Centre(again.Rect);
    view_.MouseDown(LogView::Button::Left, d.X, d.Y);
    a = view_.MouseMove(d.X + 3, d.Y);
    EXPECT_TRUE(a.handCursor);
    EXPECT_TRUE(view_.Deplace);
    EXPECT_LT(view_.ScrollX, 0.5);  // the page follows the mouse to the right
    a = view_.MouseUp(LogView::Button::Left, d.X + 3, d.Y);
    EXPECT_TRUE(a.defaultCursor);
    EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(LogViewTest, DraggingStopsAtThePageEdges)
{
    view_.CaptionButtonPlusClick();
    view_.Rebuild();
    const LogView::MouseAnswer a = view_.MouseDown(LogView::Button::Left, 100, 100);
    // The cursor may go from the page's right edge to its left edge.
    EXPECT_EQ(a.confineRect.Left, 100 - (view_.PageW + 1) / 2);
    view_.MouseMove(100 - 5000, 100 - 5000);
    EXPECT_DOUBLE_EQ(view_.ScrollX, 1.0);
    EXPECT_DOUBLE_EQ(view_.ScrollY, 1.0);
    view_.MouseUp(LogView::Button::Left, 0, 0);
}

TEST_F(LogViewTest, SelectedLevelsShowInvertedAndToggleBack)
{
    view_.Rebuild();
    const TZoneRect level = FirstLevel();
    const TPoint c = Centre(level.Rect);
    const QRgb before = view_.BackBuffer.pixel(c.X, c.Y);

    view_.ToolSel = true;
    view_.MouseDown(LogView::Button::Left, c.X, c.Y);
    EXPECT_TRUE(commands_.empty());  // the selection button takes the click
    EXPECT_EQ(root_.GetPathInt("PZ1\\Niveau\\S\xC3\xA9lection", level.Row), 1);
    EXPECT_TRUE(view_.LevelSelected(level.Row));
    view_.Rebuild();
    const QRgb inverted = view_.BackBuffer.pixel(c.X, c.Y);
    EXPECT_EQ(qRed(inverted), 255 - qRed(before));
    EXPECT_EQ(qGreen(inverted), 255 - qGreen(before));
    EXPECT_EQ(qBlue(inverted), 255 - qBlue(before));

    view_.MouseDown(LogView::Button::Left, c.X, c.Y);
    EXPECT_EQ(root_.GetPathInt("PZ1\\Niveau\\S\xC3\xA9lection", level.Row), 0);
    view_.Rebuild();
    EXPECT_EQ(view_.BackBuffer.pixel(c.X, c.Y), before);
}

TEST_F(LogViewTest, TheHoveredElementIsFramedBlueAndLightBlue)
{
    view_.Rebuild();
    const TZoneRect level = FirstLevel();
    const TPoint c = Centre(level.Rect);
    int paints = 0;
    view_.RequestPaint = [&] { ++paints; };
    view_.MouseMove(c.X, c.Y);
    EXPECT_EQ(view_.Survol.Name, "Niveau");
    EXPECT_EQ(paints, 1);
    EXPECT_FALSE(view_.ARebatir);  // hovering only paints
    view_.MouseMove(c.X + 1, c.Y);
    EXPECT_EQ(paints, 1);  // same element: nothing to paint

    QImage out(400, 560, QImage::Format_RGB32);
    out.fill(Qt::white);
    {
        QPainterCanvas canvas(&out);
        view_.Paint(canvas);
    }
    const TRect r = level.Rect;
    EXPECT_EQ(out.pixel(r.Left, r.Top) & 0xFFFFFF, 0x80C0FFu);   // light blue at its place
    EXPECT_EQ(out.pixel(r.Right, r.Bottom) & 0xFFFFFF, 0x0000FFu);  // blue, one pixel down and right

    view_.MouseMove(1, 1);
    EXPECT_FALSE(view_.Survol.Hit());
    EXPECT_EQ(paints, 2);
}

TEST_F(LogViewTest, OneSlowSmoothedRebuildSwitchesSmoothingOffForTheRun)
{
    double now = 100.0;
    view_.Clock = [&] {
        const double t = now;
        now += 0.3;  // each reading of the clock is 0.3 s later
        return t;
    };
    view_.Rebuild();  // 0.3 s: still smoothed next time
    EXPECT_EQ(view_.LastFactor, 3);
    EXPECT_FALSE(OptDesactiverLissage);
    now = 200.0;
    view_.Clock = [&] {
        const double t = now;
        now += 0.6;
        return t;
    };
    view_.Rebuild();
    EXPECT_EQ(view_.LastFactor, 3);
    EXPECT_TRUE(OptDesactiverLissage);
    view_.Rebuild();
    EXPECT_EQ(view_.LastFactor, 1);
    // In memory only: the settings file still says the smoothing is on.
    EXPECT_FALSE(IniCarotix->ReadBool("Dessin", "D\xC3\xA9sactiverLissage", false));
}

TEST_F(LogViewTest, NoBoreholeLeavesAWhiteBufferAndClicksDoNothing)
{
    view_.SetBorehole(nullptr, "", "");
    view_.Rebuild();
    EXPECT_EQ(view_.BackBuffer.pixel(200, 280) & 0xFFFFFF, 0xFFFFFFu);
    view_.MouseDown(LogView::Button::Left, 200, 280);
    EXPECT_TRUE(commands_.empty());
    EXPECT_TRUE(ZonesNiveaux.empty());
}

}  // namespace
