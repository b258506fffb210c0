// The code-model window, headless: the combo box, the keys of the grid and
// the drawing of its cells.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QTableView>
#include <gtest/gtest.h>

#include "drawing/code_models.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "platform/fake_ui_services.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class CodeMotifCoulWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir / "modeles.ini", "[Base]\r\nSAB=3,255,200,120\r\nARG=12,,,\r\n[Second]\r\nCAL=5,1,2,3\r\n");
        WriteFileBytes(dir / "carotix.ini", "[G\xC3\xA9n\xC3\xA9ral]\r\nMod\xC3\xA8leMotifCouleur=Base\r\n");
        OptionsInitialize(dir.path());
        fake.SetFailureReporter([](const std::string& m) { ADD_FAILURE() << m; });
    }
    void TearDown() override { OptionsRelease(); }

    void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(w, &press);
    }

    TempDir dir;
    FakeUiServices fake;
};

TEST_F(CodeMotifCoulWindowTest, ShowsTheCurrentModelAndKeepsTabInTheGrid)
{
    ScopedUi use(fake);
    TFCodeMotifCoul form;
    // Created, not shown: the drawing already sees the current model.
    EXPECT_EQ(CurrentCodeModel().Cell(kModelColCode, 1), "SAB");
    form.FormShow();
    ASSERT_EQ(form.CModele->count(), 2);
    EXPECT_EQ(form.CModele->currentIndex(), 0);
    EXPECT_EQ(form.Grid->model()->rowCount(), 4);
    EXPECT_EQ(form.Grid->model()->index(1, kModelColCode).data().toString(), "SAB");

    form.SelectCell(kModelColBleu, 3);  // the last cell
    Key(form.Grid, Qt::Key_Tab);
    EXPECT_EQ(form.Grid->currentIndex().row(), 3);
    EXPECT_EQ(form.Grid->currentIndex().column(), kModelColBleu);
    form.SelectCell(kModelColBleu, 1);
    Key(form.Grid, Qt::Key_Tab);
    EXPECT_EQ(form.Grid->currentIndex().row(), 2);
    EXPECT_EQ(form.Grid->currentIndex().column(), kModelColCode);
    Key(form.Grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(form.Grid->currentIndex().row(), 1);
    EXPECT_EQ(form.Grid->currentIndex().column(), kModelColBleu);

    // Another model from the combo box.
    form.CModeleChange(1);
    EXPECT_EQ(form.Grid->model()->index(1, kModelColCode).data().toString(), "CAL");
    EXPECT_EQ(IniCarotix->ReadString("Général", "ModèleMotifCouleur", ""), "Second");
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeMotifCoulWindowTest, EnterFillsACodesRow)
{
    ScopedUi use(fake);
    TFCodeMotifCoul form;
    form.FormShow();
    ASSERT_TRUE(form.GridSetEditText(kModelColCode, 3, "CAL1203"));
    form.SelectCell(kModelColCode, 3);
    Key(form.Grid, Qt::Key_Return);
    const CodeModelGrid& g = CurrentCodeModel();
    EXPECT_EQ(g.Cell(kModelColMotif, 3), "3");
    EXPECT_EQ(g.Cell(kModelColRouge, 3), "190");
    EXPECT_TRUE(form.Editor().Changed());
    // Closing asks about the change; "Non" reloads the model.
    fake.AnswerMessage(MsgResult::No, "Motifs et couleurs");
    EXPECT_TRUE(form.close());
    EXPECT_EQ(g.Cell(kModelColCode, 3), "");
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeMotifCoulWindowTest, HeaderShowsPureChannelSquares)
{
    ScopedUi use(fake);
    TFCodeMotifCoul form;
    form.resize(500, 300);
    form.FormShow();
    form.show();
    QApplication::processEvents();
    const QImage shot = form.Grid->viewport()->grab().toImage();
    for (int col = kModelColRouge; col <= kModelColBleu; ++col) {
        const QRect cell = form.Grid->visualRect(form.Grid->model()->index(0, col));
        const QColor c = shot.pixelColor(cell.left() + 5, (cell.top() + cell.top() + cell.height()) / 2);
        EXPECT_EQ(c, col == kModelColRouge ? QColor(255, 0, 0) : col == kModelColVert ? QColor(0, 255, 0)
                                                                                       : QColor(0, 0, 255))
            << col;
    }
    // Row 1 (SAB: pattern 3 in 255, 200, 120): its swatch shows the colour
    // and dark strokes over it.
    const QRect swatch = form.Grid->visualRect(form.Grid->model()->index(1, kModelColSwatch));
    int coloured = 0, dark = 0;
    for (int y = swatch.top() + 2; y < swatch.bottom() - 1; ++y)
        for (int x = swatch.left() + 2; x < swatch.right() - 1; ++x) {
            const QColor p = shot.pixelColor(x, y);
            coloured += p == QColor(255, 200, 120);
            dark += qGray(p.rgb()) < 160;
        }
    EXPECT_GT(coloured, 50);
    EXPECT_GT(dark, 0);
    QDir().mkpath(QStringLiteral(CAROTIX_SHOTS_DIR));
    form.grab().toImage().save(QStringLiteral(CAROTIX_SHOTS_DIR "/code_model_window.png"));
    form.hide();
    EXPECT_TRUE(fake.Verify());
}

}  // namespace
