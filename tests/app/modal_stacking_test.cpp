// The program's stay-on-top windows go under a modal window for the time it
// is shown and back on top when the last one closes; windows that are not
// on top, and tool tips, are left alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>

#include "platform/windows/modal_stacking.h"

namespace {

bool OnTop(const QWidget& w) { return w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }

void Settle()
{
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(ModalStacking, StayOnTopWindowsGoUnderModalWindowsUntilTheLastCloses)
{
    KeepModalsAboveStayOnTop();
    struct Case {
        const char* name;
        Qt::WindowFlags flags;
        bool suspended;  // while a modal window is shown
    };
    const Case cases[] = {
        {"help box", Qt::Tool | Qt::WindowStaysOnTopHint, true},
        {"topics", Qt::Window | Qt::WindowStaysOnTopHint, true},
        {"ordinary window", Qt::Window, false},
        {"tool tip", Qt::ToolTip | Qt::WindowStaysOnTopHint, false},
    };
    QWidget main;
    main.show();
    std::vector<std::unique_ptr<QWidget>> windows;
    for (const Case& c : cases) {
        windows.push_back(std::make_unique<QWidget>(&main, c.flags));
        windows.back()->resize(100, 100);
        windows.back()->show();
    }
    Settle();

    QDialog first(&main);
    QDialog second(&first);
    first.open();
    Settle();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const QWidget& w = *windows[i];
        EXPECT_EQ(StayOnTopSuspended(&w), cases[i].suspended);
        EXPECT_EQ(OnTop(w), cases[i].flags.testFlag(Qt::WindowStaysOnTopHint) && !cases[i].suspended);
        // Shown all along, and still declared as staying on top.
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), cases[i].flags.testFlag(Qt::WindowStaysOnTopHint));
    }
    EXPECT_TRUE(OnTop(main) == false && !StayOnTopSuspended(&first));

    // A box over the dialog, closed: the dialog still blocks, nothing moves.
    second.open();
    Settle();
    second.close();
    Settle();
    EXPECT_TRUE(StayOnTopSuspended(windows[0].get()));
    EXPECT_FALSE(OnTop(*windows[0]));

    first.close();
    Settle();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_FALSE(StayOnTopSuspended(windows[i].get()));
        EXPECT_EQ(OnTop(*windows[i]), cases[i].flags.testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(windows[i]->isVisible());
    }

    // A stay-on-top window first shown while a modal window is up goes
    // under it from its first showing.
    QWidget late(&main, Qt::Tool | Qt::WindowStaysOnTopHint);
    first.open();
    Settle();
    late.show();
    Settle();
    EXPECT_TRUE(StayOnTopSuspended(&late));
    EXPECT_FALSE(OnTop(late));
    first.close();
    Settle();
    EXPECT_TRUE(OnTop(late));
}

}  // namespace
