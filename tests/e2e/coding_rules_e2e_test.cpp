// The coding rules dialog as a person retypes a rule: clearing a rule's code
// and description keeps the row under the caret, the next key goes into it,
// and a rule left empty is gone once the user moves on and saves.
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "coding/windows/coding_rules_window.h"
#include "app/windows/main_window.h"
#include "e2e_program.h"
#include "temp_dir.h"

namespace {

class CodingRulesE2e : public E2eTest {};

std::string Cell(QTableView* grid, int row) { return grid->model()->index(row, 0).data().toString().toStdString(); }

TEST_F(CodingRulesE2e, ClearingARuleKeepsItsRowUntilTheUserMovesOn)
{
    Start();
    const std::string before = ReadFileBytes(Folder() / "Descriptions.csv");
    bool checked = false;
    WhenShown([] { return FCodage && FCodage->isVisible(); }, [&] {
        QTableView* grid = FCodage->GridDescr;
        const int rows = grid->model()->rowCount();
        ClickCell(grid, 1, 0);
        ASSERT_EQ(FCodage->Edit1->text().toStdString(), "SABLON");
        const std::string next = Cell(grid, 2);
        for (QLineEdit* edit : {FCodage->Edit2, FCodage->Edit1}) {
            Click(edit);
            Key(edit, Qt::Key_A, Qt::ControlModifier);
            Key(edit, Qt::Key_Backspace);
        }
        EXPECT_EQ(grid->model()->rowCount(), rows);
        EXPECT_EQ(Cell(grid, 1), "");
        Type(FCodage->Edit1, "g");
        EXPECT_EQ(FCodage->Edit1->text().toStdString(), "G");
        EXPECT_EQ(Cell(grid, 1), "G");
        EXPECT_EQ(Cell(grid, 2), next);
        Key(FCodage->Edit1, Qt::Key_Backspace);
        ClickCell(grid, 2, 0);
        Settle();
        EXPECT_EQ(grid->model()->rowCount(), rows - 1);
        EXPECT_EQ(Cell(grid, 1), next);
        EXPECT_EQ(FCodage->Edit1->text().toStdString(), next);
        EXPECT_EQ(grid->currentIndex().row(), 1);
        Click(FCodage->Button2);  // "Ok" saves
        checked = true;
    });
    // Wide enough for the whole menu bar, as the user's screen is.
    Main().resize(1400, 900);
    Settle();
    ASSERT_TRUE(Menu({"Confi&guration", "Configuration du codage..."}));
    ASSERT_TRUE(checked);
    // The file lost the rule "SABLON" and nothing else.
    std::string expected = before;
    const std::size_t at = expected.find("SABLON;SAB1107;\r\n");
    ASSERT_NE(at, std::string::npos);
    expected.erase(at, std::string("SABLON;SAB1107;\r\n").size());
    EXPECT_EQ(ReadFileBytes(Folder() / "Descriptions.csv"), expected);
}

}  // namespace
