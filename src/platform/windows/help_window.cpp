#include "platform/windows/help_window.h"
#include "platform/windows/frame_placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

#include "platform/rtf_reader.h"
#include "platform/ui_services.h"
#include "platform/windows/modal_stacking.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFHelp* FHelp = nullptr;
TFRubriques* FRubriques = nullptr;

std::string WidgetClassName(const QWidget* widget)
{
    if (!widget) return {};
    // The object's own C++ class, so that a window class without its own meta
    // object still answers its name rather than its Qt base class's.
    std::string name;
    int status = -1;
    char* demangled = abi::__cxa_demangle(typeid(*widget).name(), nullptr, nullptr, &status);
    if (status == 0 && demangled) name = demangled;
    std::free(demangled);
    if (name.empty()) return widget->metaObject()->className();
    std::size_t angle = name.find('<');
    if (angle != std::string::npos) name.erase(angle);
    std::size_t scope = name.rfind("::");
    if (scope != std::string::npos) name.erase(0, scope + 2);
    return name;
}

std::string WindowClassChain(const QWidget* widget)
{
    std::vector<std::string> names;
    for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        std::string name = WidgetClassName(w);
        bool plumbing = name == "QWidget" || name == "QMdiSubWindow";
        if (!plumbing || (w->isWindow() && names.empty())) names.push_back(std::move(name));
    }
    std::string chain;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!chain.empty()) chain += '.';
        chain += *it;
    }
    return chain;
}

TFHelp::TFHelp(QWidget* parent, std::filesystem::path helpFolder)
    : QWidget(parent, Qt::Tool), helpFolder_(std::move(helpFolder))
{
    KeepOnTopOfProgram(this);
    if (helpFolder_.empty()) helpFolder_ = ProgramFolder() / "Aide";
    setObjectName(QStringLiteral("FHelp"));
    setWindowTitle(QStringLiteral("Aide"));
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setFrameStyle(0);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, GuardedSlot([this] { Timer1Timer(); }));
    Timer1->start();
    resize(300, 420);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // Centred by its frame, once the window manager has framed it.
        const QRect area = screen->availableGeometry();
        PlaceFrame(this, [this, area](const QMargins& m) {
            QRect frame(QPoint(0, 0), size().grownBy(m));
            frame.moveCenter(area.center());
            return frame;
        });
    }
    ShowTopic("Carotix");
    Follow = true;
}

std::filesystem::path TFHelp::TopicFile(const std::string& name) const
{
    return helpFolder_ / std::filesystem::path(std::u8string(name.begin(), name.end()) + u8".rtf");
}

bool TFHelp::LoadFile(const std::filesystem::path& file)
{
    // A file that could not be read leaves the text as it was; a damaged one
    // shows what could be read.
    if (!LoadRtfFile(file.string(), *RichEdit1->document()).filled) return false;
    RichEdit1->moveCursor(QTextCursor::Start);
    return true;
}

bool TFHelp::ShowTopic(const std::string& topic)
{
    std::filesystem::path file = TopicFile(topic);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    if (!LoadFile(file)) return false;
    CurrentFile = file.string();
    Topic = topic;
    Follow = false;
    return true;
}

void TFHelp::FollowChain(const std::string& chain)
{
    std::string own = WidgetClassName(this);
    if (chain.empty() || chain == LastChain || chain == own || chain == own + "." + WidgetClassName(RichEdit1))
        return;
    LastChain = chain;
    std::string name = chain;
    for (;;) {
        std::filesystem::path file = TopicFile(name);
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) {
            if (file.string() != CurrentFile && !LoadFile(file)) return;
            CurrentFile = file.string();
            return;
        }
        std::size_t dot = name.rfind('.');
        if (dot == std::string::npos) {
            // No help text for this window: its class chain tells the user (and
            // whoever writes the help) which file would be shown here. The text
            // is no longer any file's, so coming back to a window with a file
            // loads that file again.
            RichEdit1->setPlainText(ToQString(chain));
            CurrentFile.clear();
            return;
        }
        name.erase(dot);
    }
}

void TFHelp::Timer1Timer()
{
    if (!Follow || !isVisible()) return;
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    // Outside the program, or over the help box itself (its text, its scroll
    // bars): nothing to follow.
    if (!under || under->window() == window()) return;
    // A menu, a drop-down list or a tooltip is a window of Qt's own, opened
    // for the window the person is working in (a menu opened from the
    // keyboard pops up under a cursor left where it was): its class name
    // tells the person nothing, so the help box keeps what it shows.
    const Qt::WindowType type = under->window()->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip) return;
    FollowChain(WindowClassChain(under));
}

void TFHelp::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    emit visibilityChanged(true);
}

void TFHelp::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit visibilityChanged(false);
}

void ShowHelpTopic(const std::string& topic)
{
    if (FHelp) FHelp->ShowTopic(topic);
}

void HelpFollowAgain()
{
    if (FHelp) FHelp->Follow = true;
}

std::vector<HelpTopicLine> ParseHelpTopicLines(const std::vector<std::string>& lines)
{
    std::vector<HelpTopicLine> out;
    for (const std::string& line : lines) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            out.push_back(HelpTopicLine{line, line});
        else
            out.push_back(HelpTopicLine{line.substr(0, eq), line.substr(eq + 1)});
    }
    return out;
}

TFRubriques::TFRubriques(TFHelp* help, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      help_(help)
{
    KeepOnTopOfProgram(this);
    setObjectName(QStringLiteral("FRubriques"));
    setWindowTitle(QStringLiteral("Rubriques d'aide"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListBox1);
    connect(ListBox1, &QListWidget::itemClicked, this,
            GuardedSlot([this](QListWidgetItem* item) { ListBox1Click(ListBox1->row(item)); }));
    connect(ListBox1, &QListWidget::currentRowChanged, this, GuardedSlot([this](int row) { ListBox1Click(row); }));
    resize(200, 420);
    if (IniCarotix) SetLines(IniCarotix->ReadSectionValues("Aide"));
}

void TFRubriques::SetLines(const std::vector<std::string>& lines)
{
    Lines = ParseHelpTopicLines(lines);
    QSignalBlocker block(ListBox1);
    ListBox1->clear();
    for (const HelpTopicLine& l : Lines) ListBox1->addItem(ToQString(l.name));
}

void TFRubriques::ListBox1Click(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= Lines.size() || !help_) return;
    help_->show();
    help_->ShowTopic(Lines[static_cast<std::size_t>(row)].topic);
}

void TFRubriques::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!help_) return;
    // The list sits against the help box's left side, both by their frames
    // (again once the window manager has framed them), at the help box's
    // height on the desk. The help box is taken where it stands now, shown
    // just before: while the window manager frames it again it reports
    // passing places for a moment (its corner at the screen's origin), and
    // a list framed then would drag the help box's title bar off the screen.
    const QRect helpFrame = help_->frameGeometry();
    PlaceFrame(this, [this, helpFrame](const QMargins& m) {
        // A help box still waiting for its own placement goes by that.
        const QRect help = FramePlacementPending(help_) ? PlacedFrame(help_) : helpFrame;
        const QSize size = this->size().grownBy(m);
        QRect frame(QPoint(std::max(0, help.left() - size.width()), help.top()), size);
        // Both title bars on the screen, wherever the help box was.
        if (const QScreen* screen = help_->screen()) frame = FitFrameInto(frame, screen->availableGeometry());
        const QRect moved(QPoint(frame.left() + size.width(), frame.top()), help.size());
        if (moved != help) PlaceFrame(help_, moved);
        return frame;
    });
}

void TFRubriques::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (help_) help_->Follow = true;
}
