// The program's stay-on-top windows: owned by the main window, never in the
// window manager's "above" state (which would hold them over other programs'
// windows), and held under a modal window for the time it is shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>
#include <vector>

#include "drawing/windows/image_window.h"
#include "platform/windows/help_window.h"
#include "platform/windows/modal_stacking.h"
#include "platform/windows/progress_window.h"
#include "temp_dir.h"

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(ModalStacking, TheStayOnTopWindowsAreOwnedByTheMainWindowAndNeverAboveOtherPrograms)
{
    KeepModalsAboveStayOnTop();
    TempDir dir;
    QWidget main;
    main.show();
    auto* help = new TFHelp(&main, dir.path());
    const struct {
        const char* name;
        QWidget* window;
    } windows[] = {
        {"help box", help},
        {"topics", new TFRubriques(help, &main)},
        {"progress", new TFProgress(&main)},
        {"picture", new TFImage(&main)},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        w.window->show();
        Settle();
        EXPECT_TRUE(StaysOnTopOfProgram(w.window));
        EXPECT_FALSE(w.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        ASSERT_TRUE(w.window->windowHandle());
        EXPECT_FALSE(w.window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(w.window->windowHandle()->transientParent(), main.windowHandle());
    }
    EXPECT_FALSE(StaysOnTopOfProgram(&main));
}

TEST(ModalStacking, StayOnTopWindowsGoUnderModalWindowsUntilTheLastCloses)
{
    KeepModalsAboveStayOnTop();
    QWidget main;
    main.show();
    QWidget onTop(&main, Qt::Tool), ordinary(&main, Qt::Window);
    KeepOnTopOfProgram(&onTop);
    for (QWidget* w : {&onTop, &ordinary}) {
        w->resize(100, 100);
        w->show();
    }
    Settle();
    EXPECT_FALSE(StayOnTopSuspended(&onTop));

    QDialog first(&main);
    QDialog second(&first);
    first.open();
    Settle();
    EXPECT_TRUE(StayOnTopSuspended(&onTop));
    EXPECT_FALSE(StayOnTopSuspended(&ordinary));
    EXPECT_FALSE(StayOnTopSuspended(&first));
    EXPECT_TRUE(onTop.isVisible());

    // A box over the dialog, closed: the dialog still blocks.
    second.open();
    Settle();
    second.close();
    Settle();
    EXPECT_TRUE(StayOnTopSuspended(&onTop));

    first.close();
    Settle();
    EXPECT_FALSE(StayOnTopSuspended(&onTop));
    EXPECT_TRUE(onTop.isVisible());

    // One first shown while a modal window is up goes under it from its
    // first showing.
    QWidget late(&main, Qt::Tool);
    KeepOnTopOfProgram(&late);
    first.open();
    Settle();
    late.show();
    Settle();
    EXPECT_TRUE(StayOnTopSuspended(&late));
    first.close();
    Settle();
    EXPECT_FALSE(StayOnTopSuspended(&late));
}

// What the watcher raises, given the program's windows from the bottom of
// the window manager's order to its top (O ordinary, T stay-on-top, M modal).
TEST(ModalStacking, WindowsToRaiseKeepTheStayOnTopOnesOverOrdinaryWindowsAndUnderModalOnes)
{
    const struct {
        const char* order;
        std::vector<std::size_t> raised;
    } rows[] = {
        {"", {}},
        {"OOT", {}},
        {"OOTT", {}},
        {"OTOT", {1, 3}},  // one under an ordinary window: all go up, the lower first, keeping their order
        {"TO", {0}},  // a click in the main window raised it over the help box
        {"TTO", {0, 1}},
        {"OTTO", {1, 2}},
        {"OTM", {}},  // under the dialog, over the main window
        {"TOM", {0, 2}},  // the main window went over the help box: it is raised, then the dialog
        {"OMT", {1}},  // a help box over the dialog: the dialog goes up again
        {"OTMM", {}},
        {"OMTM", {1, 3}},  // over a dialog under another one: both dialogs go up, in their order
        {"TMOM", {0, 1, 3}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.order);
        std::vector<StackRole> roles;
        for (const char* c = row.order; *c; ++c)
            roles.push_back(*c == 'T' ? StackRole::OnTop : *c == 'M' ? StackRole::Modal : StackRole::Ordinary);
        EXPECT_EQ(WindowsToRaise(roles), row.raised);
    }
}

// What the program may do without moving another program's window among its
// own, given the whole stacking from the bottom (O the program's windows, T
// its stay-on-top ones, x another program's).
TEST(ModalStacking, OtherProgramsWindowsKeepTheirPlacesAmongTheProgramsWindows)
{
    const struct {
        const char* order;
        bool raise, lower;
    } rows[] = {
        {"", false, true},
        {"OOT", true, true},
        {"OOTx", false, true},  // another program's window above them all: it keeps covering them
        {"xOOT", true, false},  // a lowering would go under the window lying lowest
        {"OxOT", true, false},
        {"OTxO", true, false},
        {"OOxT", false, false},  // another program's window covers the ordinary ones: no stay-on-top over it
        {"OOTxT", false, false},
        {"x", false, true},
        {"T", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.order);
        std::vector<StackPlace> places;
        for (const char* c = row.order; *c; ++c)
            places.push_back(*c == 'T' ? StackPlace::OwnOnTop : *c == 'x' ? StackPlace::Other : StackPlace::Own);
        EXPECT_EQ(LeewayOf(places), (StackingLeeway{row.raise, row.lower}));
    }
}

// Whether a raise passes over another program's window, given the whole
// stacking from the bottom (as above) and the places of the windows raised.
TEST(ModalStacking, ARaisePassesOverNoWindowOfAnotherProgram)
{
    const struct {
        const char* order;
        std::vector<std::size_t> raised;
        bool allowed;
    } rows[] = {
        {"OTO", {1}, true},
        {"xOTO", {2}, true},  // the other program's window lies under them all
        {"OTxO", {1}, false},  // clicked over the main window, then the log window clicked: the help box stays under it
        {"OTOx", {1}, false},
        {"xOTOM", {2, 1}, true},  // a modal window raised with its owner, the main window
        {"OxTOM", {2, 0}, false},  // ...which would pass over the window that covers it
        {"OTO", {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.order);
        std::vector<StackPlace> places;
        for (const char* c = row.order; *c; ++c)
            places.push_back(*c == 'T' ? StackPlace::OwnOnTop : *c == 'x' ? StackPlace::Other : StackPlace::Own);
        EXPECT_EQ(RaisePassesNoOther(places, row.raised), row.allowed);
    }
}

}  // namespace
