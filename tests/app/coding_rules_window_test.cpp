// The coding rules dialog and the word-list dialog, headless: the warning of a
// refused character, closing only through "Ok" and "Annuler", the save that
// the coding library reads at once, the printed rules, the links to the
// spreadsheet and the collection window, and the main window's item.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMenu>
#include <QTableView>
#include <gtest/gtest.h>

#include "app/collection_links.h"
#include "app/windows/main_window.h"
#include "app/spreadsheet_logic.h"
#include "app/windows/coding_rules_commands.h"
#include "coding/codage_binding.h"
#include "coding/windows/coding_rules_window.h"
#include "drawing/printing.h"
#include "drawing/windows/code_motif_coul_window.h"
#include <QTimer>
#include "platform/fake_ui_services.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class CodingRulesWindowTest : public ::testing::Test {
protected:
    CodingRulesWindowTest() : dir_(true, true), fake_([](const std::string& m) { ADD_FAILURE() << m; }), ui_(fake_)
    {
        OptionsInitialize(dir_.path());
        previous_ = CodageDLL().Replace(BindCodingLibrary(dir_.path().string()));
    }
    ~CodingRulesWindowTest() override
    {
        CodageDLL().Replace(std::move(previous_));
        OptionsRelease();
    }
    TempProgramDir dir_;
    FakeUiServices fake_;
    ScopedUi ui_;
    std::unique_ptr<CodingLibrary> previous_;
};

}  // namespace

TEST_F(CodingRulesWindowTest, RulesAreCheckedClosedOnlyByTheButtonsAndSavedForTheLibrary)
{
    std::unique_ptr<TFCodage> w(CreateFCodage(nullptr));
    EXPECT_EQ(w->windowTitle().toStdString(), "Codage");
    EXPECT_EQ(w->Button1->text().toStdString(), "Mots employ\xC3\xA9s...");
    EXPECT_EQ(w->Edit1->text().toStdString(), "SABLE");  // FormCreate loaded the rules
    // The spreadsheet's code list and the status line read the dialog's rules.
    ASSERT_TRUE(TableurSeams().CodingRuleRows);
    EXPECT_EQ(TableurSeams().CodingRuleRows()[0], (std::pair<std::string, std::string>{"SAB1107", "SABLE"}));
    EXPECT_TRUE(GetCollectionDrawing().codeDescribed("SAB"));
    EXPECT_FALSE(GetCollectionDrawing().codeDescribed("QQQ"));

    w->show();
    // A refused character is reported and stays.
    fake_.AnswerMessage(MsgResult::Ok, "Attention");
    w->GridDescr->model()->setData(w->GridDescr->model()->index(0, 0), QStringLiteral("SABLE \u00E9"), Qt::EditRole);
    fake_.Verify();
    EXPECT_NE(fake_.Prompts().back().text.find("de nombres entiers positifs"), std::string::npos);
    EXPECT_EQ(w->Editor().Grid.Cell(kRuleColDescription, 1), "SABLE \xC3\xA9");
    EXPECT_EQ(w->Edit1->text().toStdString(), "SABLE \xC3\xA9");

    // Escape and the close request leave it open.
    static_cast<QDialog*>(w.get())->reject();
    QCloseEvent close;
    QApplication::sendEvent(w.get(), &close);
    EXPECT_TRUE(w->isVisible());
    // "Annuler" drops what was typed.
    w->Button3Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), kModalResultIgnore);
    EXPECT_EQ(w->Editor().Grid.Cell(kRuleColDescription, 1), "SABLE");

    // Typed in lower case in the edit, saved in capitals; the library codes with it at once.
    w->show();
    w->Edit1->setFocus();
    w->Edit1->selectAll();
    w->Edit1->insert(QStringLiteral("zorglite"));
    EXPECT_EQ(w->Edit1->text().toStdString(), "ZORGLITE");
    w->Edit2->selectAll();
    w->Edit2->insert(QStringLiteral("zor1234"));
    EXPECT_EQ(CodageDLL().MakeCode("SABLE"), "SAB1107");
    w->Button2Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(ReadFileBytes(dir_ / "Descriptions.csv").substr(0, 18), "ZORGLITE;ZOR1234;\r");
    EXPECT_EQ(CodageDLL().MakeCode("SABLE"), "");
    ResetCollectionDrawing();
    TableurSeams().CodingRuleRows = {};
    TableurSeams().PickCode = {};
}

TEST_F(CodingRulesWindowTest, MotifsOpensTheCodeModelOnTheCodeOrAppendsIt)
{
    TFCodage w;
    TFCodeMotifCoul models;
    FCodeMotifCoul = &models;
    StringGrid& grid = models.Editor().Grid();
    int shownRow = -1;
    auto run = [&](const char* code) {
        w.Edit2->setText(QString::fromUtf8(code));
        // Closed once it has shown and chosen its cell.
        QTimer::singleShot(0, &models, [&] {
            QTimer::singleShot(0, &models, [&] {
                shownRow = models.Grid->currentIndex().row();  // the model view shows grid rows as they are
                models.done(QDialog::Accepted);
            });
        });
        w.Button4Click();
    };
    run("QQQ9999");
    const int rows = grid.RowCount();
    EXPECT_EQ(grid.Cell(kModelColCode, rows - 2), "QQQ9999");
    EXPECT_TRUE(GridRowIsEmpty(grid, rows - 1));
    EXPECT_EQ(shownRow, rows - 2);
    // Found the second time, not appended again.
    run("QQQ9999");
    EXPECT_EQ(grid.RowCount(), rows);
    FCodeMotifCoul = nullptr;
}

TEST_F(CodingRulesWindowTest, RulesPrintOnPagesHeadedWithTheModel)
{
    TFCodage w;
    const TDeviceCaps a4{254, 254, 2100, 2970, 0, 0, 2100, 2970};
    // The shipped rules on A4 (84 a page): 4 pages, the last ones on a page of their own.
    int shipped = 0;
    for (int r = 1; r < w.Editor().Grid.RowCount(); ++r)
        if (!w.Editor().Grid.Cell(1, r).empty()) ++shipped;
    ASSERT_GT(shipped, 3 * 84 + 2);
    ASSERT_LE(shipped, 4 * 84);
    fake_.AnswerMessage(MsgResult::Yes, "Mod\xC3\xA8les");
    RecordingPrintDocument doc(a4);
    EXPECT_EQ(PrintCodingRules(w.Editor().Grid, "Standard", TPrinterInfo(a4), doc), 4);
    fake_.Verify();
    EXPECT_EQ(fake_.Prompts()[0].text,
              "Nombres de pages \xC3\xA0 imprimer : 4. Confirmez-vous l'impression des r\xC3\xA8gles de codage ?");
    EXPECT_EQ(doc.Title, "Carotix - Codage");
    ASSERT_EQ(doc.Pages.size(), 4u);
    const auto texts = doc.Pages[0]->RecordsOf(CanvasOp::TextOut);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].Text, "Codage avec mod\xC3\xA8le Standard - page 1/4");
    const auto rules = doc.Pages[3]->RecordsOf(CanvasOp::TextRect);
    EXPECT_EQ(rules.size(), 2u * static_cast<size_t>(shipped - 3 * 84));
    // The rule lines stay inside the paper.
    for (const auto& r : doc.Pages[0]->RecordsOf(CanvasOp::TextRect)) {
        EXPECT_LE(r.Rect.Right, 2100);
        EXPECT_LE(r.Rect.Bottom, 2970);
    }

    // "Non" prints nothing; an empty list says so.
    fake_.AnswerMessage(MsgResult::No, "Mod\xC3\xA8les");
    RecordingPrintDocument refused(a4);
    EXPECT_EQ(PrintCodingRules(w.Editor().Grid, "", TPrinterInfo(a4), refused), 0);
    EXPECT_EQ(refused.DocState, RecordingPrintDocument::State::NotBegun);
    TextGrid empty = MakeRulesGrid();
    fake_.AnswerMessage(MsgResult::Ok, "Impression");
    EXPECT_EQ(PrintCodingRules(empty, "", TPrinterInfo(a4), refused), 0);
    EXPECT_EQ(fake_.Prompts().back().text, "Rien \xC3\xA0 imprimer");
    fake_.Verify();
}

TEST_F(CodingRulesWindowTest, WordListsLoadSortedWarnAndSave)
{
    WriteFileBytes(dir_ / "Inhibiteurs.csv", "SANS\r\nPEU\r\n");
    TFListeMots w;
    w.show();
    EXPECT_EQ(w.windowTitle().toStdString(), "Liste de mots");
    EXPECT_EQ(w.Grids[2]->model()->headerData(0, Qt::Horizontal).toString().toStdString(), "Invariable");
    EXPECT_EQ(w.Editor().Inhibiteurs.Cell(0, 1), "PEU");
    fake_.AnswerMessage(MsgResult::Ok, "Attention");
    w.Grids[2]->model()->setData(w.Grids[2]->model()->index(2, 0), QStringLiteral("gu\u00E8re"), Qt::EditRole);
    fake_.Verify();
    EXPECT_EQ(fake_.Prompts().back().text, "Le texte doit \xC3\xAAtre compos\xC3\xA9 de majuscules sans accents");
    EXPECT_EQ(w.Grids[2]->model()->rowCount(), 4);  // the last row typed into: a new blank one
    w.Button1Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ReadFileBytes(dir_ / "Inhibiteurs.csv"), "PEU\r\nSANS\r\nGU\xC8RE\r\n");
}

TEST_F(CodingRulesWindowTest, TheMainWindowItemOpensTheRules)
{
    TFMain main;
    QAction* item = nullptr;
    for (QAction* a : main.Configuration1->actions())
        if (a->text() == QStringLiteral("Configuration du codage...")) item = a;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->objectName().toStdString(), "Configurationducodage1");
    EXPECT_EQ(item->statusTip().toStdString(), "Edition des descriptions pour le codage");
}

namespace {

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

void ClickRow(QTableView* grid, int row)
{
    const QPoint at = grid->visualRect(grid->model()->index(row, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &release);
}

std::string Description(const TFCodage& w, int row)
{
    return w.GridDescr->model()->index(row, 0).data().toString().toStdString();
}

}  // namespace

TEST_F(CodingRulesWindowTest, ClearingARuleWhileTypingKeepsItsRow)
{
    std::unique_ptr<TFCodage> w(CreateFCodage(nullptr));
    w->show();
    ClickRow(w->GridDescr, 1);
    ASSERT_EQ(w->Edit1->text().toStdString(), "SABLON");
    const int rows = w->GridDescr->model()->rowCount();
    const std::string next = Description(*w, 2);
    // Rub out the code, then the description, as a person retyping a rule does.
    w->Edit2->setFocus();
    Key(w->Edit2, Qt::Key_A, Qt::ControlModifier);
    Key(w->Edit2, Qt::Key_Backspace);
    EXPECT_EQ(w->Edit2->text().toStdString(), "");
    w->Edit1->setFocus();
    Key(w->Edit1, Qt::Key_A, Qt::ControlModifier);
    Key(w->Edit1, Qt::Key_Backspace);
    EXPECT_EQ(w->Edit1->text().toStdString(), "");
    EXPECT_EQ(w->GridDescr->model()->rowCount(), rows);
    EXPECT_EQ(w->GridDescr->currentIndex().row(), 1);
    EXPECT_EQ(Description(*w, 1), "");
    // The next key goes into the same rule, not into the one below.
    Key(w->Edit1, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
    EXPECT_EQ(w->Edit1->text().toStdString(), "G");
    EXPECT_EQ(Description(*w, 1), "G");
    EXPECT_EQ(Description(*w, 2), next);
    // Left empty, the rule goes when another one is clicked.
    Key(w->Edit1, Qt::Key_Backspace);
    ClickRow(w->GridDescr, 2);
    QApplication::processEvents();
    EXPECT_EQ(w->GridDescr->model()->rowCount(), rows - 1);
    const QModelIndexList selected = w->GridDescr->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    EXPECT_EQ(Description(*w, 1), next);
    EXPECT_EQ(w->Edit1->text().toStdString(), next);
    EXPECT_EQ(w->GridDescr->currentIndex().row(), 1);
}
