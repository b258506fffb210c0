// The stratigraphy chooser: its three layouts of the scale, the frame and
// rectangles of the drawing, hovering, zoom and drag, and the window's choice
// by the list or by a click.
#include <QComboBox>
#include <gtest/gtest.h>

#include "app/strati_layout.h"
#include "app/windows/strati_window.h"
#include "platform/fake_ui_services.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

std::vector<TStratiUnit> Scale(std::initializer_list<TStratiUnit> units) { return units; }

// Colours 1, 2, 3... in the order the layout asks for them.
StratiLayout CountingLayout()
{
    StratiLayout l;
    l.LightColour = [n = TColor(0)]() mutable { return ++n; };
    return l;
}

const TPosStrati& Unit(const StratiLayout& l, const std::string& name)
{
    for (const TPosStrati& u : l.Units)
        if (u.name == name) return u;
    static TPosStrati none;
    ADD_FAILURE() << "no unit " << name;
    return none;
}

bool Drawn(const StratiLayout& l, const std::string& name)
{
    const TPosStrati& u = Unit(l, name);
    return u.placed && !u.hidden;
}

}  // namespace

TEST(StratiLayout, BySizeHidesPhasesPointsAndDuplicatesAndSplitsContainedUnits)
{
    StratiLayout l = CountingLayout();
    LayoutStratiBySize(l, Scale({{0, 50, "A"}, {0, 100, "Big"}, {50, 100, "B"}, {0, 10, "PH-x"}, {0, 10, "PHASE-y"},
                                 {5, 5, "Point"}, {0, 100, "Big2"}, {0, 10, "ph-minuscule"}}));
    EXPECT_FALSE(Drawn(l, "PH-x"));
    EXPECT_FALSE(Drawn(l, "PHASE-y"));
    EXPECT_FALSE(Drawn(l, "Point"));
    EXPECT_FALSE(Drawn(l, "Big2"));          // same span as Big, which comes first
    EXPECT_TRUE(Drawn(l, "ph-minuscule"));   // prefixes compare with case
    EXPECT_EQ(Unit(l, "Big").column, 0);     // the unit holding the most comes first
    EXPECT_EQ(Unit(l, "A").column, 1);
    EXPECT_EQ(Unit(l, "B").column, 1);
    EXPECT_EQ(Unit(l, "B").colour, Unit(l, "A").colour);  // touching units share a colour
    EXPECT_EQ(l.SmallestStart, 0);
    EXPECT_EQ(l.LargestEnd, 100);
    EXPECT_EQ(l.HighestColumn, 2);
}

TEST(StratiLayout, BySizeCountsAUnitStartingWithItsContainerAsContained)
{
    // Of two units of one duration, the one holding another comes first and
    // takes the first colour, also when the held unit starts where it starts.
    StratiLayout l = CountingLayout();
    LayoutStratiBySize(l, Scale({{200, 300, "Z"}, {0, 100, "X"}, {0, 30, "Y"}}));
    EXPECT_EQ(Unit(l, "X").colour, 1u);
    EXPECT_EQ(Unit(l, "Z").colour, 2u);
}

TEST(StratiLayout, BySuccessionChainsSuccessiveUnitsOfComparableDurations)
{
    StratiLayout l = CountingLayout();
    LayoutStratiBySuccession(l, Scale({{20, 50, "C"}, {0, 10, "A"}, {10, 20, "B"}, {50, 150, "D"}}));
    // A, B and C form one chain (30 is at most three times the average 10);
    // D, of duration 100, starts its own.
    EXPECT_EQ(Unit(l, "A").colour, Unit(l, "B").colour);
    EXPECT_EQ(Unit(l, "A").colour, Unit(l, "C").colour);
    EXPECT_NE(Unit(l, "D").colour, Unit(l, "A").colour);
    // Overlapping nothing placed before it, D stands in the rightmost column.
    EXPECT_EQ(Unit(l, "D").column, l.HighestColumn);

    // A long chain over shorter ones stands to their left.
    LayoutStratiBySuccession(l, Scale({{20, 50, "C"}, {0, 10, "A"}, {10, 20, "B"}, {0, 150, "E"}}));
    EXPECT_EQ(l.HighestColumn, 1);
    EXPECT_EQ(Unit(l, "E").column, 0);
    EXPECT_EQ(Unit(l, "A").column, 1);

    // Everything at 0: every chain holds one unit, none is drawn.
    LayoutStratiBySuccession(l, Scale({{0, 0, "X"}, {0, 0, "Y"}}));
    EXPECT_FALSE(Drawn(l, "X"));
    EXPECT_EQ(l.HighestColumn, 0);
}

TEST(StratiLayout, TreeTilesEachUnitWithTheRunThatDividesIt)
{
    StratiLayout l = CountingLayout();
    LayoutStratiTree(l, Scale({{6, 10, "Droite"}, {0, 6, "Gauche"}, {0, 10, "Tout"}, {0, 10, "ANTE-Tout"}}));
    EXPECT_EQ(Unit(l, "Tout").column, 0);
    EXPECT_EQ(Unit(l, "Gauche").column, 1);
    EXPECT_EQ(Unit(l, "Droite").column, 1);
    EXPECT_TRUE(Drawn(l, "Gauche") && Drawn(l, "Droite") && Drawn(l, "Tout"));
    EXPECT_FALSE(Drawn(l, "ANTE-Tout"));
    EXPECT_EQ(Unit(l, "Gauche").colour, Unit(l, "Droite").colour);

    // Nothing starts at the smallest start: nothing is drawn.
    LayoutStratiTree(l, Scale({{2, 10, "X"}, {10, 20, "Y"}}));
    EXPECT_FALSE(Drawn(l, "X") || Drawn(l, "Y"));

    // Three candidates that lead nowhere use up the budget of the first step.
    StratiLayout p;
    for (int end : {1, 2, 3}) p.Units.push_back(TPosStrati{0, 0, end, "dead"});
    p.Units.push_back(TPosStrati{0, 0, 10, "target"});
    EXPECT_EQ(FindStratiPath(p, 0, 10, 3), -1);
    EXPECT_EQ(FindStratiPath(p, 0, 10, 4), 3);
    p.Units.push_back(TPosStrati{0, 3, 10, "rest"});
    EXPECT_EQ(FindStratiPath(p, 0, 10, 3), 2);
    for (const TPosStrati& u : p.Units) EXPECT_FALSE(u.placed);
}

TEST(StratiLayout, FrameRectanglesHoverZoomAndDrag)
{
    StratiView v;
    StratiFrame f = ComputeStratiFrame(800, 600, 30, 14, v);
    EXPECT_EQ(f.W, 772);
    EXPECT_EQ(f.H, 542);
    EXPECT_EQ(f.X0, 14);
    EXPECT_EQ(f.Y0, 44);
    EXPECT_EQ(ComputeStratiFrame(10, 40, 30, 14, v).W, 1);  // never below 1

    StratiLayout l = CountingLayout();
    LayoutStratiBySize(l, Scale({{0, 100, "Big"}, {0, 50, "A"}, {50, 100, "B"}}));
    PlaceStratiBounds(l, f);
    const TRect b = Unit(l, "B").bounds;
    EXPECT_EQ(b, (TRect{400, 312, 787, 581}));
    EXPECT_EQ(Unit(l, "A").bounds.Bottom - 1, b.Top);  // neighbours share one line
    EXPECT_EQ(l.Units[static_cast<std::size_t>(StratiUnitAt(l, 500, 400))].name, "B");
    EXPECT_EQ(StratiUnitAt(l, 5, 5), -1);
    // A new layout forgets the bounds of the last paint.
    LayoutStratiTree(l, Scale({{2, 10, "X"}}));
    EXPECT_EQ(StratiUnitAt(l, 500, 400), -1);

    StratiZoomOut(v);
    EXPECT_EQ(v.Zoom, 1);
    v.ViewX = 0.2f;
    StratiZoomIn(v);
    StratiZoomIn(v);
    EXPECT_EQ(v.Zoom, 4);
    EXPECT_EQ(ComputeStratiFrame(800, 600, 30, 14, v).W, 1572);
    StratiZoomOut(v);
    EXPECT_EQ(v.Zoom, 2);
    EXPECT_FLOAT_EQ(v.ViewX, 0.2f);
    StratiZoomOut(v);
    EXPECT_FLOAT_EQ(v.ViewX, 0.5f);

    StratiDrag(v, 386, -10000, f);
    EXPECT_FLOAT_EQ(v.ViewX, 0.0f);
    EXPECT_FLOAT_EQ(v.ViewY, 1.0f);
}

TEST(StratiWindow, ChoosesFromTheListOrByAClickAndAsksForAChoice)
{
    TempProgramDir dir;
    OptionsInitialize(dir.path());
    {
        FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
        ScopedUi use(fake);
        TFStrati w;
        w.resize(800, 600);
        w.show();
        ASSERT_TRUE(w.HasBitmap());
        EXPECT_GT(w.ComboBox1->count(), 10);
        EXPECT_EQ(w.ComboBox1->currentIndex(), -1);
        EXPECT_FALSE(w.Layout().Units.empty());

        fake.AnswerMessage(MsgResult::Ok, "Choix");
        w.ToolButton9Click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(fake.Prompts().back().text, kStratiChoiceMessage);

        // Hovering a drawn unit and clicking it chooses its name.
        w.FormPaint();
        const TPosStrati* target = nullptr;
        for (const TPosStrati& u : w.Layout().Units)
            if (!u.bounds.IsEmpty()) target = &u;
        ASSERT_NE(target, nullptr);
        const QPoint p((target->bounds.Left + target->bounds.Right) / 2, (target->bounds.Top + target->bounds.Bottom) / 2);
        w.FormMouseMove(p);
        EXPECT_GE(w.Hovered(), 0);
        w.FormMouseDown(p, true);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.ChosenName(), w.Layout().Units[static_cast<std::size_t>(w.Hovered())].name);

        // In drag mode a press moves the view instead.
        w.show();
        w.ToolDeplClick();
        w.FormPaint();
        w.FormMouseDown(QPoint(400, 300), true);
        w.FormMouseMove(QPoint(300, 300));
        EXPECT_GT(w.View().ViewX, 0.5f);
        EXPECT_TRUE(w.isVisible());
        w.ComboBox1->setCurrentIndex(0);
        w.ToolButton9Click();
        EXPECT_EQ(w.ChosenName(), w.ComboBox1->itemText(0).toStdString());
        EXPECT_TRUE(fake.Verify());
    }
    OptionsRelease();
}
