// The colour-table editor, the pattern chooser, the palette, the code-model
// window's sorts, pickers and printing, the title-block editor and their
// main-window commands, headless through the scripted prompts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>

#include "app/windows/main_window.h"
#include "drawing/bandeau.h"
#include "drawing/code_models.h"
#include "drawing/printing.h"
#include "drawing/windows/bandeau_window.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "drawing/windows/colours_window.h"
#include "drawing/windows/palette_window.h"
#include "drawing/windows/pattern_chooser_window.h"
#include "platform/fake_ui_services.h"
#include "scoped_global.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class ColourTitleWindowsTest : public ::testing::Test {
protected:
    // The title block is loaded at start and edited by the windows; put back
    // for the tests after this one (declared first, restored last).
    ScopedGlobal<std::vector<TBandeauObjet>> titleBlock_{BandeauObjets};
    ScopedGlobal<bool> titleBlockChanged_{BandeauModifie};
    void SetUp() override
    {
        WriteFileBytes(dir.path() / "modeles.ini", "[Base]\r\nSAB=3,255,200,120\r\nARG=12,,,\r\nCAL=5,1,2,3\r\n");
        WriteFileBytes(dir.path() / "carotix.ini",
                       "[G\xC3\xA9n\xC3\xA9ral]\r\nMod\xC3\xA8leMotifCouleur=Base\r\n[Bandeau]\r\n"
                       "Objet0=0,0,60,0,-1,\"\"\r\nObjet1=1,1,30,10,15,\"%Indice%\",center\r\n");
        OptionsInitialize(dir.path());
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    // Runs `fn` once the modal dialog about to open has started.
    static void WhenShown(std::function<void()> fn) { QTimer::singleShot(0, qApp, std::move(fn)); }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

// A document whose pages stay with the test after the printing code drops it.
class KeptDocument final : public PrintDocument {
public:
    explicit KeptDocument(RecordingPrintDocument& d) : d_(d) {}
    TDeviceCaps Caps() const override { return d_.Caps(); }
    bool BeginDoc(const std::string& title) override { return d_.BeginDoc(title); }
    Canvas& PageCanvas() override { return d_.PageCanvas(); }
    bool NewPage() override { return d_.NewPage(); }
    bool EndDoc() override { return d_.EndDoc(); }
    void Abort() override { d_.Abort(); }
    bool Printing() const override { return d_.Printing(); }

private:
    RecordingPrintDocument& d_;
};

TDeviceCaps A4()
{
    TDeviceCaps caps;
    caps.LogPixelsX = caps.LogPixelsY = 600;
    caps.PhysicalWidth = caps.HorzRes = 4961;
    caps.PhysicalHeight = caps.VertRes = 7016;
    return caps;
}

}  // namespace

TEST_F(ColourTitleWindowsTest, ColourEditorAsksBeforeDroppingChangesAndStoresOnOk)
{
    TFCouleurs form;
    form.FormShow();
    EXPECT_EQ(form.LSelect->text(), QString::fromUtf8("Couleur n\xC2\xB0" "0"));
    form.SelectSwatch(2);
    form.ERed->setText(QStringLiteral("300"));
    emit form.ERed->textEdited(form.ERed->text());
    EXPECT_EQ(form.ERed->text(), QStringLiteral("255"));
    fake.AnswerMessage(MsgResult::Cancel, "Couleurs");
    form.reject();  // "Annuler": the question, Cancel keeps the change
    EXPECT_EQ(ColorRed(form.Editor().Swatch(2)), 255);
    form.BOkClick();
    EXPECT_EQ(ColorRed(ColourTable[2]), 255);
}

TEST_F(ColourTitleWindowsTest, PatternChooserNumbersAndPrintedList)
{
    TFMotifs form;
    EXPECT_TRUE(form.ShowNumbers);
    form.SetCurrentMotif(47);
    EXPECT_EQ(form.DrawGrid->currentColumn(), 4);
    EXPECT_EQ(form.DrawGrid->currentRow(), 7);
    form.BOkClick();
    EXPECT_EQ(form.SelectedMotif, 47);
    // The number's font has a cell height of a quarter of the picture: its box
    // (framed down the left column) is 200 / 4 = 50 rows high, to a rounding
    // of the face's metrics.
    {
        const QImage numbered = form.CellPicture(0, 0, 200, 200, false);
        const QColor frame = form.DrawGrid->palette().color(QPalette::Text);
        int rows = 0;
        while (rows < numbered.height() && numbered.pixelColor(0, rows) == frame) ++rows;
        EXPECT_GE(rows, 49);
        EXPECT_LE(rows, 51);
        EXPECT_NE(numbered.pixelColor(0, rows + 1), frame);
    }
    form.CheckBox_Numerotation->setChecked(false);
    EXPECT_FALSE(IniCarotix->ReadBool("G\xC3\xA9n\xC3\xA9ral", "Num\xC3\xA9rotationMotifs", true));
    // Pattern 0 without its number draws only the background.
    const QImage cell = form.CellPicture(0, 0, 60, 31, false);
    EXPECT_EQ(cell.size(), QSize(60, 31));
    EXPECT_EQ(cell.pixelColor(30, 15), cell.pixelColor(2, 2));

    RecordingPrintDocument kept(A4());
    TFMotifs::PrintDocumentSeam() = [&] { return std::unique_ptr<PrintDocument>(new KeptDocument(kept)); };
    fake.AnswerMessage(MsgResult::Yes, "Mod\xC3\xA8les");
    TFMotifs::PrintMotifList();
    TFMotifs::PrintDocumentSeam() = nullptr;
    EXPECT_EQ(kept.Title, "Carotix - Motifs");
    EXPECT_EQ(kept.Pages.size(), 1u);
    EXPECT_TRUE(fake.Prompts()[0].text.starts_with("Nombres de pages \xC3\xA0 imprimer : 1."));
}

TEST_F(ColourTitleWindowsTest, CodeModelSortsPickersAndPrinting)
{
    TFCodeMotifCoul form;
    form.FormShow();
    ASSERT_NE(form.ToolButton9, nullptr);
    EXPECT_EQ(form.ToolButton9->text(), QStringLiteral("Classer"));
    EXPECT_EQ(form.ToolButton10->text(), QStringLiteral("Impr."));
    ASSERT_EQ(form.PopupClasser->actions().size(), 4);
    form.PopupClasser->actions()[0]->trigger();  // "Classer par code"
    const CodeModelGrid& g = CurrentCodeModel();
    EXPECT_EQ(g.Cell(kModelColCode, 1), "ARG");
    EXPECT_EQ(g.Cell(kModelColCode, 3), "SAB");
    EXPECT_TRUE(form.Editor().Changed());

    // A right click on a pattern cell opens the chooser on it; "Ok" on 47.
    TFMotifs chooser(&form);
    WhenShown([&] {
        EXPECT_EQ(chooser.CurrentMotif(), 5);  // CAL's pattern
        chooser.SetCurrentMotif(47);
        chooser.BOkClick();
    });
    form.GridContextPopup(kModelColMotif, 2);
    EXPECT_EQ(g.Cell(kModelColMotif, 2), "47");

    // On a colour cell the palette opens on the row's colour; "Ok" keeps it.
    TFPalette palette(&form);
    WhenShown([&] { palette.accept(); });
    form.GridContextPopup(kModelColVert, 2);
    EXPECT_EQ(g.Cell(kModelColRouge, 2), "1");
    EXPECT_EQ(g.Cell(kModelColVert, 2), "2");
    EXPECT_EQ(g.Cell(kModelColBleu, 2), "3");

    RecordingPrintDocument* printed = nullptr;
    form.MakePrintDocument = [&] {
        auto d = std::make_unique<RecordingPrintDocument>(A4());
        printed = d.get();
        return std::unique_ptr<PrintDocument>(std::move(d));
    };
    fake.AnswerMessage(MsgResult::No, "Mod\xC3\xA8les");
    form.ToolButton10Click();
    ASSERT_NE(printed, nullptr);
    EXPECT_EQ(fake.Prompts().back().text,
              "Nombres de pages \xC3\xA0 imprimer : 1. Confirmez-vous l'impression du mod\xC3\xA8le affich\xC3\xA9 ?");
    form.Editor().SetChanged(false);
}

TEST_F(ColourTitleWindowsTest, TitleBlockEditorLoadsEditsAndAccepts)
{
    BandeauObjets.clear();
    BandeauModifie = false;
    TFBandeau form;
    ASSERT_EQ(BandeauObjets.size(), 2u);  // loaded by its creation
    EXPECT_EQ(BandeauObjets[1].Align, 2);
    EXPECT_EQ(form.CMode->currentText(), QString::fromUtf8("S\xC3\xA9lection"));
    form.FormShow();
    form.SpinTailleBandeau->setValue(12);
    EXPECT_EQ(OptTailleBandeau, 12);
    // "Non" puts the height back.
    fake.AnswerMessage(MsgResult::No, "Bandeau");
    form.reject();
    EXPECT_EQ(OptTailleBandeau, 9);

    form.FormShow();
    form.Editor().Toggle(0);
    form.ToolSupprClick();
    EXPECT_EQ(BandeauObjets.size(), 1u);
    form.CaptionButton1Click();
    EXPECT_TRUE(BandeauModifie);
    BandeauEnregistrerCarotix();
    EXPECT_EQ(IniCarotix->ReadString("Bandeau", "Objet0", ""), "1,1,30,10,15,\"%Indice%\",center");
}

TEST_F(ColourTitleWindowsTest, MainWindowItemsOpenTheWindows)
{
    TFMain main;
    auto item = [](QMenu* menu, const char* caption) -> QAction* {
        for (QAction* a : menu->actions())
            if (a->text() == QString::fromUtf8(caption)) return a;
        return nullptr;
    };
    QAction* couleurs = item(main.Configuration1, "Choix des couleurs 0 \xC3\xA0 9...");
    QAction* bandeau = item(main.Configuration1, "Edition du bandeau...");
    ASSERT_NE(couleurs, nullptr);
    ASSERT_NE(bandeau, nullptr);
    ASSERT_NE(item(main.Operations1, "Imprimer la liste des motifs..."), nullptr);
    EXPECT_EQ(bandeau->statusTip(), QStringLiteral("Bandeau d'information en haut des coupes lithologique et technique"));
    WhenShown([] { FCouleurs->BOkClick(); });
    couleurs->trigger();
    ASSERT_NE(FCouleurs, nullptr);
    EXPECT_FALSE(FCouleurs->isVisible());
    WhenShown([] { FBandeau->CaptionButton1Click(); });
    bandeau->trigger();
    EXPECT_FALSE(FBandeau->isVisible());
    EXPECT_FALSE(BandeauModifie);  // nothing changed
}
