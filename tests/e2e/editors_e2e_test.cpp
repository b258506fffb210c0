// Editors as a person types into them: the colour table's component edits,
// the record sheets opened and closed untouched, a block pasted into the
// spreadsheet.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QPushButton>
#include <QSlider>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/record_sheet_window.h"
#include "app/windows/spreadsheet_window.h"
#include "drawing/windows/colours_window.h"
#include "e2e_program.h"

namespace {

class EditorsE2e : public E2eTest {};

// Whatever is typed into R, G or B, the edit holds a number from 0 to 255
// that the bar shows, and no box interrupts the typing.
TEST_F(EditorsE2e, TheColourEditsTakeDigitsUpTo255)
{
    Start();
    Main().resize(1400, 900);
    std::vector<std::string> seen;
    WhenShown([] { return FCouleurs && FCouleurs->isVisible(); }, [&] {
        struct Typed {
            QLineEdit* edit;
            QSlider* bar;
            std::string keys;
        };
        for (const Typed& t : {Typed{FCouleurs->ERed, FCouleurs->RedBar, "1x2-"},
                               Typed{FCouleurs->EGreen, FCouleurs->GreenBar, "-300"},
                               Typed{FCouleurs->EBlue, FCouleurs->BlueBar, "99999999999"},
                               Typed{FCouleurs->EBlue, FCouleurs->BlueBar, "7e1"}}) {
            Click(t.edit);
            Key(t.edit, Qt::Key_A, Qt::ControlModifier);
            Type(t.edit, t.keys);
            seen.push_back(t.edit->text().toStdString() + "/" + std::to_string(t.bar->value()));
        }
        Click(FCouleurs->BOk);
    });
    ASSERT_TRUE(Menu({"Confi&guration", "Choix des couleurs 0 \xC3\xA0 9..."}));
    EXPECT_EQ(seen, (std::vector<std::string>{"12/12", "255/255", "255/255", "71/71"}));
    EXPECT_TRUE(Ui().Prompts().empty()) << PromptLines().front();
}

// Opening a record sheet and closing it by its close box, having touched
// nothing, asks nothing: for every ouvrage of the sample and both sheets.
TEST_F(EditorsE2e, ARecordSheetClosedUntouchedAsksNothing)
{
    Start();
    TFChild& c = OpenSample();
    Ui().Reset();
    // The close box; should a question keep the sheet open, "Annuler".
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [this] {
        if (!FEdition || !FEdition->isVisible()) return;
        if (Ui().Prompts().empty()) FEdition->close();
        else Click(FEdition->BAnnul);
    });
    closer.start(10);
    for (int row = 0; row < 4; ++row) {
        for (const char* sheet : {"Informations sur l'ouvrage", "Dossier associ\xC3\xA9 \xC3\xA0 l'indice"}) {
            SCOPED_TRACE(std::to_string(row) + " " + sheet);
            ClickRow(c, row);
            ASSERT_TRUE(Menu({"O&uvrage", sheet}));
            EXPECT_TRUE(Ui().Prompts().empty()) << PromptLines().front();
            Ui().Reset();
        }
    }
    EXPECT_FALSE(c.IsModified());
}

// Text copied elsewhere and pasted over the descriptions of PUITS-1: an empty
// field at the end of a line, an empty line included, leaves its cell as it
// was; the field before it is written.
TEST_F(EditorsE2e, AnEmptyTrailingFieldOfAPastedBlockWritesNothing)
{
    Start();
    TFChild& c = OpenSample();
    ClickRow(c, 0);   // PUITS-1
    std::vector<std::string> litho, code;
    WhenShown([] { return FTableur && FTableur->isVisible(); }, [&] {
        QTableWidget* grid = FTableur->Grid;
        int col = -1;
        for (int k = 0; k < grid->columnCount(); ++k)
            if (grid->horizontalHeaderItem(k)->text() == QStringLiteral("Description lithologique")) col = k;
        ASSERT_GE(col, 0);
        ClickCell(grid, 0, col);
        QGuiApplication::clipboard()->setText(QStringLiteral("Argile\t\r\n\r\nSable\tSAB\r\n"));
        Click(FTableur->ToolButton3);
        for (int r = 0; r < 3; ++r) {
            litho.push_back(grid->item(r, col)->text().toStdString());
            code.push_back(grid->item(r, col + 1)->text().toStdString());
        }
        Ui().AnswerMessage(MsgResult::No, "Edition");
        FTableur->close();
    });
    ASSERT_TRUE(Menu({"O&uvrage", "Niveau"}));
    EXPECT_EQ(litho, (std::vector<std::string>{"Argile", "Limon argileux ocre", "Sable"}));
    EXPECT_EQ(code, (std::vector<std::string>{"TER1896", "LIM3804", "SAB"}));
}

}  // namespace
