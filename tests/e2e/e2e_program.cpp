#include "e2e_program.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <chrono>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The executable itself is not needed: the program runs in this process.
void CopyProgramFolder(const fs::path& from, const fs::path& to)
{
    for (const fs::directory_entry& e : fs::directory_iterator(from)) {
        if (e.path().filename() == "carotix") continue;
        fs::copy(e.path(), to / e.path().filename(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
}

bool SameCaption(const QString& a, const std::string& b)
{
    return PlainCaption(a) == PlainCaption(QString::fromStdString(b));
}

QAction* ItemIn(const QList<QAction*>& actions, const std::string& caption)
{
    for (QAction* a : actions)
        if (!a->isSeparator() && SameCaption(a->text(), caption)) return a;
    return nullptr;
}

void CloseOpenMenus()
{
    for (int i = 0; i < 10; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) break;
        popup->close();
    }
    QApplication::processEvents();
}

}  // namespace

QString PlainCaption(const QString& caption)
{
    QString t = caption;
    t.remove(QLatin1Char('&'));
    return t;
}

struct E2eTest::Impl {
    TempDir folder;
    fs::path shared;  // another test's folder, when given
    std::unique_ptr<ScopedUi> useUi;
    std::unique_ptr<ProgramSession> session;
    struct Pending {
        std::function<bool()> shown;
        std::function<void()> act;
        bool ran = false;
        bool cancelled = false;
    };
    std::vector<std::shared_ptr<Pending>> pending;
    QTimer poll;
};

E2eTest::E2eTest()
    : d_(std::make_unique<Impl>()), fake_([](const std::string& m) { ADD_FAILURE() << "prompt: " << m; })
{
    // An unexpected prompt (an exception box among them) fails the test and
    // is answered as cancelled: the program goes on as it would for a user.
    fake_.SetThrowOnUnexpected(false);
    CopyProgramFolder(CAROTIX_PROGRAM_DIR, d_->folder.path());
    d_->useUi = std::make_unique<ScopedUi>(fake_);
    d_->poll.setInterval(5);
    QObject::connect(&d_->poll, &QTimer::timeout, [this] {
        for (const std::shared_ptr<Impl::Pending>& p : d_->pending) {
            if (p->ran || p->cancelled || !p->shown()) continue;
            p->ran = true;
            // The action runs from a timer of its own: Qt fires no timer again
            // while its handler runs, and an action that opens another modal
            // window needs this one to answer it.
            QTimer::singleShot(0, &d_->poll, [p] {
                // A pop-up menu shown inside a modal window is what the action
                // is for: the pop-up must close, the window may stay.
                QWidget* popup = QApplication::activePopupWidget();
                QWidget* modal = popup ? nullptr : QApplication::activeModalWidget();
                p->act();
                if (popup && popup->isVisible()) {
                    ADD_FAILURE() << "the pop-up " << popup->metaObject()->className() << " stayed open";
                    popup->close();
                }
                if (modal && modal->isVisible() && modal == QApplication::activeModalWidget()) {
                    ADD_FAILURE() << "the modal window " << modal->metaObject()->className() << " stayed open";
                    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
                    else modal->close();
                }
            });
            break;
        }
    });
}

E2eTest::~E2eTest() = default;

void E2eTest::TearDown()
{
    d_->poll.stop();
    EXPECT_TRUE(AllShownRan()) << "a scheduled action inside a window never ran";
    CloseOpenMenus();
    if (d_->session) EndProgramSession(std::move(d_->session));
    if (OptionsInitialized()) OptionsRelease();
    EXPECT_EQ(fake_.PendingAnswers(), 0u) << "scripted answers left unused";
    d_->useUi.reset();
}

void E2eTest::Start(const std::string& commandLine)
{
    ASSERT_FALSE(d_->session);
    StartupLog().clear();
    d_->session = StartProgram(Folder(), commandLine);
    ASSERT_TRUE(d_->session) << "the program did not start";
    Settle();
}

void E2eTest::Quit()
{
    ASSERT_TRUE(d_->session);
    EXPECT_TRUE(Menu({"&Fichier", "&Quitter"}));
    Settle();
    EndProgramSession(std::move(d_->session));
}

ProgramSession& E2eTest::Session() { return *d_->session; }
TFMain& E2eTest::Main() { return *d_->session->Main(); }
QWidget* E2eTest::Window(const std::string& className) { return d_->session->Window(className); }
const fs::path& E2eTest::Folder() const { return d_->shared.empty() ? d_->folder.path() : d_->shared; }
void E2eTest::UseFolder(const fs::path& folder)
{
    // Its own copy is not needed: removed at once (a killed child would
    // leave it behind).
    d_->shared = folder;
    std::error_code ec;
    fs::remove_all(d_->folder.path(), ec);
}
fs::path E2eTest::SamplePath() const { return Folder() / "Exemples" / "exemple.crx"; }
fs::path E2eTest::SavePath(const std::string& name) const { return Folder() / fs::u8path(name); }

std::unique_ptr<TDirBlock> E2eTest::ReadCrx(const fs::path& file)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->LoadFromFile(file.string());
    return root;
}

TFChild& E2eTest::Open(const fs::path& file)
{
    const std::size_t before = Main().Children().size();
    fake_.AnswerFiles({file.string()});
    EXPECT_TRUE(Menu({"&Fichier", "Ou&vrir..."}));
    Settle();
    EXPECT_EQ(Main().Children().size(), before + 1) << "the collection did not open";
    TFChild* child = Main().ActiveChild();
    if (!child) throw std::runtime_error("no collection window");
    return *child;
}

void E2eTest::ClickRow(TFChild& child, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const int line = child.GridRowOfRow(row);
    ASSERT_GE(line, 1) << "row " << row << " is not shown";
    child.StringGrid->scrollTo(child.StringGrid->model()->index(line - 1, 0));
    ClickCell(child.StringGrid, line - 1, 0, button, modifiers);
}

// ---- menus ------------------------------------------------------------------

QAction* E2eTest::FindMenuItem(QWidget* window, const std::vector<std::string>& path)
{
    if (!window || path.empty()) return nullptr;
    QMenuBar* bar = nullptr;
    if (auto* mw = qobject_cast<QMainWindow*>(window)) bar = mw->menuBar();
    if (!bar) bar = window->findChild<QMenuBar*>();
    if (!bar) return nullptr;
    QAction* a = ItemIn(bar->actions(), path[0]);
    for (std::size_t i = 1; a && i < path.size(); ++i) a = a->menu() ? ItemIn(a->menu()->actions(), path[i]) : nullptr;
    return a;
}

bool E2eTest::Menu(const std::vector<std::string>& path) { return MenuOf(&Main(), path); }

bool E2eTest::HoverMenu(const std::vector<std::string>& path) { return WalkMenu(&Main(), path, false); }

void E2eTest::CloseMenus() { CloseOpenMenus(); }

bool E2eTest::MenuOf(QWidget* window, const std::vector<std::string>& path) { return WalkMenu(window, path, true); }

bool E2eTest::WalkMenu(QWidget* window, const std::vector<std::string>& path, bool clickLast)
{
    QMenuBar* bar = nullptr;
    if (auto* mw = qobject_cast<QMainWindow*>(window)) bar = mw->menuBar();
    if (!bar) bar = window->findChild<QMenuBar*>();
    if (!bar || path.size() < 2) return false;
    QAction* top = ItemIn(bar->actions(), path[0]);
    // A narrow main window shows its last menus on a second row.
    for (QMenuBar* other : window->findChildren<QMenuBar*>())
        if (!top && other->isVisible() && (top = ItemIn(other->actions(), path[0]))) bar = other;
    if (!top || !top->menu() || !top->isEnabled() || !top->isVisible()) return false;
    QMenu* menu = top->menu();
    // A menu the bar has no room for hides behind its extension button: the
    // person widens the window first.
    if (bar->actionAt(bar->actionGeometry(top).center()) != top || bar->width() < bar->sizeHint().width()) {
        window->window()->resize(std::max(window->window()->width(), bar->sizeHint().width() + 40),
                                 window->window()->height());
        Settle();
    }
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(top).center());
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000)) return false;
    for (std::size_t i = 1; i < path.size(); ++i) {
        QAction* item = ItemIn(menu->actions(), path[i]);
        if (!item || !item->isEnabled() || !item->isVisible()) {
            CloseMenus();
            return false;
        }
        const QPoint at = menu->actionGeometry(item).center();
        if (item->menu()) {
            if (i + 1 == path.size()) {
                CloseMenus();
                return false;
            }
            QTest::mouseMove(menu, at);
            QTest::mousePress(menu, Qt::LeftButton, Qt::NoModifier, at);
            QMenu* sub = item->menu();
            if (!QTest::qWaitFor([sub] { return sub->isVisible(); }, 2000)) {
                CloseMenus();
                return false;
            }
            QTest::mouseRelease(menu, Qt::LeftButton, Qt::NoModifier, at);
            menu = sub;
            continue;
        }
        QTest::mouseMove(menu, at);
        if (clickLast) QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
    }
    Settle();
    return true;
}

void E2eTest::WhenPopup(const std::string& caption)
{
    WhenShown(
        [caption] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->isVisible() && ItemIn(menu->actions(), caption);
        },
        [caption] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QAction* item = ItemIn(menu->actions(), caption);
            const QPoint at = menu->actionGeometry(item).center();
            QTest::mouseMove(menu, at);
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
        });
}

// ---- keys and clicks -----------------------------------------------------------

void E2eTest::Key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
}

void E2eTest::Type(QWidget* widget, const std::string& text)
{
    QTest::keyClicks(widget, QString::fromStdString(text));
}

void E2eTest::KeyToFocus(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus) << "nothing has the keyboard focus";
    Key(focus, key, modifiers);
}

void E2eTest::TypeToFocus(const std::string& text)
{
    // Each key goes where the focus is then: the first one may open an editor.
    for (const QChar c : QString::fromStdString(text)) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus) << "nothing has the keyboard focus";
        QTest::keyClicks(focus, QString(c));
    }
}

void E2eTest::Click(QWidget* widget, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (at == QPoint(-1, -1)) at = widget->rect().center();
    QTest::mouseClick(widget, button, modifiers, at);
    // A right button also asks for the context menu, as the window system does.
    if (button == Qt::RightButton) {
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at), modifiers);
        QApplication::sendEvent(widget, &menu);
    }
    Settle();
}

void E2eTest::Hover(QWidget* widget, QPoint at)
{
    QTest::mouseMove(widget, at.x() < 0 ? widget->rect().center() : at);
    Settle();
}

void E2eTest::DoubleClick(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    Settle();
}

void E2eTest::ClickCell(QAbstractItemView* view, int row, int col, Qt::MouseButton button,
                        Qt::KeyboardModifiers modifiers)
{
    const QModelIndex index = view->model()->index(row, col, view->rootIndex());
    view->scrollTo(index);
    const QRect r = view->visualRect(index);
    Click(view->viewport(), r.center(), button, modifiers);
}

void E2eTest::DoubleClickCell(QAbstractItemView* view, int row, int col)
{
    const QModelIndex index = view->model()->index(row, col, view->rootIndex());
    view->scrollTo(index);
    DoubleClick(view->viewport(), view->visualRect(index).center());
}

void E2eTest::Settle(int ms)
{
    QApplication::processEvents();
    if (ms > 0) QTest::qWait(ms);
    QApplication::processEvents();
}

// ---- modal windows ----------------------------------------------------------------

std::size_t E2eTest::WhenShown(std::function<bool()> shown, std::function<void()> act)
{
    auto p = std::make_shared<Impl::Pending>();
    p->shown = std::move(shown);
    p->act = std::move(act);
    d_->pending.push_back(std::move(p));
    if (!d_->poll.isActive()) d_->poll.start();
    return d_->pending.size() - 1;
}

bool E2eTest::ShownRan(std::size_t id) const { return id < d_->pending.size() && d_->pending[id]->ran; }

void E2eTest::CancelShown(std::size_t id)
{
    if (id >= d_->pending.size() || d_->pending[id]->ran) return;
    Impl::Pending& p = *d_->pending[id];
    p.cancelled = true;
    // Whatever the action holds goes now, not at the end of the test.
    p.shown = nullptr;
    p.act = nullptr;
}

bool E2eTest::AllShownRan() const
{
    for (const auto& p : d_->pending)
        if (!p->ran && !p->cancelled) return false;
    return true;
}

std::vector<std::string> E2eTest::PromptLines() const
{
    std::vector<std::string> lines;
    for (const PromptRecord& r : fake_.Prompts()) lines.push_back(r.title + ": " + r.text);
    return lines;
}
