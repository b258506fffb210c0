// The small shared windows (information pop-up, help box and topics, about,
// progress and question windows) and the Qt prompts, headless.
#include <QScreen>
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

#include "app/windows/about_window.h"
#include "platform/windows/help_window.h"
#include "platform/windows/info_window.h"
#include "platform/windows/progress_window.h"
#include "platform/windows/question_window.h"
#include "platform/base/text_codec.h"
#include "platform/fake_ui_services.h"
#include "platform/rtf_reader.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

// Stand-ins for the program's windows, to check the class chains.
class TestMainWindow : public QMainWindow {
    Q_OBJECT
};
class TestChild : public QWidget {
    Q_OBJECT
};
// A window class without a meta object of its own still answers its name.
class TestPlainDialog : public QDialog {};
namespace carotix_test {
template <class T>
class Templated : public QWidget {};
}  // namespace carotix_test

namespace {

std::string Rtf(const std::string& text)
{
    return "{\\rtf1\\ansi " + text + "\\par}";
}

std::string Plain(const TFHelp& help)
{
    return FromQString(help.RichEdit1->toPlainText());
}

// Runs `act` on the next modal window that opens (polling, since exec()
// only returns when it closes).
void OnNextModal(std::function<void(QWidget*)> act)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
            return;
        }
        if (++*tries < 500) QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

std::filesystem::path ShotsDir()
{
    std::filesystem::path dir = CAROTIX_SHOTS_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

// ---- Information pop-up -------------------------------------------------

InfoTextSize FixedMeasure(const std::string& piece)
{
    return InfoTextSize{7 * static_cast<int>(Utf8Length(piece)), 13};
}

TEST(InfoLayout, LinesAndTabStops)
{
    InfoLayout l = LayoutInfoText("a\tb\r\nccc", FixedMeasure);
    ASSERT_EQ(l.pieces.size(), 3u);
    EXPECT_EQ(l.pieces[0], (InfoPiece{2, 2, "a"}));
    EXPECT_EQ(l.pieces[1], (InfoPiece{62, 2, "b"}));  // tab stop 60, 2 pixels in
    EXPECT_EQ(l.pieces[2], (InfoPiece{2, 15, "ccc"}));
    EXPECT_EQ(l.width, 67);  // the wider line: 60 + 7
    EXPECT_EQ(l.height, 26);

    // A piece of exactly 56 pixels goes to the following stop; more tabs go on.
    l = LayoutInfoText("12345678\tx\ty", FixedMeasure);
    EXPECT_EQ(l.pieces[1].x, 118);
    EXPECT_EQ(l.pieces[2].x, 174);

    // A text ending with CR LF has no empty last line; a tab at the end ends the line.
    l = LayoutInfoText("abc\r\n", FixedMeasure);
    EXPECT_EQ(l.pieces.size(), 1u);
    EXPECT_EQ(l.height, 13);
    l = LayoutInfoText("a\t", FixedMeasure);
    EXPECT_EQ(l.pieces.size(), 1u);
    EXPECT_EQ(l.width, 60);

    // An empty line in the middle keeps its height; nothing at all is empty.
    l = LayoutInfoText("a\r\n\r\nb", FixedMeasure);
    EXPECT_EQ(l.pieces.size(), 3u);
    EXPECT_EQ(l.pieces[2].y, 28);
    l = LayoutInfoText("", FixedMeasure);
    EXPECT_TRUE(l.pieces.empty());
    EXPECT_EQ(l.width, 0);
}

TEST(InfoWindow, SizesItselfToItsText)
{
    TFInfo info;
    info.move(40, 50);
    info.SetText("Indice :\tPZ1\r\nDésignation :\tA");
    InfoLayout expected =
        LayoutInfoText(info.Text, [&info](const std::string& p) { return info.Measure(p); });
    EXPECT_EQ(info.Pieces, expected.pieces);
    EXPECT_EQ(info.width(), expected.width + 4);
    EXPECT_EQ(info.height(), expected.height + 4);
    EXPECT_EQ(info.pos(), QPoint(40, 50));
    EXPECT_EQ(info.windowTitle(), QStringLiteral("Informations"));

    // The global entry lays out FInfo.
    FInfo = &info;
    InfoSetText("Pas d'information");
    EXPECT_EQ(info.Text, "Pas d'information");
    EXPECT_EQ(info.Pieces.size(), 1u);
    FInfo = nullptr;
}

TEST(Tooltip, FollowsTheMouseOverACollectionView)
{
    TFInfo info;
    FInfo = &info;
    QWidget owner, other;
    QWidget view(&owner);
    view.resize(200, 100);
    owner.resize(200, 100);
    owner.show();
    std::uint8_t state = 0;
    int hoverRow = -1;
    int row = 3;
    int asked = 0;
    auto rowAt = [&row] { return row; };
    auto textOf = [&asked](int r) {
        ++asked;
        return r == 3 ? std::string("Indice :\tPZ3") : std::string("Indice :\tPZ") + char('0' + r);
    };

    TooltipMouseMove(&owner, &view, QPoint(10, 20), true, state, hoverRow, rowAt, textOf);
    EXPECT_EQ(state, 2);
    EXPECT_TRUE(info.isVisible());
    EXPECT_EQ(info.Text, "Indice :\tPZ3");
    EXPECT_EQ(info.pos(), view.mapToGlobal(QPoint(10, 20)) + QPoint(kTooltipCursorWidth, 0));
    EXPECT_EQ(QWidget::mouseGrabber(), &view);
    EXPECT_EQ(hoverRow, 3);

    // Same row: only moved.
    TooltipMouseMove(&owner, &view, QPoint(30, 25), true, state, hoverRow, rowAt, textOf);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(info.pos(), view.mapToGlobal(QPoint(30, 25)) + QPoint(kTooltipCursorWidth, 0));

    // Under no line.
    row = -1;
    TooltipMouseMove(&owner, &view, QPoint(30, 90), true, state, hoverRow, rowAt, textOf);
    EXPECT_EQ(info.Text, "Pas d'information");

    // Another window's tooltip was shown last: laid out again for this one.
    row = 3;
    TooltipMouseMove(&owner, &view, QPoint(30, 25), true, state, hoverRow, rowAt, textOf);
    info.Owner = &other;
    TooltipMouseMove(&owner, &view, QPoint(31, 25), true, state, hoverRow, rowAt, textOf);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(info.Owner, &owner);

    // "Afficher l'infobulle" unchecked: hidden at the next move, mouse released.
    TooltipMouseMove(&owner, &view, QPoint(31, 25), false, state, hoverRow, rowAt, textOf);
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(info.isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    // ... and stays hidden while it is.
    TooltipMouseMove(&owner, &view, QPoint(32, 25), false, state, hoverRow, rowAt, textOf);
    EXPECT_FALSE(info.isVisible());

    // Leaving the control hides it; so does the deactivation.
    TooltipMouseMove(&owner, &view, QPoint(10, 20), true, state, hoverRow, rowAt, textOf);
    EXPECT_TRUE(info.isVisible());
    TooltipMouseMove(&owner, &view, QPoint(-5, 20), true, state, hoverRow, rowAt, textOf);
    EXPECT_FALSE(info.isVisible());
    EXPECT_EQ(state, 0);
    TooltipMouseMove(&owner, &view, QPoint(10, 20), true, state, hoverRow, rowAt, textOf);
    EXPECT_EQ(QWidget::mouseGrabber(), &view);
    TooltipDeactivate(&owner, state);  // the window, whose view holds the grab
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(info.isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    FInfo = nullptr;
}

TEST(Tooltip, TemplateFileExpandedForTheOuvrage)
{
    TempDir dir;
    TDirBlock root("Carotix");
    root.SetPathString("PZ1\\Ouvrage\\Désign", 0, 8, "A");
    root.SetPathString("PZ1\\Ouvrage\\Prof", 0, 8, "12,5");

    // A Windows-1252 file with LF line ends (written on Linux): the lines stay lines.
    WriteFileBytes(dir / "infobulle.txt", "Indice :\t%Indice%\nD\xE9sign :\t%D\xE9sign%\r\nFin");
    EXPECT_EQ(TooltipText(dir / "infobulle.txt", root, "PZ1", "A"), "Indice :\tPZ1\r\nDésign :\tA\r\nFin");

    // A missing template gives an empty tooltip.
    EXPECT_EQ(TooltipText(dir / "absent.txt", root, "PZ1", "A"), "");
}

// ---- Help box -------------------------------------------------------------

class HelpBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "Aide");
        Write("Carotix", "Bienvenue");
        Write("OpenCrx", "Ouvrir une collection");
        Write("TestMainWindow", "Fen\\'eatre principale");
        Write("TestMainWindow.QMdiArea.TestChild", "Collection");
    }
    void Write(const std::string& topic, const std::string& text)
    {
        WriteFileBytes(dir / ("Aide/" + topic + ".rtf"), Rtf(text));
    }
    TempDir dir;
};

TEST_F(HelpBox, StartsOnTheCarotixTopicAndFollowsTheMouse)
{
    TFHelp help(nullptr, dir.path() / "Aide");
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Aide"));
    EXPECT_EQ(Plain(help), "Bienvenue");
    EXPECT_EQ(help.Topic, "Carotix");
    EXPECT_TRUE(help.Follow);
    EXPECT_EQ(help.Timer1->interval(), 500);
}

TEST_F(HelpBox, TopicsShownOnRequestStopTheFollowing)
{
    TFHelp help(nullptr, dir.path() / "Aide");
    FHelp = &help;
    ShowHelpTopic("OpenCrx");
    EXPECT_EQ(Plain(help), "Ouvrir une collection");
    EXPECT_EQ(help.Topic, "OpenCrx");
    EXPECT_EQ(help.CurrentFile, (dir.path() / "Aide" / "OpenCrx.rtf").string());
    EXPECT_FALSE(help.Follow);

    // A topic without a file changes nothing.
    HelpFollowAgain();
    ShowHelpTopic("OpenVexto");
    EXPECT_EQ(help.Topic, "OpenCrx");
    EXPECT_EQ(Plain(help), "Ouvrir une collection");
    EXPECT_TRUE(help.Follow);
    FHelp = nullptr;
}

TEST_F(HelpBox, FollowingPicksTheMostSpecificText)
{
    TFHelp help(nullptr, dir.path() / "Aide");
    help.FollowChain("TestMainWindow.QMdiArea.TestChild.QTreeView");
    EXPECT_EQ(Plain(help), "Collection");
    EXPECT_EQ(help.LastChain, "TestMainWindow.QMdiArea.TestChild.QTreeView");

    help.FollowChain("TestMainWindow.QToolBar");
    EXPECT_EQ(Plain(help), "Fenêtre principale");

    // No file for the window nor its parents: the chain itself is shown.
    help.FollowChain("TFCoupe.QScrollArea");
    EXPECT_EQ(Plain(help), "TFCoupe.QScrollArea");
    EXPECT_TRUE(help.CurrentFile.empty());
    // ... and coming back to a window with a text shows that text again.
    help.FollowChain("TestMainWindow");
    EXPECT_EQ(Plain(help), "Fenêtre principale");

    // The same chain again, or the help box itself, changes nothing.
    help.RichEdit1->setPlainText(QStringLiteral("x"));
    help.FollowChain("TestMainWindow");
    help.FollowChain("TFHelp");
    help.FollowChain("TFHelp.QTextEdit");
    EXPECT_EQ(Plain(help), "x");
}

TEST_F(HelpBox, WithoutAnyFilePointingAtTheMainWindowShowsItsChain)
{
    std::filesystem::remove(dir / "Aide/TestMainWindow.rtf");
    TFHelp help(nullptr, dir.path() / "Aide");
    help.FollowChain("TestMainWindow");
    EXPECT_EQ(Plain(help), "TestMainWindow");
}

TEST_F(HelpBox, ClassChainsOfRealWindows)
{
    TestMainWindow main;
    auto* mdi = new QMdiArea(&main);
    main.setCentralWidget(mdi);
    auto* child = new TestChild;
    auto* view = new QTreeView(child);
    QMdiSubWindow* sub = mdi->addSubWindow(child);
    auto* bar = main.addToolBar(QStringLiteral("x"));
    main.resize(600, 400);
    main.move(0, 0);
    main.show();
    sub->setGeometry(0, 0, 300, 200);
    sub->show();
    QApplication::processEvents();

    EXPECT_EQ(WindowClassChain(view), "TestMainWindow.QMdiArea.TestChild.QTreeView");
    EXPECT_EQ(WindowClassChain(view->viewport()), "TestMainWindow.QMdiArea.TestChild.QTreeView");
    EXPECT_EQ(WindowClassChain(bar), "TestMainWindow.QToolBar");
    EXPECT_EQ(WindowClassChain(&main), "TestMainWindow");
    // A dialog is a window of its own, even with a parent.
    TestPlainDialog dialog;
    dialog.setParent(&main, Qt::Dialog);
    QLineEdit edit(&dialog);
    EXPECT_EQ(WindowClassChain(&edit), "TestPlainDialog.QLineEdit");
    carotix_test::Templated<int> templated;
    EXPECT_EQ(WidgetClassName(&templated), "Templated");

    // The timer's tick follows the widget under the cursor.
    TFHelp help(nullptr, dir.path() / "Aide");
    help.move(700, 0);
    help.show();
    QCursor::setPos(view->viewport()->mapToGlobal(view->viewport()->rect().center()));
    QApplication::processEvents();
    if (QApplication::widgetAt(QCursor::pos()) == nullptr) GTEST_SKIP() << "no cursor position on this platform";
    help.Timer1Timer();
    EXPECT_EQ(Plain(help), "Collection") << WindowClassChain(QApplication::widgetAt(QCursor::pos()));
    // A menu opened from the keyboard pops up under the cursor: the help box
    // keeps its text rather than showing "QMenu".
    QMenu menu(&main);
    for (int i = 0; i < 6; ++i) menu.addAction(QStringLiteral("T\u00e9l\u00e9charger de la base de donn\u00e9es"));
    menu.popup(QCursor::pos() - QPoint(10, 10));
    QApplication::processEvents();
    ASSERT_EQ(QApplication::widgetAt(QCursor::pos())->window(), &menu);
    help.Timer1Timer();
    EXPECT_EQ(Plain(help), "Collection");
    menu.close();
    // Not while a topic was asked for.
    help.ShowTopic("OpenCrx");
    help.LastChain.clear();
    help.Timer1Timer();
    EXPECT_EQ(Plain(help), "Ouvrir une collection");
}

TEST_F(HelpBox, TopicsWindowListsAidLinesAndShowsTheirTopics)
{
    EXPECT_EQ(ParseHelpTopicLines({"Généralités=Carotix", "Ouvrir"}).at(1).topic, "Ouvrir");

    TFHelp help(nullptr, dir.path() / "Aide");
    TFRubriques topics(&help);
    EXPECT_EQ(topics.windowTitle(), QStringLiteral("Rubriques d'aide"));
    topics.SetLines({"Généralités=Carotix", "Ouvrir une collection=OpenCrx"});
    ASSERT_EQ(topics.ListBox1->count(), 2);
    EXPECT_EQ(topics.ListBox1->item(0)->text(), QStringLiteral("Généralités"));

    help.move(500, 100);
    topics.show();
    EXPECT_EQ(topics.x(), 500 - topics.frameGeometry().width());
    EXPECT_EQ(help.x(), topics.x() + topics.frameGeometry().width());

    topics.ListBox1Click(1);
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.Topic, "OpenCrx");
    EXPECT_FALSE(help.Follow);
    topics.close();
    EXPECT_TRUE(help.Follow);
}

// A help box read above the screen's top (as the window manager may report
// it for a moment while it frames it again): the list and the help box end
// side by side with both title bars on the screen.
TEST_F(HelpBox, TopicsKeepBothTitleBarsOnTheScreen)
{
    TFHelp help(nullptr, dir.path() / "Aide");
    TFRubriques topics(&help);
    const QRect area = help.screen()->availableGeometry();
    help.move(area.left() + 100, area.top() - 20);
    topics.show();
    EXPECT_EQ(topics.frameGeometry().topLeft(), area.topLeft());
    EXPECT_EQ(help.frameGeometry().topLeft(), QPoint(topics.frameGeometry().right() + 1, area.top()));
}

TEST_F(HelpBox, TopicsComeFromCarotixIni)
{
    TempProgramDir program;
    OptionsInitialize(program.path());
    IniCarotix->WriteSection("Aide", {"Généralités=Carotix", "Importer Vexto=OpenVexto"});
    TFHelp help(nullptr, dir.path() / "Aide");
    TFRubriques topics(&help);
    OptionsRelease();
    ASSERT_EQ(topics.Lines.size(), 2u);
    EXPECT_EQ(topics.Lines[1].name, "Importer Vexto");
    EXPECT_EQ(topics.Lines[1].topic, "OpenVexto");
}

TEST(HelpData, EveryShippedTopicReadsCleanly)
{
    std::filesystem::path aide = std::filesystem::path(CAROTIX_DATA_DIR) / "Aide";
    int count = 0;
    for (const char* topic : {"Carotix", "OpenCrx", "OpenOra", "OpenCsv", "OpenDravel", "OpenVexto", "TFMain",
                              "TFMain.QMdiArea.TFChild", "TFCoupe", "TFTableur"}) {
        RtfDocument doc;
        std::string bytes = ReadFileBytes(aide / (std::string(topic) + ".rtf"));
        ASSERT_FALSE(bytes.empty()) << topic;
        RtfReadResult r = ParseRtf(bytes, doc);
        EXPECT_TRUE(r.ok) << topic << ": " << r.error;
        EXPECT_GT(doc.PlainText().size(), 40u) << topic;
        ++count;
    }
    for (const auto& e : std::filesystem::directory_iterator(aide)) {
        RtfDocument doc;
        RtfReadResult r = ParseRtf(ReadFileBytes(e.path()), doc);
        EXPECT_TRUE(r.ok) << e.path() << ": " << r.error;
        // Written in Windows-1252 escapes: the files themselves are pure ASCII.
        EXPECT_TRUE(IsValidUtf8(ReadFileBytes(e.path())));
    }
    EXPECT_EQ(count, 10);
}

// ---- About box --------------------------------------------------------------

TEST(AboutBox, ChangelogFromTheCurrentFolderElseTheProgramFolder)
{
    TempDir current, program;
    EXPECT_TRUE(FindChangelog(current.path(), program.path()).empty());
    WriteFileBytes(program / "changelog.rtf", Rtf("Version du programme"));
    EXPECT_EQ(FindChangelog(current.path(), program.path()), program / "changelog.rtf");
    WriteFileBytes(current / "changelog.rtf", Rtf("Version du dossier courant"));
    EXPECT_EQ(FindChangelog(current.path(), program.path()), current / "changelog.rtf");

    // Started from another folder, the about box still shows the program's history.
    TempDir elsewhere;
    TFAbout about;
    about.Fill(program / "changelog.rtf", elsewhere.path(), program.path());
    EXPECT_EQ(about.RichEdit1->toPlainText(), QStringLiteral("Version du programme"));
    // The last change is written in the locale's own date and time form.
    {
        QFile changelog(QString::fromStdString((program / "changelog.rtf").string()));
        ASSERT_TRUE(changelog.open(QIODevice::ReadWrite));
        ASSERT_TRUE(changelog.setFileTime(QDateTime(QDate(2026, 3, 9), QTime(14, 35, 10)),
                                          QFileDevice::FileModificationTime));
    }
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    about.Fill(program / "changelog.rtf", elsewhere.path(), program.path());
    EXPECT_EQ(about.LModif->text(), QStringLiteral("Dernière modif. : 09/03/2026 14:35"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    about.Fill(program / "changelog.rtf", elsewhere.path(), program.path());
    EXPECT_TRUE(about.LModif->text().startsWith(QStringLiteral("Dernière modif. : 3/9/26 2:35")))
        << about.LModif->text().toStdString();
    QLocale::setDefault(previous);
    about.Fill(program / "absent", elsewhere.path(), elsewhere.path());
    EXPECT_TRUE(about.RichEdit1->toPlainText().isEmpty());
    EXPECT_EQ(about.LModif->text(), QStringLiteral("Dernière modif. : "));
}

// ---- Progress window ----------------------------------------------------------

TEST(ProgressWindow, ShowsTheWorkAndHidesOnEveryPath)
{
    TFProgress progress;
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Progression..."));
    EXPECT_EQ(progress.ProgressBar->maximum(), 100);
    FProgress = &progress;
    try {
        ProgressScope scope("Importation", "Importation des fichiers Csv...", 0, 3);
        EXPECT_TRUE(progress.isVisible());
        EXPECT_EQ(progress.windowTitle(), QStringLiteral("Importation"));
        EXPECT_EQ(progress.Label1->text(), QStringLiteral("Importation des fichiers Csv..."));
        scope.Step(2);
        EXPECT_EQ(progress.Position(), 2);
        scope.Step(9);
        EXPECT_EQ(progress.Position(), 3);
        throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(progress.isVisible());
    FProgress = nullptr;
}

// ---- The Qt prompts ---------------------------------------------------------------

TEST(QtPrompts, FrenchButtonsTitleIconAndAnswer)
{
    ASSERT_TRUE(InstallQtFrenchTranslation());
    QtUiServices ui;
    ScopedUi use(ui);
    QStringList texts;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton* b : box->buttons()) texts << b->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(AskYesNoCancel("Edition", "Il y a eu des modications.\nVoulez-vous les conserver ?"), MsgResult::No);
    EXPECT_EQ(title, QStringLiteral("Edition"));
    EXPECT_EQ(icon, QMessageBox::Question);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Annuler"), QStringLiteral("Non"), QStringLiteral("Oui")}));

    // Closed without a button: Cancel when there is one.
    OnNextModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(AskYesNoCancel("Edition", "?"), MsgResult::Cancel);

    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        texts = QStringList{box->buttons().at(0)->text()};
        box->buttons().at(0)->click();
    });
    ShowErrorBox("Erreur", "Il n'y a pas d'indice.");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(texts, QStringList{QStringLiteral("OK")});
}

// An import's report that lists a thousand merged indices keeps its box and
// its button on the screen: the first lines and a count, the whole list in
// the box's scrolled details.
TEST(QtPrompts, ALongReportKeepsItsBoxOnTheScreen)
{
    QtUiServices ui;
    ScopedUi use(ui);
    std::string text = "Niveaux.csv :";
    for (int i = 0; i < 1000; ++i)
        text += "\n- Indice \"A\\" + std::to_string(i) + "\" fusionn\xC3\xA9 avec l'indice existant \"A_"
            + std::to_string(i) + "\"";
    QString shown, details;
    int height = 0, screen = 0;
    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        details = box->detailedText();
        height = box->frameGeometry().height();
        screen = box->screen()->availableGeometry().height();
        box->button(QMessageBox::Ok)->click();
    });
    ShowInformation("Import Csv", text);
    EXPECT_EQ(details, QString::fromStdString(text));
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 20);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\n\u2026 et 981 autre(s) ligne(s), dans le d\u00e9tail ci-dessous.")))
        << shown.toStdString();
    EXPECT_GT(height, 0);
    EXPECT_LE(height, screen);
}

TEST(QtPrompts, QuestionWindowAnswersTheOneLineQuestion)
{
    QtUiServices ui;
    TFQuestion question;
    EXPECT_EQ(question.windowTitle(), QStringLiteral("Titre"));
    ui.SetQuestionDialog(&question);
    ScopedUi use(ui);
    QString caption, label, proposal;
    OnNextModal([&](QWidget* w) {
        ASSERT_EQ(w, &question);
        caption = question.windowTitle();
        label = question.LQuestion->text();
        proposal = question.EStr->text();
        question.EStr->setText(QStringLiteral("PMT2"));
        question.BOk->click();
    });
    std::string text = "PMT1";
    EXPECT_TRUE(AskQuestion("Ajouter un tube", "Nom du tube :", text));
    EXPECT_EQ(text, "PMT2");
    EXPECT_EQ(caption, QStringLiteral("Ajouter un tube"));
    EXPECT_EQ(label, QStringLiteral("Nom du tube :"));
    EXPECT_EQ(proposal, QStringLiteral("PMT1"));

    OnNextModal([&](QWidget*) { question.BAnnuler->click(); });
    EXPECT_FALSE(AskQuestion("Renommer le tube PMT1", "Nouveau nom :", text));
    EXPECT_EQ(text, "PMT2");
}

TEST(QtPrompts, NamePromptUpperCasesTypedLetters)
{
    QtUiServices ui;
    ScopedUi use(ui);
    OnNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<NameDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->EIndice->setFocus();
        dialog->EIndice->clear();
        dialog->EIndice->insert(QStringLiteral("pz"));
        emit dialog->EIndice->textEdited(dialog->EIndice->text());
        dialog->BOk->click();
    });
    NamePrompt answer;
    EXPECT_TRUE(Ui().AskName({"Nouvel ouvrage", "", "é"}, answer));
    EXPECT_EQ(answer.indice, "PZ");
    EXPECT_EQ(answer.design, "é");  // not typed: left to the caller's normalisation
}

TEST(QtPrompts, FileDialogsTakeTitleFolderFilterAndExtension)
{
    TempDir dir;
    WriteFileBytes(dir / "a.crx", "x");
    WriteFileBytes(dir / "b.crx", "x");
    QtUiServices ui;
    ScopedUi use(ui);

    FileDialogRequest save;
    save.title = "Enregistrer la collection sous...";
    save.folder = dir.path().string();
    save.filter = "Carotix (*.crx)|*.crx";
    save.defaultExt = "crx";
    save.overwritePrompt = true;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QString title, folder, suffix;
    QStringList filters;
    bool confirms = false;
    OnNextModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        mode = d->acceptMode();
        title = d->windowTitle();
        folder = d->directory().absolutePath();
        suffix = d->defaultSuffix();
        filters = d->nameFilters();
        confirms = !d->testOption(QFileDialog::DontConfirmOverwrite);
        d->selectFile(QStringLiteral("nouvelle"));
        static_cast<QDialog*>(d)->accept();
    });
    std::string path;
    ASSERT_TRUE(AskSaveFile(save, path));
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_EQ(title, QStringLiteral("Enregistrer la collection sous..."));
    EXPECT_EQ(folder, ToQString(dir.path().string()));
    EXPECT_EQ(suffix, QStringLiteral("crx"));
    EXPECT_EQ(filters, QStringList{QStringLiteral("Carotix (*.crx)")});
    EXPECT_TRUE(confirms);
    EXPECT_EQ(path, (dir / "nouvelle.crx").string());

    // Several files, in the order chosen; a cancelled dialog gives none.
    FileDialogRequest open;
    open.folder = dir.path().string();
    open.filter = "Carotix (*.crx)|*.crx";
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    OnNextModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        fileMode = d->fileMode();
        d->selectFile(QStringLiteral("\"b.crx\" \"a.crx\""));
        static_cast<QDialog*>(d)->accept();
    });
    std::vector<std::string> files = AskOpenFiles(open);
    EXPECT_EQ(fileMode, QFileDialog::ExistingFiles);
    EXPECT_EQ(files, (std::vector<std::string>{(dir / "b.crx").string(), (dir / "a.crx").string()}));
    OnNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_TRUE(AskOpenFiles(open).empty());
}

TEST(QtPrompts, FileFiltersAndBusyCursor)
{
    EXPECT_EQ(ToQtFileFilter("Carotix (*.crx)|*.crx"), QStringLiteral("Carotix (*.crx)"));
    EXPECT_EQ(ToQtFileFilter("Fichier Dravel (ouv*.ini)|ouv*.ini|Tous|*.*"),
              QStringLiteral("Fichier Dravel (ouv*.ini);;Tous (*.*)"));
    EXPECT_EQ(ToQtFileFilter("Images|*.bmp;*.jpg"), QStringLiteral("Images (*.bmp *.jpg)"));
    EXPECT_EQ(ToQtFileFilter("Fichier CSV (*.csv)"), QStringLiteral("Fichier CSV (*.csv)"));
    EXPECT_EQ(ToQtFileFilter("Textes (*.txt)|*.ora"), QStringLiteral("Textes (*.ora)"));

    QtUiServices ui;
    ScopedUi use(ui);
    try {
        BusyCursor busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ui.BusyDepth(), 0);
}

// ---- Pictures for people to look at ------------------------------------------------

TEST(Shots, HelpBoxAndAboutBox)
{
    std::filesystem::path data = CAROTIX_DATA_DIR;
    TFHelp help(nullptr, data / "Aide");
    help.resize(320, 460);
    help.show();
    help.ShowTopic("TFMain");
    QApplication::processEvents();
    EXPECT_TRUE(help.grab().save(ToQString((ShotsDir() / "help_box.png").string())));

    TFAbout about;
    about.Fill(data / "changelog.rtf", data, data);
    about.show();
    QApplication::processEvents();
    EXPECT_FALSE(about.RichEdit1->toPlainText().isEmpty());
    EXPECT_TRUE(about.grab().save(ToQString((ShotsDir() / "about_box.png").string())));
}

}  // namespace

#include "small_windows_test.moc"
