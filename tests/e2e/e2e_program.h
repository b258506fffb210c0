// The program as its users drive it: started in-process exactly as `main`
// starts it, headless, and acted on only through keys, clicks, menus and
// prompts.
//
// How to use it:
//   class MyE2e : public E2eTest {};
//   TEST_F(MyE2e, SomethingAPersonDoes)
//   {
//       Start();                                   // every window of the start-up order
//       TFChild& c = OpenSample();                 // "Fichier" > "Ouvrir..." on the sample
//       ClickRow(c, c.FindRow("PZ-MULTI", "PZ-MULTI"));
//       WhenShown([] { return FTableur && FTableur->isVisible(); }, [&] {
//           ...keys and clicks in the spreadsheet...
//       });
//       Menu({"O&uvrage", "Niveau"});              // blocks while the editor is shown
//       Ui().AnswerFile(SavePath("copie.crx"));     // the next prompt's answer
//       Menu({"&Fichier", "Enregistrer &sous..."});
//       auto saved = ReadCrx(SavePath("copie.crx"));
//   }
//
// - The program folder is a temporary copy of the build's program folder
//   (settings, coding library, data, the sample collection in Exemples/).
// - Every prompt goes to the scripted fake (Ui()): script the answers before
//   the action; an unscripted prompt, an exception box included, fails the
//   test and is answered as cancelled.
// - A modal window blocks the action that opened it: WhenShown schedules what
//   to do inside it before the action runs.
// - Menu captions are matched with or without their "&".
#pragma once

#include <QPoint>
#include <QString>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "drawing/bandeau.h"
#include "platform/fake_ui_services.h"
#include "scoped_global.h"

class QAbstractItemView;
class QAction;
class QMenu;
class QWidget;
class ProgramSession;
class TDirBlock;
class TFChild;
class TFMain;

class E2eTest : public ::testing::Test {
protected:
    E2eTest();
    ~E2eTest() override;
    void TearDown() override;

    // ---- the program ----
    // Starts the program on the temporary folder, with a file named on the
    // command line when given.
    void Start(const std::string& commandLine = {});
    // Ends it as the user would: "Fichier" > "Quitter" (script the save
    // questions first), then the windows and the units go.
    void Quit();
    ProgramSession& Session();
    TFMain& Main();
    QWidget* Window(const std::string& className);
    FakeUiServices& Ui() { return fake_; }
    const std::filesystem::path& Folder() const;
    // Runs the program on another test's program folder instead of its own
    // copy (a program started in a child process on the parent's folder).
    void UseFolder(const std::filesystem::path& folder);
    // The sample collection's copy in the temporary program folder.
    std::filesystem::path SamplePath() const;
    // A path in the temporary folder (for saving).
    std::filesystem::path SavePath(const std::string& name) const;
    // Reads a saved collection back through the store.
    static std::unique_ptr<TDirBlock> ReadCrx(const std::filesystem::path& file);

    // ---- collections ----
    // "Fichier" > "Ouvrir..." answered with the file; the collection window.
    TFChild& Open(const std::filesystem::path& file);
    TFChild& OpenSample() { return Open(SamplePath()); }
    // A click on a line of the collection window's list (0-based data row).
    void ClickRow(TFChild& child, int row, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // ---- menus ----
    // The item reached by its captions from a window's menu bar (nullptr when
    // none).
    static QAction* FindMenuItem(QWidget* window, const std::vector<std::string>& path);
    // Opens the menus through the menu bar with the mouse and clicks the item;
    // false when an item is missing, disabled or the menu did not open.
    bool MenuOf(QWidget* window, const std::vector<std::string>& path);
    bool Menu(const std::vector<std::string>& path);
    // Opens the menus of the main window like Menu and leaves the mouse over
    // the last item without clicking it (its menu stays open); false when an
    // item is missing or the menu did not open.
    bool HoverMenu(const std::vector<std::string>& path);
    // Closes the pop-up menus left open.
    static void CloseMenus();
    // Chooses, by a click, the item of that caption in the next pop-up menu
    // that shows (a context menu run modally).
    void WhenPopup(const std::string& caption);

    // ---- keys and clicks ----
    static void Key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void Type(QWidget* widget, const std::string& text);
    // Keys to whatever has the keyboard focus.
    static void KeyToFocus(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void TypeToFocus(const std::string& text);
    static void Click(QWidget* widget, QPoint at = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void DoubleClick(QWidget* widget, QPoint at);
    // The mouse moved over a widget (its centre by default) without a click.
    static void Hover(QWidget* widget, QPoint at = QPoint(-1, -1));
    // A click in a cell of an item view (its viewport).
    static void ClickCell(QAbstractItemView* view, int row, int col, Qt::MouseButton button = Qt::LeftButton,
                          Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void DoubleClickCell(QAbstractItemView* view, int row, int col);
    // Lets pending events run.
    static void Settle(int ms = 0);

    // ---- modal windows ----
    // Runs `act` once `shown` answers true (polled while the action that
    // shows a modal window blocks). When the modal window is still open after
    // `act`, the test fails and it is closed. Returns the action's number
    // for ShownRan and CancelShown. An action may run after the caller
    // returned: what it writes to must outlive the caller (shared state or
    // copies, never the caller's locals by reference).
    std::size_t WhenShown(std::function<bool()> shown, std::function<void()> act);
    // Whether the action numbered `id` has run (or is on its way to run).
    bool ShownRan(std::size_t id) const;
    // Drops the action numbered `id` when it has not run: a window that never
    // opened must not hand its action to a later window. The caller reports
    // the failure; a cancelled action no longer counts for AllShownRan.
    void CancelShown(std::size_t id);
    // Whether every scheduled WhenShown ran (checked at tear-down too).
    bool AllShownRan() const;

    // The prompts recorded so far, as "title: text" lines (for messages).
    std::vector<std::string> PromptLines() const;

private:
    bool WalkMenu(QWidget* window, const std::vector<std::string>& path, bool clickLast);
    // The program loads the title block at start; put back for the next test
    // (declared first, restored after the program has gone).
    ScopedGlobal<std::vector<TBandeauObjet>> titleBlock_{BandeauObjets};
    ScopedGlobal<bool> titleBlockChanged_{BandeauModifie};
    struct Impl;
    std::unique_ptr<Impl> d_;
    FakeUiServices fake_;
};

// The visible text of a caption: without "&".
QString PlainCaption(const QString& caption);
