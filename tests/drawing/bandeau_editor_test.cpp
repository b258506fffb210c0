// The title-block editor's mouse rules, text settings and closing questions.
#include <gtest/gtest.h>

#include "drawing/bandeau_editor.h"
#include "platform/fake_ui_services.h"
#include "scoped_global.h"
#include "store/options.h"

namespace {

TBandeauObjet Text(int x1, int y1, int x2, int y2, int size, const char* text = "T", std::uint8_t align = 1)
{
    TBandeauObjet o;
    o.x1 = x1, o.y1 = y1, o.x2 = x2, o.y2 = y2, o.Size = size, o.Text = text, o.Align = align;
    return o;
}

class BandeauEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BandeauObjets = {Text(0, 0, 10, 10, 10), Text(20, 0, 30, 10, 15), Text(50, 30, 60, 40, 20)};
        BandeauModifie = false;
        editor.emplace();
        // 600 x 400 pixels: 10 pixels per unit both ways.
        editor->SetBandRect(TRect{0, 0, 600, 400});
        editor->TakeCopy();
        fake.SetFailureReporter([](const std::string& m) { ADD_FAILURE() << m; });
    }
    // Band units to pixels of this band.
    void Down(int x, int y, bool ctrl = false) { editor->MouseDown(x * 10, y * 10, ctrl); }
    void Move(int x, int y) { editor->MouseMove(x * 10, y * 10); }
    // The band's globals, put back after each test.
    ScopedGlobal<std::int32_t> size_{OptTailleBandeau, 10};  // 40 units down
    ScopedGlobal<decltype(BandeauObjets)> objects_{BandeauObjets};
    ScopedGlobal<decltype(BandeauModifie)> modified_{BandeauModifie};
    std::optional<BandeauEditor> editor;
    FakeUiServices fake;
};

}  // namespace

TEST_F(BandeauEditorTest, ScaleBetweenPixelsAndUnits)
{
    EXPECT_EQ(editor->ToPixels(30, 20), (TPoint{300, 200}));
    EXPECT_EQ(editor->ToUnits(305, 195), (TPoint{30, 20}));  // 30.5 and 19.5 go to the even neighbour
    editor->MouseMove(-50, 9999);
    EXPECT_EQ(editor->Current(), (TPoint{0, 40}));
    EXPECT_EQ(editor->StatusText(), "Coordonn\xC3\xA9" "es (0,40)");
}

TEST_F(BandeauEditorTest, ClickSelectsNearestAndDragMovesPastTheEdge)
{
    Down(58, 2);
    editor->MouseUp(false);
    EXPECT_EQ(editor->Selection(), (std::vector<std::size_t>{1}));  // centre (25, 5) is nearest
    editor->SetMode(BandeauMode::Texte);
    Down(25, 5);
    EXPECT_EQ(editor->Gesture(), BandeauGesture::Moving);
    Move(60, 0);
    editor->MouseUp(false);
    EXPECT_EQ(BandeauObjets[1].x1, 55);
    EXPECT_EQ(BandeauObjets[1].x2, 65);  // beyond the band, kept there

    // A rectangle in "Sélection" mode toggles what it meets; Ctrl adds.
    editor->SetMode(BandeauMode::Selection);
    Down(0, 0);
    Move(5, 5);
    editor->MouseUp(true);
    EXPECT_EQ(editor->Selection(), (std::vector<std::size_t>{1, 0}));
    editor->DeleteSelected();
    ASSERT_EQ(BandeauObjets.size(), 1u);
    EXPECT_EQ(BandeauObjets[0].Size, 20);
    EXPECT_TRUE(editor->Selection().empty());
}

TEST_F(BandeauEditorTest, DrawingTextsAndLines)
{
    editor->SetMode(BandeauMode::Texte);
    editor->EditText = "%Indice%";
    editor->SpinH = 12;
    editor->AlignChoice = 2;
    Down(40, 20);
    Move(45, 20);  // ends on the start's row: nothing
    editor->MouseUp(false);
    EXPECT_EQ(BandeauObjets.size(), 3u);
    Down(45, 25);
    Move(40, 20);
    editor->MouseUp(false);
    ASSERT_EQ(BandeauObjets.size(), 4u);
    TBandeauObjet expected = Text(40, 20, 45, 25, 12, "%Indice%", 2);
    expected.Selected = 1;
    EXPECT_EQ(BandeauObjets[3], expected);
    EXPECT_EQ(editor->Selection(), (std::vector<std::size_t>{3}));

    // A line drawn from bottom-left to top-right keeps its direction.
    editor->SetMode(BandeauMode::Ligne);
    Down(10, 30);
    Move(20, 25);
    editor->MouseUp(false);
    ASSERT_EQ(BandeauObjets.size(), 5u);
    const TBandeauObjet& line = BandeauObjets[4];
    EXPECT_EQ((std::vector<int>{line.x1, line.y1, line.x2, line.y2, line.Size, line.Align}),
              (std::vector<int>{10, 30, 20, 25, -1, 0}));
    // ... and is hit within its bounding box.
    editor->ClearSelection();
    Down(15, 27);
    editor->MouseUp(false);
    EXPECT_EQ(editor->Selection(), (std::vector<std::size_t>{4}));
}

TEST_F(BandeauEditorTest, SelectionSummaryAndSettings)
{
    editor->Toggle(0);
    editor->Toggle(1);
    const BandeauSelectionSummary s = editor->SelectionSummary();
    EXPECT_TRUE(s.AnyText);
    EXPECT_EQ(s.Size, 12);  // 12.5 to the even neighbour
    EXPECT_EQ(s.Align, 1);
    EXPECT_EQ(BandeauObjets[0].Size, 10);  // showing the average changes nothing
    EXPECT_TRUE(editor->ApplyAlign(3));
    EXPECT_TRUE(editor->ApplyText("x"));
    EXPECT_EQ(BandeauObjets[1].Text, "x");
    EXPECT_EQ(BandeauObjets[2].Align, 1);
}

TEST_F(BandeauEditorTest, ClosingAsksAndNoPutsEverythingBack)
{
    ScopedUi use(fake);
    EXPECT_TRUE(editor->CloseQuery(true));  // nothing changed: no question
    editor->Toggle(2);
    editor->DeleteSelected();
    editor->SetTaille(20);
    EXPECT_EQ(OptTailleBandeau, 20);
    fake.AnswerMessage(MsgResult::Cancel, "Bandeau").AnswerMessage(MsgResult::No, "Bandeau");
    EXPECT_FALSE(editor->CloseQuery(true));
    EXPECT_TRUE(editor->CloseQuery(true));
    EXPECT_EQ(BandeauObjets.size(), 3u);
    EXPECT_EQ(OptTailleBandeau, 10);
    EXPECT_FALSE(BandeauModifie);
    EXPECT_EQ(fake.Prompts()[0].text, "Voulez-vous enregistrer les modifications ?");

    // The caption button accepts without a question and marks for saving.
    editor->Toggle(0);
    editor->DeleteSelected();
    editor->Accept();
    EXPECT_TRUE(editor->CloseQuery(false));
    EXPECT_TRUE(BandeauModifie);
    EXPECT_TRUE(fake.Verify());
}

TEST_F(BandeauEditorTest, RubberBandSelectsTheStraightLinesItCrosses)
{
    // A horizontal and a vertical line, whose rectangles have no height or
    // no width, and a text off the band's path.
    BandeauObjets = {Text(0, 20, 30, 20, 0, ""), Text(40, 0, 40, 30, 0, ""), Text(50, 30, 60, 40, 20)};
    Down(10, 15);
    Move(45, 25);
    editor->MouseUp(false);
    EXPECT_EQ(editor->Selection(), (std::vector<std::size_t>{0, 1}));
    // A band that stops short of both lines selects neither of them.
    Down(10, 21);
    Move(39, 25);
    editor->MouseUp(false);
    EXPECT_EQ(editor->Selection(), (std::vector<std::size_t>{0}));  // the plain-click rule: nearest centre
}
