// The spreadsheet as a person fills it in: cells typed over or edited in
// place, the check-mark button, Enter on a fresh window, a save refused by a
// cell that does not convert, untouched floats kept, the pickers opened from
// cells, the controls of each table kind; and the settings' reports reaching
// the user in boxes.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/record_sheet_window.h"
#include "app/windows/spreadsheet_window.h"
#include "app/windows/strati_window.h"
#include "coding/codage_binding.h"
#include "coding/windows/lexicon_picker_window.h"
#include "e2e_program.h"
#include "exchange/database_download.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "temp_dir.h"
#include "tree_text.h"

namespace {

class SpreadsheetE2e : public E2eTest {
protected:
    // Selects the ouvrage's line and opens one of its tables through the
    // "Ouvrage" menu; `act` runs while the spreadsheet is shown.
    void InTable(TFChild& c, const std::string& indice, const std::string& table, std::function<void(TFTableur&)> act)
    {
        ClickRow(c, c.FindRow(indice, indice == "F-VAL-01" ? "F1" : indice));
        bool ran = false;
        WhenShown([] { return FTableur && FTableur->isVisible() && QApplication::activeModalWidget() == FTableur; },
                  [&] {
                      ran = true;
                      act(*FTableur);
                  });
        ASSERT_TRUE(Menu({"O&uvrage", table}));
        EXPECT_TRUE(ran);
    }
    // The grid column whose title is shown.
    static int Column(TFTableur& t, const std::string& title)
    {
        for (int c = 0; c < t.Grid->columnCount(); ++c)
            if (t.Grid->horizontalHeaderItem(c) && FromQString(t.Grid->horizontalHeaderItem(c)->text()) == title)
                return c;
        ADD_FAILURE() << "no column " << title;
        return 0;
    }
    static std::string Shown(TFTableur& t, int row, int col)
    {
        const QTableWidgetItem* item = t.Grid->item(row, col);
        return item ? FromQString(item->text()) : std::string();
    }
    // "Fichier" > "Enregistrer", then the file as the store reads it back.
    std::unique_ptr<TDirBlock> SaveAndRead() { return ReadCrx(SaveAndReadPath()); }
    std::filesystem::path SaveAndReadPath()
    {
        EXPECT_TRUE(Menu({"&Fichier", "En&registrer"}));
        return SamplePath();
    }
};

const char* const kLitho = "Description lithologique";

// What Qt says about cell editors while a test runs (a commit through an
// editor the grid no longer holds loses the text typed).
std::vector<std::string> gEditorWarnings;
void KeepEditorWarnings(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.contains(QLatin1String("editor"))) gEditorWarnings.push_back(message.toStdString());
}

// A new description typed over the old one, or added to it after F2, is coded
// whole when the user leaves the cell.
TEST_F(SpreadsheetE2e, InstantCodingCodesTheWholeDescriptionTyped)
{
    Start();
    TFChild& c = OpenSample();
    struct Case {
        const char* how;
        int row;
        std::vector<int> before;   // keys pressed before typing
        std::string typed;
        bool leaveByClick;         // else by Enter
        std::string description;
    };
    const std::vector<Case> cases = {
        {"typed over", 0, {}, "Argile sableuse grise", false, "Argile sableuse grise"},
        {"F2 then typed at the end", 1, {Qt::Key_F2, Qt::Key_End}, " et sable", false, "Limon argileux ocre et sable"},
        {"typed over, left by a click", 2, {}, "Calcaire gris", true, "Calcaire gris"},
    };
    gEditorWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(KeepEditorWarnings);
    InTable(c, "PUITS-1", "Niveau", [&](TFTableur& t) {
        const int litho = Column(t, kLitho);
        for (const Case& k : cases) {
            ClickCell(t.Grid, k.row, litho);
            for (const int key : k.before) KeyToFocus(key);
            TypeToFocus(k.typed);
            if (k.leaveByClick)
                ClickCell(t.Grid, 4, 0);
            else
                KeyToFocus(Qt::Key_Return);
            Settle();
            EXPECT_EQ(Shown(t, k.row, litho), k.description) << k.how;
        }
        Click(t.ToolButton9);
    });
    qInstallMessageHandler(previous);
    EXPECT_TRUE(gEditorWarnings.empty()) << gEditorWarnings.front();
    auto saved = SaveAndRead();
    for (const Case& k : cases) {
        const std::string code = CodageDLL().MakeCode(UpperCase(k.description));
        EXPECT_FALSE(code.empty()) << k.description;
        EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\Litho", k.row), k.description) << k.how;
        EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\CodeNiv", k.row), code) << k.how;
    }
}

// The check-mark stores what is typed in the cell still being edited.
TEST_F(SpreadsheetE2e, CheckMarkStoresTheCellBeingTyped)
{
    Start();
    TFChild& c = OpenSample();
    struct Case {
        const char* column;
        int row;
        std::string typed;
        double stored;
    };
    const std::vector<Case> cases = {{"A (m)", 4, "9.75", 9.75}, {"De (m)", 0, "0.2", 0.2}};
    for (const Case& k : cases) {
        InTable(c, "PUITS-1", "Niveau", [&](TFTableur& t) {
            ClickCell(t.Grid, k.row, Column(t, k.column));
            TypeToFocus(k.typed);
            Click(t.ToolButton9);
            EXPECT_FALSE(t.isVisible());
        });
    }
    auto saved = SaveAndRead();
    EXPECT_EQ(saved->GetPathFloat("PUITS-1\\Niveau\\Fin", 4), 9.75);
    EXPECT_EQ(saved->GetPathFloat("PUITS-1\\Niveau\\Deb", 0), 0.2);
}

// Enter on a window just opened enters the edit mode of the grid, which has
// the keyboard; no button takes the key.
TEST_F(SpreadsheetE2e, EnterOnAFreshWindowEditsTheCell)
{
    Start();
    TFChild& c = OpenSample();
    const std::string before = ReadFileBytes(SamplePath());
    InTable(c, "PUITS-1", "Niveau", [&](TFTableur& t) {
        EXPECT_EQ(QApplication::focusWidget(), t.Grid);
        for (QPushButton* b : t.findChildren<QPushButton*>())
            EXPECT_FALSE(b->isDefault() || b->autoDefault()) << FromQString(b->text());
        KeyToFocus(Qt::Key_Return);
        Settle();
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_TRUE(editor && t.Grid->isAncestorOf(editor)) << "no cell editor";
        EXPECT_EQ(FromQString(editor->text()), "0");
        EXPECT_TRUE(t.ToolEdit->isChecked());
        KeyToFocus(Qt::Key_Return);
        EXPECT_EQ(Shown(t, 0, Column(t, kLitho)), "Terre v\xC3\xA9g\xC3\xA9tale brune");
        EXPECT_EQ(t.Grid->rowCount(), 5);
        KeyToFocus(Qt::Key_Escape);   // nothing changed: no question
    });
    EXPECT_EQ(ReadFileBytes(SamplePath()), before);
    EXPECT_EQ(ReadFileBytes(SaveAndReadPath()), before);
}

// A cell that does not convert stops the save before anything is stored:
// the cell is selected and named, and the tables stay as they were, the row
// deleted before included.
TEST_F(SpreadsheetE2e, ASaveWithACellThatDoesNotConvertStoresNothing)
{
    Start();
    TFChild& c = OpenSample();
    const std::string before = ReadFileBytes(SamplePath());
    struct Case {
        const char* table;
        const char* column;
        int row;   // after the first row was deleted, where there is one
        std::string typed;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"Niveau", "A (m)", 1, "abc", "'abc' n'est pas une valeur en virgule flottante correcte"},
        {"Niveau", "De (m)", 2, "1,5", "'1,5' n'est pas une valeur en virgule flottante correcte"},
        {"Niveau", "A (m)", 0, "1e400", "'1e400' n'est pas une valeur en virgule flottante correcte"},
        {"Trou-nu", "M\xC3\xA9thode de foration", 0, "99999999999", "'99999999999' n'est pas une valeur enti\xC3\xA8re correcte"},
        {"Essais de pompage", "Date de d\xC3\xA9" "but", 0, "1/2/2003", "Format date attendu (1/2/2003)"},
    };
    for (const Case& k : cases) {
        InTable(c, "F-VAL-01", k.table, [&](TFTableur& t) {
            const int col = Column(t, k.column);
            if (t.Grid->rowCount() > 2) {
                // Elsewhere than the cell typed into: a second press on the
                // same point enters the edit mode.
                ClickCell(t.Grid, 0, col == 0 ? 1 : 0);
                KeyToFocus(Qt::Key_Y, Qt::ControlModifier);
            }
            ClickCell(t.Grid, k.row, col);
            TypeToFocus(k.typed);
            Ui().AnswerMessage(MsgResult::Ok, "Carotix");
            Click(t.ToolButton9);
            ASSERT_TRUE(t.isVisible()) << k.typed;
            EXPECT_EQ(Ui().Prompts().back().text, k.message + "\n\nColonne \xC2\xAB " + k.column +
                                                      " \xC2\xBB, ligne " + std::to_string(k.row + 1) + ".");
            EXPECT_EQ(t.Grid->currentRow(), k.row);
            EXPECT_EQ(t.Grid->currentColumn(), col);
            Ui().AnswerMessage(MsgResult::No, "Edition");
            KeyToFocus(Qt::Key_Escape);
        });
    }
    EXPECT_EQ(ReadFileBytes(SaveAndReadPath()), before);
}

// Floats of cells the user did not edit keep every bit: a cell shows 15
// digits, and what it shows is not what is stored.
TEST_F(SpreadsheetE2e, ASaveKeepsTheFloatsOfCellsNotEdited)
{
    const double precise = 7.1323200000000018;
    {
        auto sample = ReadCrx(SamplePath());
        sample->SetPathFloat("PUITS-1\\Niveau\\Fin", 2, btFloat, precise);
        sample->SetPathFloat("PUITS-1\\Niveau\\Deb", 3, btFloat, precise);
        sample->SaveToFile(SamplePath().string());
    }
    Start();
    TFChild& c = OpenSample();
    InTable(c, "PUITS-1", "Niveau", [&](TFTableur& t) {
        EXPECT_EQ(Shown(t, 2, Column(t, "A (m)")), "7.13232");
        ClickCell(t.Grid, 0, Column(t, kLitho));
        TypeToFocus("Remblai");
        KeyToFocus(Qt::Key_Return);
        Click(t.ToolButton9);
    });
    auto saved = SaveAndRead();
    EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\Litho", 0), "Remblai");
    EXPECT_EQ(saved->GetPathFloat("PUITS-1\\Niveau\\Fin", 2), precise);
    EXPECT_EQ(saved->GetPathFloat("PUITS-1\\Niveau\\Deb", 3), precise);
}

// The stratigraphy chooser opens from a "Strati" cell, by the right button
// and by the lexicon button; a lexicon longer than nine entries opens the
// lexicon picker.
TEST_F(SpreadsheetE2e, CellsOpenTheStratigraphyChooserAndTheLexiconPicker)
{
    Start();
    TFChild& c = OpenSample();
    // The chooser's list, moved down `steps` lines, then "Ok": the name chosen.
    auto chooseStrati = [this](int steps, std::string& chosen) {
        WhenShown([] { return FStrati && FStrati->isVisible(); }, [steps, &chosen] {
            for (int i = 0; i < steps; ++i) Key(FStrati->ComboBox1, Qt::Key_Down);
            chosen = FromQString(FStrati->ComboBox1->currentText());
            Click(FStrati->ToolBar1->widgetForAction(FStrati->ToolButton9));
        });
    };
    std::string byRightClick, byButton;
    InTable(c, "PUITS-1", "Niveau", [&](TFTableur& t) {
        const int strati = Column(t, "Stratigraphie");
        // Still typing in another cell: the right button opens it all the same.
        ClickCell(t.Grid, 0, Column(t, kLitho));
        TypeToFocus("Remblai");
        chooseStrati(3, byRightClick);
        ClickCell(t.Grid, 0, strati, Qt::RightButton);
        EXPECT_EQ(Shown(t, 0, Column(t, kLitho)), "Remblai");
        EXPECT_EQ(Shown(t, 0, strati), byRightClick);
        ClickCell(t.Grid, 1, strati);
        chooseStrati(5, byButton);
        Click(t.ToolPopup);
        EXPECT_EQ(Shown(t, 1, strati), byButton);
        Click(t.ToolButton9);
    });
    std::string code;
    InTable(c, "PUITS-1", "Trou-nu", [&](TFTableur& t) {
        const int method = Column(t, "M\xC3\xA9thode de foration");
        WhenShown([] { return (FLex && FLex->isVisible()) || QApplication::activePopupWidget(); }, [&] {
            if (QWidget* menu = QApplication::activePopupWidget()) {
                ADD_FAILURE() << "a menu opened, not the lexicon picker";
                menu->close();
                return;
            }
            EXPECT_EQ(FLex->ListView1->topLevelItemCount(), 11);
            ClickCell(FLex->ListView1, 2, 0);
            code = Trim(FromQString(FLex->ListView1->topLevelItem(2)->text(0)));
            Click(FLex->Ok);
        });
        ClickCell(t.Grid, 0, method, Qt::RightButton);
        EXPECT_EQ(Shown(t, 0, method), code);
        Click(t.ToolButton9);
    });
    ASSERT_FALSE(byRightClick.empty());
    ASSERT_NE(byRightClick, byButton);
    auto saved = SaveAndRead();
    EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\Strati", 0), byRightClick);
    EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\Strati", 1), byButton);
    EXPECT_EQ(saved->GetPathString("PUITS-1\\Trou-nu\\M\xC3\xA9thode", 0), code);
}

// A strati.ini that cannot be read leaves the chooser empty, and says why
// once, in a box naming the file, however often the chooser opens.
TEST_F(SpreadsheetE2e, AStratiIniRefusedForItsEncodingIsToldOnce)
{
    const std::filesystem::path strati = Folder() / "strati.ini";
    WriteFileBytes(strati, std::string("[\0S\0]\0\r\0\n\0", 10));
    Start();
    TFChild& c = OpenSample();
    int shown = 0;
    InTable(c, "PUITS-1", "Niveau", [&](TFTableur& t) {
        // The chooser reads the scale when it is first shown.
        Ui().AnswerMessage(MsgResult::Ok, "Carotix");
        for (int row = 0; row < 2; ++row) {
            WhenShown([] { return FStrati && FStrati->isVisible(); }, [&shown] {
                shown += FStrati->ComboBox1->count() == 0 ? 1 : 100;
                KeyToFocus(Qt::Key_Escape);
            });
            ClickCell(t.Grid, row, Column(t, "Stratigraphie"), Qt::RightButton);
        }
        Click(t.ToolButton9);
    });
    EXPECT_EQ(shown, 2);
    int told = 0;
    for (const PromptRecord& p : Ui().Prompts()) told += p.text == UnreadableEncodingMessage(strati) ? 1 : 0;
    EXPECT_EQ(told, 1) << ::testing::PrintToString(PromptLines());
    EXPECT_EQ(ReadFileBytes(strati), std::string("[\0S\0]\0\r\0\n\0", 10));
}

// The coding controls stand in the tool bar of a levels table only, the
// database button only when the settings ask for the database.
TEST_F(SpreadsheetE2e, ToolBarControlsFollowTheTableAndTheDatabaseSetting)
{
    for (const bool database : {true, false}) {
        const std::filesystem::path ini = Folder() / "carotix.ini";
        std::string text = ReadFileBytes(ini);
        const std::size_t at = text.find("MenuBDD=");
        ASSERT_NE(at, std::string::npos);
        text[at + 8] = database ? '1' : '0';
        WriteFileBytes(ini, text);
        Start();
        TFChild& c = OpenSample();
        for (const char* table : {"Niveau", "Trou-nu", "Niveau"}) {
            InTable(c, "PUITS-1", table, [&](TFTableur& t) {
                const bool coding = std::string(table) == "Niveau";
                for (QWidget* w : {static_cast<QWidget*>(t.CAutoCodage), static_cast<QWidget*>(t.BCode),
                                   static_cast<QWidget*>(t.BCodeSel)})
                    EXPECT_EQ(w->isVisible(), coding) << table << " " << FromQString(w->objectName());
                EXPECT_EQ(t.ButtonBDD->isVisible(), database) << table;
                KeyToFocus(Qt::Key_Escape);
            });
        }
        Quit();
    }
}

}  // namespace

// A new borehole typed by hand, which the sample database does not hold:
// "Télécharger de la base de données" leaves every table as typed, the
// collection unmodified, and says so; the spreadsheet's and the record
// sheet's own database buttons keep what was typed too.
TEST_F(SpreadsheetE2e, ADownloadThatFindsNothingKeepsTheTypedBorehole)
{
    Start();
    TFChild& c = OpenSample();
    Ui().AnswerName("BSS-TEST-01", "F1", "Nouvel ouvrage");
    ASSERT_TRUE(Menu({"O&uvrage", "Nouvel ouvrage..."}));
    const int row = c.FindRow("BSS-TEST-01", "F1");
    ASSERT_GE(row, 0);
    // Levels, then open hole and fill, typed and validated.
    const struct {
        std::string table;
        std::vector<std::vector<std::string>> rows;  // De, A, and the description for levels
    } typed[] = {
        {"Niveau", {{"0", "4", "Terre"}, {"4", "12", "Argile grise"}}},
        {"Trou-nu", {{"0", "12"}}},
        {"Annulaire", {{"0", "12"}}},
    };
    for (const auto& t : typed) {
        ClickRow(c, row);
        bool ran = false;
        WhenShown([] { return FTableur && FTableur->isVisible() && QApplication::activeModalWidget() == FTableur; },
                  [&] {
                      ran = true;
                      TFTableur& s = *FTableur;
                      const char* titles[] = {"De (m)", "A (m)", kLitho};
                      for (std::size_t r = 0; r < t.rows.size(); ++r)
                          for (std::size_t k = 0; k < t.rows[r].size(); ++k) {
                              ClickCell(s.Grid, static_cast<int>(r), Column(s, titles[k]));
                              TypeToFocus(t.rows[r][k]);
                              KeyToFocus(Qt::Key_Return);
                          }
                      Click(s.ToolButton9);
                  });
        ASSERT_TRUE(Menu({"O&uvrage", t.table}));
        EXPECT_TRUE(ran);
    }
    ASSERT_EQ(c.FRoot().FindDir("BSS-TEST-01\\Niveau")->RowCount(), 2);
    ASSERT_TRUE(c.FRoot().FindDir("BSS-TEST-01\\Trou-nu"));
    ASSERT_TRUE(c.FRoot().FindDir("BSS-TEST-01\\Annulaire"));
    EXPECT_TRUE(Menu({"&Fichier", "En&registrer"}));
    ASSERT_FALSE(c.IsModified());
    const std::string before = TreeText(c.FRoot());

    ClickRow(c, row);
    Ui().AnswerMessage(MsgResult::Ok, "Pas d'information");
    ASSERT_TRUE(Menu({"O&uvrage", "T\xC3\xA9l\xC3\xA9" "charger de la base de donn\xC3\xA9" "es"}));
    Settle(20);
    EXPECT_EQ(Ui().Prompts().back().text, NothingToDownloadText("BSS-TEST-01", "F1"));
    EXPECT_EQ(Ui().Prompts().back().icon, MsgIcon::Information);
    EXPECT_EQ(TreeText(c.FRoot()), before);
    EXPECT_FALSE(c.IsModified());

    // The spreadsheet's button: the typed levels stay in the grid.
    ClickRow(c, row);
    bool ran = false;
    WhenShown([] { return FTableur && FTableur->isVisible() && QApplication::activeModalWidget() == FTableur; },
              [&] {
                  ran = true;
                  TFTableur& s = *FTableur;
                  Ui().AnswerMessage(MsgResult::Ok, "Pas d'information");
                  Click(s.ButtonBDD);
                  EXPECT_EQ(Ui().Prompts().back().text, TableurNothingFoundText("BSS-TEST-01", "F1", "Niveau"));
                  EXPECT_EQ(Shown(s, 1, Column(s, kLitho)), "Argile grise");
                  EXPECT_EQ(Shown(s, 0, Column(s, "A (m)")), "4");
                  Click(s.ToolButton9);
              });
    ASSERT_TRUE(Menu({"O&uvrage", "Niveau"}));
    EXPECT_TRUE(ran);

    // The record sheet's button: the fields stay as they were.
    ClickRow(c, row);
    ran = false;
    WhenShown([] { return FEdition && FEdition->isVisible(); },
              [&] {
                  ran = true;
                  Ui().AnswerMessage(MsgResult::Ok, "Pas d'information");
                  Click(FEdition->BDatabase);
                  EXPECT_EQ(Ui().Prompts().back().text, SheetNothingFoundText("BSS-TEST-01", "F1", "Ouvrage"));
                  Click(FEdition->BAnnul);
              });
    ASSERT_TRUE(Menu({"O&uvrage", "Informations sur l'ouvrage"}));
    EXPECT_TRUE(ran);
    EXPECT_EQ(TreeText(c.FRoot()), before);
    EXPECT_FALSE(c.IsModified());
}
