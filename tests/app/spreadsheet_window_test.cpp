// The spreadsheet window headless: opened by the [Tables] commands of a
// collection window, edited, stored, and closed through the "Edition"
// question's three answers; its controls and the equipment drawing's seam.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <string>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/spreadsheet_window.h"
#include "coding/codage_binding.h"
#include "platform/base/rtl_numbers.h"
#include "platform/canvas.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "sample_collection.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class SpreadsheetWindowTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        use = std::make_unique<ScopedUi>(fake);
        previous = CodageDLL().Replace(UnboundCodingLibrary());
        main = std::make_unique<TFMain>();
        FTableur = new TFTableur(main.get());
        const std::string file = (dir.path() / "exemple.crx").string();
        BuildSampleCollection()->SaveToFile(file);
        child = main->OpenCollectionFile(file);
        child->SelectRows({child->FindRow("PUITS-1", "PUITS-1")});
    }
    void TearDown() override
    {
        TableurSeams() = TableurServices{};
        main.reset();
        CodageDLL().Replace(std::move(previous));
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    // Runs the [Tables] command with `inside` run while the editor is shown.
    void RunShown(const std::string& command, const std::function<void(TFTableur&)>& inside)
    {
        bool ran = false;
        // The editor lets pending events run while it loads: wait until it shows.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!FTableur->isVisible()) return;
            poll.stop();
            ran = true;
            inside(*FTableur);
            if (FTableur->isVisible()) {
                ADD_FAILURE() << "the editor stayed open";
                FTableur->Logic().Grid.SetRowCount(1);
                FTableur->done(0);
            }
        });
        poll.start(0);
        main->ExecuteTableCommand(command, -1);
        EXPECT_TRUE(ran);
    }
    TDirBlock& Root() { return child->FRoot(); }
    static void Type(TFTableur& t, int col, int row, const std::string& text)
    {
        t.GridGetEditText(col, row);   // the editor opens on the cell
        t.Grid->item(row - 1, col)->setText(ToQString(text));
    }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
    std::unique_ptr<CodingLibrary> previous;
    std::unique_ptr<TFMain> main;
    TFChild* child = nullptr;
};

TEST_F(SpreadsheetWindowTest, EditAndTheCloseQuestionsThreeAnswers)
{
    RunShown("Niveau", [&](TFTableur& t) {
        EXPECT_EQ(FromQString(t.windowTitle()), "PUITS-1 PUITS-1 - Niveau");
        EXPECT_EQ(FromQString(t.ToolButton9->toolTip()), "Valider les changements et fermer la fen\xC3\xAAtre");
        EXPECT_EQ(FromQString(t.ToolButton1->toolTip()), "Couper les cases s\xC3\xA9lectionner");
        EXPECT_EQ(FromQString(t.ButtonBDD->text()), "R\xC3\xA9" "cup\xC3\xA9rer dans la base de donn\xC3\xA9" "es");
        // Without the coding library its controls are disabled; the database
        // button follows its connection.
        EXPECT_FALSE(t.BCode->isEnabled());
        EXPECT_FALSE(t.CAutoCodage->isEnabled());
        EXPECT_TRUE(t.CAutoCodage->isChecked());
        EXPECT_EQ(t.ButtonBDD->isEnabled(), static_cast<bool>(TableurSeams().RunQuery));
        EXPECT_FALSE(t.Image->isVisible());
        EXPECT_TRUE(t.Timer1->isActive());
        const int litho = t.Logic().ColumnOf("Litho");
        ASSERT_GE(litho, 0);
        EXPECT_EQ(t.Grid->rowCount(), 5);   // five levels, no empty row yet
        // Editing the last level appends the empty row.
        Type(t, litho, 5, "Schiste sain");
        EXPECT_EQ(t.Grid->rowCount(), 6);
        EXPECT_TRUE(t.HasChanges());

        fake.AnswerMessage(MsgResult::Cancel, "Edition");
        t.close();
        EXPECT_TRUE(t.isVisible());
        EXPECT_EQ(fake.Prompts().back().text, "Il y a eu des modications.\nVoulez-vous les conserver ?");
        EXPECT_EQ(fake.Prompts().back().buttons, MsgYesNoCancel);
        fake.AnswerMessage(MsgResult::Yes, "Edition");
        t.close();
        EXPECT_FALSE(t.isVisible());
    });
    EXPECT_EQ(Root().GetPathString("PUITS-1\\Niveau\\Litho", 4), "Schiste sain");
    EXPECT_EQ(Root().FindDir("PUITS-1\\Niveau")->RowCount(), 5);
    EXPECT_TRUE(child->IsModified());

    // "Non" discards the edit.
    RunShown("Niveau", [&](TFTableur& t) {
        Type(t, t.Logic().ColumnOf("Litho"), 1, "Remblai");
        fake.AnswerMessage(MsgResult::No, "Edition");
        t.close();
    });
    EXPECT_EQ(Root().GetPathString("PUITS-1\\Niveau\\Litho", 0), "Terre v\xC3\xA9g\xC3\xA9tale brune");

    // The width of "Motif" is kept for the next time.
    RunShown("Niveau", [&](TFTableur& t) {
        t.Grid->setColumnWidth(t.Grid->columnCount() - 1, 90);
        t.close();
    });
    EXPECT_EQ(IniCarotix->ReadInteger("Dessin", "LargeurColonneMotif", 0), 90);
}

TEST_F(SpreadsheetWindowTest, NineLexiconEntriesMakeAMenuTenOpenThePicker)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= 9; ++i) lines.push_back("K" + std::to_string(i) + "=C" + std::to_string(i) + "=Label " + std::to_string(i));
    IniEdition->WriteSection("Niveau\\Type", lines);
    int picked = 0;
    TableurSeams().PickLexicon = [&](const std::vector<std::string>& codes, const std::vector<std::string>&) {
        ++picked;
        EXPECT_EQ(codes.size(), 10u);
        return std::optional<int>(9);
    };
    RunShown("Niveau", [&](TFTableur& t) {
        const int type = t.Logic().ColumnOf("Type");
        t.SetCurrentCell(type, 2);
        int menus = 0;
        t.RunMenu = [&](QMenu* menu, QPoint) {
            ++menus;
            EXPECT_EQ(FromQString(menu->actions()[0]->text()), "C1. Label 1");
            return menu->actions()[1];
        };
        t.ShowCellPopup(QPoint(1, 1));
        EXPECT_EQ(menus, 1);
        EXPECT_EQ(t.Logic().Grid.Cell(type, 2), "C2");

        lines.push_back("K10=C10=Label 10");
        IniEdition->WriteSection("Niveau\\Type", lines);
        t.ShowCellPopup(QPoint(1, 1));
        EXPECT_EQ(menus, 1);
        EXPECT_EQ(picked, 1);
        EXPECT_EQ(t.Logic().Grid.Cell(type, 2), "C10");
        t.RunMenu = nullptr;
        fake.AnswerMessage(MsgResult::No, "Edition");
        t.close();
    });
}

TEST_F(SpreadsheetWindowTest, KeysDeleteAndInsertRowsAndEscapeAsksBeforeClosing)
{
    RunShown("Niveau", [&](TFTableur& t) {
        auto press = [&](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QKeyEvent event(QEvent::KeyPress, key, mods);
            QApplication::sendEvent(t.Grid, &event);
        };
        t.SetCurrentCell(0, 1);
        press(Qt::Key_Y, Qt::ControlModifier);   // delete the first level
        EXPECT_EQ(t.Grid->rowCount(), 4);
        EXPECT_EQ(t.Logic().DeletedRows.size(), 1u);
        press(Qt::Key_N, Qt::ControlModifier);   // a new row above the current one
        EXPECT_EQ(t.Grid->rowCount(), 5);
        EXPECT_TRUE(t.Logic().RowIsEmpty(1));
        press(Qt::Key_Return);
        EXPECT_TRUE(t.EditMode());
        EXPECT_TRUE(t.ToolEdit->isChecked());
        press(Qt::Key_Return);
        EXPECT_FALSE(t.EditMode());
        fake.AnswerMessage(MsgResult::No, "Edition");
        press(Qt::Key_Escape);
        EXPECT_FALSE(t.isVisible());
    });
    EXPECT_EQ(Root().FindDir("PUITS-1\\Niveau")->RowCount(), 5);
}

TEST_F(SpreadsheetWindowTest, ValidateStoresWithoutAskingAndEmptyTablesAreDropped)
{
    RunShown("Trou-nu", [&](TFTableur& t) {
        Type(t, t.Logic().ColumnOf("Diam"), 1, "1100");
        t.ToolButton9->click();
    });
    EXPECT_EQ(Root().GetPathFloat("PUITS-1\\Trou-nu\\Diam", 0), 1100.0);
    EXPECT_EQ(Root().GetPathString("PUITS-1\\Trou-nu\\D\xC3\xA9sign", 0), "PUITS-1");

    // A table the ouvrage does not have opens with one empty row and goes
    // away again when nothing was typed.
    RunShown("Essais de pompage", [&](TFTableur& t) {
        EXPECT_EQ(t.Grid->rowCount(), 1);
        t.close();
    });
    EXPECT_EQ(Root().FindDir("PUITS-1\\Pompage"), nullptr);
}

TEST_F(SpreadsheetWindowTest, SingleTubeEquipmentDrawingThroughItsSeam)
{
    int draws = 0;
    std::string drawnTable;
    TableurSeams().DrawEquipment = [&](const std::string& table, Canvas&, int w, int h, TDirBlock* borehole,
                                       TDirBlock* tableDir, const std::string& design, const TStructTable&,
                                       const StringGrid& grid) {
        ++draws;
        drawnTable = table;
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        EXPECT_EQ(borehole->Name, "PUITS-1");
        EXPECT_EQ(tableDir->Name, "Tubage");
        EXPECT_EQ(design, "PUITS-1");
        EXPECT_EQ(grid.Cell(0, 0), "De (m)");
    };
    RunShown("Tube simple", [&](TFTableur& t) {
        EXPECT_EQ(FromQString(t.windowTitle()), "PUITS-1 PUITS-1 - Tube : CUVELAGE");
        EXPECT_TRUE(t.Image->isVisible());
        t.TimerTick();
        EXPECT_EQ(draws, 1);
        t.TimerTick();   // nothing asked: no redraw
        EXPECT_EQ(draws, 1);
        t.close();
    });
    EXPECT_EQ(drawnTable, "Tubage");
    EXPECT_EQ(FTableur->TubeName, "");
    EXPECT_FALSE(FTableur->Timer1->isActive());
}

TEST_F(SpreadsheetWindowTest, FromDatabaseFillsAndStoresWithoutShowing)
{
    std::string sql;
    TableurSeams().RunQuery = [&](const std::string& text) {
        sql = text;
        return std::vector<std::vector<std::optional<std::string>>>{{"0", "12", "1300"}};
    };
    IniSql->WriteSection("TROU_NU=Trou-nu", {"DESIGNATION=", "PROF_DEB=Deb", "PROF_FIN=Fin", "DIAM=Diam"});
    child->EditTable("Trou-nu", true, -1, true);
    EXPECT_EQ(sql, "SELECT PROF_DEB, PROF_FIN, DIAM FROM TROU_NU WHERE INDICE = 'PUITS-1' AND DESIGNATION = 'PUITS-1';");
    EXPECT_EQ(Root().GetPathFloat("PUITS-1\\Trou-nu\\Fin", 0), 12.0);
    EXPECT_EQ(Root().GetPathFloat("PUITS-1\\Trou-nu\\Diam", 0), 1300.0);
    EXPECT_FALSE(FTableur->isVisible());
}

}  // namespace
