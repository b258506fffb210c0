// The log window's controls and events: the spins with "Ajuster", the keys of
// the tube list, Escape, clicks and moves on the drawing area, and its
// placement against the right edge of the desk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSpinBox>
#include <QToolButton>

#include <string>
#include <utility>
#include <vector>

#include "drawing/hit_maps.h"
#include "drawing/windows/log_window.h"
#include "sample_boreholes.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class LogWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        BuildShallowWell(root_, "PZ1");
        window_ = std::make_unique<TFCoupe>();
        window_->DeskArea = [] { return TRect{4, 4, 1276, 1020}; };
        window_->RunTableCommand = [this](const std::string& name, int row) { commands_.emplace_back(name, row); };
        window_->FocusMainWindow = [this] { ++focusMain_; };
        window_->SetBorehole(&root_, "PZ1", "PZ1");
        window_->SetTubes({"CUVELAGE"}, 0);
        window_->show();
        window_->Area->resize(400, 560);
        window_->View.Resize(400, 560);
        window_->View.RebuildIfNeeded();
    }
    void TearDown() override
    {
        window_.reset();
        ResetZonesCoupe();
        OptionsRelease();
    }
    void Key(QWidget* target, int key, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }
    void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button)
    {
        QMouseEvent e(type, QPointF(p), window_->Area->mapToGlobal(QPointF(p)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(window_->Area, &e);
    }

    TempProgramDir program_;
    TDirBlock root_{"Carotix"};
    std::unique_ptr<TFCoupe> window_;
    std::vector<std::pair<std::string, int>> commands_;
    int focusMain_ = 0;
};

TEST_F(LogWindowTest, CaptionTubeAndSpinsWithAjuster)
{
    EXPECT_EQ(window_->windowTitle(), QString::fromUtf8("Coupe(s) technique et lithologique"));
    EXPECT_EQ(window_->View.NomTube, "CUVELAGE");
    EXPECT_TRUE(window_->CAjuster->isChecked());
    window_->View.Increment = 10;
    window_->SpinDe->setValue(10);  // applied at once with "Ajuster"
    EXPECT_EQ(window_->View.SpinDe, 10);
    EXPECT_EQ(window_->SpinA->value(), 20);
    window_->CAjuster->setChecked(false);
    window_->SpinA->setValue(5);  // without it, the rules apply when the spin is left
    EXPECT_EQ(window_->View.SpinDe, 10);
    window_->SpinAExit();
    EXPECT_EQ(window_->SpinA->value(), 10);  // the end does not stay above the start
    EXPECT_EQ(window_->View.SpinA, 10);
}

TEST_F(LogWindowTest, KeysOfTheTubeListZoomScrollAndEscape)
{
    Key(window_->CTubes, Qt::Key_Plus, QStringLiteral("+"));
    EXPECT_EQ(window_->View.Zoom, 2);
    Key(window_->CTubes, Qt::Key_Right);
    EXPECT_NEAR(window_->View.ScrollX, 0.5 + 0.25 / std::sqrt(2.0), 1e-12);
    Key(window_->CTubes, Qt::Key_Up);
    EXPECT_NEAR(window_->View.ScrollY, 0.5 - 0.25 / std::sqrt(2.0), 1e-12);
    Key(window_->CTubes, Qt::Key_Minus, QStringLiteral("-"));
    EXPECT_EQ(window_->View.Zoom, 1);
    EXPECT_DOUBLE_EQ(window_->View.ScrollX, 0.5);
    Key(window_->CTubes, Qt::Key_Escape);
    EXPECT_EQ(focusMain_, 1);
    Key(window_.get(), Qt::Key_Escape);
    EXPECT_EQ(focusMain_, 2);
}

TEST_F(LogWindowTest, MouseOnTheDrawingAreaHoversClicksAndSelects)
{
    const TZoneRect* level = nullptr;
    for (const TZoneRect& z : ZonesNiveaux)
        if (z.Rect.Height() > 2) {
            level = &z;
            break;
        }
    ASSERT_NE(level, nullptr);
    const int row = level->Row;
    const QPoint c((level->Rect.Left + level->Rect.Right) / 2, (level->Rect.Top + level->Rect.Bottom) / 2);
    Mouse(QEvent::MouseMove, c, Qt::NoButton);
    EXPECT_EQ(window_->View.Survol.Name, "Niveau");
    Mouse(QEvent::MouseButtonPress, c, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, c, Qt::LeftButton);
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0], std::make_pair(std::string("Niveau"), row + 1));

    window_->ToolSel->click();
    EXPECT_TRUE(window_->View.ToolSel);
    Mouse(QEvent::MouseButtonPress, c, Qt::LeftButton);
    EXPECT_EQ(root_.GetPathInt("PZ1\\Niveau\\S\xC3\xA9lection", row), 1);
    EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(LogWindowTest, PlacedAgainstTheRightEdgeOfTheDesk)
{
    // Client width [D / sqrt 2] for the height left below the tool bar.
    const TRect place = TFCoupe::PlaceOnDesk(TRect{4, 4, 1276, 1020}, 10, 30, 26);
    EXPECT_EQ(place.Right, 1276);
    EXPECT_EQ(place.Top, 4);
    EXPECT_EQ(place.Bottom, 1020);
    EXPECT_EQ(place.Width(), 10 + 679);  // D = 1016 - 30 - 26 = 960; 960 / sqrt 2 = 678.8
    const QRect f = window_->frameGeometry();
    EXPECT_EQ(f.left() + f.width(), 1276);
    EXPECT_EQ(f.top(), 4);
}

}  // namespace
