// The drawing options window and the equipment picture window, headless: the
// field lists of the column choices, the water symbol's spellings, the spin's
// bounds, the preview's width, the order and effect of the writes of "Ok",
// "Annuler" leaving the log's picture alone, the picture dialog, and the main
// window's two commands with the spreadsheet's equipment seams.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/windows/drawing_options_commands.h"
#include "app/windows/main_window.h"
#include "app/spreadsheet_logic.h"
#include "drawing/equipment.h"
#include "drawing/log_layout.h"
#include "drawing/title_block.h"
#include "drawing/windows/image_window.h"
#include "drawing/windows/options_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/recording_canvas.h"
#include "sample_boreholes.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class OptionsWindowTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        IniEdition->WriteSection("Trou-nu", {"D\xC3\xA9sign=D\xC3\xA9sign:U10", "De (m)=Deb:F8", "A (m)=Fin:F8",
                                             "Diam\xC3\xA8tre=Diam,mm:F6", "Outil=Outil"});
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        SetImageBas(QImage());
        OptTailleImageBas = 0;
        OptSymboleEau = "Sinuso\xC3\xAF" "de";
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    std::string Dessin(const char* key) const { return IniCarotix->ReadString("Dessin", key, "<absent>"); }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

void OnNextModal(std::function<void(QWidget*)> act)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) return act(w);
        if (++*tries < 500) QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

QAction* MenuItem(QMenu* menu, const char* caption)
{
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(caption)) return a;
    return nullptr;
}

}  // namespace

TEST_F(OptionsWindowTest, FieldListsSymbolsSpinAndPreviewRules)
{
    // The field name alone, whatever follows a colon or a comma.
    EXPECT_EQ(ChampsDeTable("Trou-nu"),
              (std::vector<std::string>{"D\xC3\xA9sign", "Deb", "Fin", "Diam", "Outil"}));
    IniCarotix->WriteString("Dessin", "TrouNuDeb", "Profondeur");
    EXPECT_EQ(IndexChampChoisi(ChampsDeTable("Trou-nu"), "TrouNuDeb", "Deb"), -1);
    EXPECT_EQ(IndexChampChoisi(ChampsDeTable("Trou-nu"), "TrouNuDiam", "Diam"), 3);

    EXPECT_EQ(BoutonSymboleEau("Sinusoide"), 0);
    EXPECT_EQ(BoutonSymboleEau("Triangle vide"), 1);
    EXPECT_EQ(BoutonSymboleEau("Triangle plein"), 2);
    EXPECT_EQ(BoutonSymboleEau("Cercle"), -1);

    EXPECT_EQ(TailleImageBasTapee("40"), 25);
    EXPECT_EQ(TailleImageBasTapee("-3"), 0);
    EXPECT_EQ(TailleImageBasTapee(" 12 "), 12);
    EXPECT_EQ(TailleImageBasTapee("99999999999999"), 25);

    EXPECT_EQ(LargeurApercu(200, 100, 60, 500), 120);
    EXPECT_EQ(LargeurApercu(200, 100, 60, 100), 100);
    EXPECT_EQ(LargeurApercu(0, 0, 60, 100), 0);

    EXPECT_EQ(LignesChampsGrille("Dossier\\Nature,,Dossier\\Commune"),
              (std::vector<std::string>{"Dossier\\Nature", "Dossier\\Commune"}));
    EXPECT_EQ(TexteChampsGrille({"Dossier\\Nature", "", "  ", "Dossier\\Commune", ""}),
              "Dossier\\Nature,Dossier\\Commune");
}

TEST_F(OptionsWindowTest, OkWritesInItsOrderAndAComboWithoutSelectionKeepsItsSetting)
{
    DrawingOptionsChoice c;
    c.Champs[0] = "Deb";
    c.Champs[9] = "Type";
    c.MemoLines = {"Dossier\\Lieu-Dit"};
    c.SymboleEau = 2;
    c.UniteXY = "  m ";
    c.LatitudeLongitude = "Minute";
    c.TailleImageBas = 12;
    std::vector<std::string> keys;
    for (const OptionWrite& w : PlanDrawingOptions(c)) keys.push_back(w.Section + "/" + w.Key + "=" + w.Value);
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "Dessin/TrouNuDeb=Deb", "Dessin/AnnulaireType=Type", "G\xC3\xA9n\xC3\xA9ral/ChampsGrille=Dossier\\Lieu-Dit",
                        "Dessin/SymboleEau=Triangle plein", "Dessin/TexteBasDroite=", "Dessin/ImageBas=",
                        "Dessin/Unit\xC3\xA9XY=m", "Dessin/LatitudeLongitude=Minute", "Dessin/TailleImageBas=12",
                        "Dessin/D\xC3\xA9sactiverLissage=0", "Dessin/SolVisible=1"}));
    c.SymboleEau = -1;  // no button checked: the symbol stays
    for (const OptionWrite& w : PlanDrawingOptions(c)) EXPECT_NE(w.Key, "SymboleEau");
}

TEST_F(OptionsWindowTest, TheWindowShowsTheSettingsAndOkStoresThem)
{
    IniCarotix->WriteString("Dessin", "TrouNuDeb", "Profondeur");
    OptSymboleEau = "Triangle vide";
    IniCarotix->WriteInteger("Dessin", "TailleImageBas", 40);
    TFOptionDessin w;
    EXPECT_EQ(w.SpinImageBas->value(), 25);
    EXPECT_EQ(OptTailleImageBas, 25);  // what the log draws from start-up on
    w.FormShow();
    EXPECT_EQ(w.CTNDeb->currentIndex(), -1);
    EXPECT_EQ(w.CTNFin->currentText(), "Fin");
    EXPECT_TRUE(w.RadioButton2->isChecked());
    EXPECT_EQ(w.MemoChamps->toPlainText(), QString("Dossier\\Nature\nDossier\\Lieu-Dit\nDossier\\Commune"));
    EXPECT_EQ(w.CLatitudeLongitude->currentText(), QString::fromUtf8("Degr\xC3\xA9"));
    // The window as people see it.
    ASSERT_TRUE(QDir().mkpath(CAROTIX_SHOTS_DIR));
    EXPECT_TRUE(w.grab().save(CAROTIX_SHOTS_DIR "/options_window.png"));

    w.SpinImageBas->SetTypedText("40");
    w.SpinImageBasExit();
    EXPECT_EQ(w.SpinImageBas->value(), 25);
    w.SpinImageBas->setValue(7);
    w.CTNFin->setCurrentIndex(4);
    w.MemoChamps->setPlainText("Dossier\\Commune\n\n");
    w.RadioButton1->setChecked(true);
    w.Button1Click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(Dessin("TrouNuDeb"), "Profondeur");  // no selection: kept
    EXPECT_EQ(Dessin("TrouNuFin"), "Outil");
    EXPECT_EQ(OptTrouNuFin, "Outil");
    EXPECT_EQ(Dessin("SymboleEau"), "Sinuso\xC3\xAF" "de");
    EXPECT_EQ(OptSymboleEau, "Sinuso\xC3\xAF" "de");
    EXPECT_EQ(IniCarotix->ReadString("G\xC3\xA9n\xC3\xA9ral", "ChampsGrille", ""), "Dossier\\Commune");
    EXPECT_EQ(Dessin("TailleImageBas"), "7");
    EXPECT_EQ(OptTailleImageBas, 7);
    OptTrouNuFin = "Fin";
}

TEST_F(OptionsWindowTest, PreviewPictureDialogAndCancel)
{
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    const std::string file = (dir.path() / "bas.png").string();
    ASSERT_TRUE(wide.save(QString::fromStdString(file)));
    const std::string stored = Dessin("ImageBas");
    TFOptionDessin w;
    w.FormShow();
    fake.AnswerFiles({file});
    w.Button3Click();
    EXPECT_EQ(w.EImageBas->text().toStdString(), file);
    ASSERT_FALSE(w.PreviewPicture().isNull());
    ASSERT_EQ(w.ImageBas->height(), 60);
    EXPECT_EQ(w.ImageBas->width(), std::min(120, w.EImageBas->width()));
    EXPECT_EQ(fake.Prompts().back().file.mustExist, true);
    fake.CancelFiles();
    w.Button3Click();
    EXPECT_EQ(w.EImageBas->text().toStdString(), file);

    // "Annuler": neither the log's picture nor its height change, and the
    // window shows them again.
    w.SpinImageBas->setValue(20);
    w.reject();
    EXPECT_TRUE(ImageBas().isNull());
    EXPECT_EQ(OptTailleImageBas, 0);
    EXPECT_TRUE(w.EImageBas->text().isEmpty());
    EXPECT_EQ(w.SpinImageBas->value(), 0);
    EXPECT_EQ(Dessin("ImageBas"), stored);

    w.EImageBas->setText(QString::fromStdString(file));
    w.SpinImageBas->setValue(10);
    w.Button1Click();
    EXPECT_EQ(ImageBas().size(), QSize(200, 100));
    EXPECT_EQ(OptTailleImageBas, 10);
    EXPECT_EQ(Dessin("ImageBas"), file);
    w.EImageBas->setText("absent.jpg");
    EXPECT_TRUE(w.PreviewPicture().isNull());
}

TEST_F(OptionsWindowTest, PictureWindowDrawsTheShownOuvrageAndKeepsTheSpreadsheetRegions)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "PZ");
    SetSampleOuvrage(bh, "PZ", 10, MissingFloat, 3.0);
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 100.0}, {"Type", std::int32_t(1)}});
    EquipmentRegions.push_back({Region(TRect{0, 0, 5, 5}), 3});

    TFImage w;
    const TDirBlock* shownRoot = &root;
    w.Source = [&] { return TFImage::ShownOuvrage{shownRoot, "PZ", "PZ"}; };
    w.resize(120, 300);
    w.show();
    ASSERT_TRUE(w.Image1->isVisible());
    ASSERT_EQ(w.Image1->Bitmap.size(), w.Image1->size());
    // Sky at the top, the tube's dark wall near the middle of the picture.
    const QImage& img = w.Image1->Bitmap;
    int dark = 0;
    for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, img.height() / 2)) < 60;
    EXPECT_GE(dark, 2);
    EXPECT_GT(qBlue(img.pixel(img.width() / 2, 1)), 200);
    ASSERT_EQ(EquipmentRegions.size(), 1u);
    EXPECT_EQ(EquipmentRegions[0].Row, 3);

    shownRoot = nullptr;
    w.FormResize();
    EXPECT_FALSE(w.Image1->isVisible());
    w.hide();
    ClearEquipmentRegions();
}

TEST_F(OptionsWindowTest, MainWindowCommandsAndSpreadsheetSeams)
{
    TableurSeams().DrawEquipment = {};
    TFMain main;
    ASSERT_TRUE(TableurSeams().DrawEquipment);
    ASSERT_TRUE(TableurSeams().EquipmentRowsAt);

    QAction* image = MenuItem(main.Affichage1, "Afficher l'image");
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->isCheckable());
    image->trigger();
    ASSERT_NE(FImage, nullptr);
    EXPECT_TRUE(FImage->isVisible());
    EXPECT_TRUE(image->isChecked());
    image->trigger();
    EXPECT_FALSE(FImage->isVisible());
    EXPECT_FALSE(image->isChecked());

    QAction* options = MenuItem(main.Configuration1, "Configuration du dessin et des coordonn\xC3\xA9" "es...");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->statusTip(), QString("Options de dessin"));
    OnNextModal([](QWidget* w) {
        auto* d = qobject_cast<TFOptionDessin*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), QString("Configuration du dessin"));
        d->RadioButton3->setChecked(true);
        d->Button1->click();
    });
    options->trigger();
    EXPECT_EQ(Dessin("SymboleEau"), "Triangle plein");

    // The spreadsheet's picture is drawn from its grid, and its rows hit.
    const TStructTable defs = {TFieldDef{"De", "Deb"}, TFieldDef{"A", "Fin"}, TFieldDef{"D", "Diam"}};
    class OneRow final : public StringGrid {
    public:
        int ColCount() const override { return 3; }
        int RowCount() const override { return 2; }
        int FixedCols() const override { return 0; }
        int FixedRows() const override { return 1; }
        void SetRowCount(int) override {}
        std::string Cell(int col, int row) const override
        {
            static const char* cells[] = {"0", "5", "200"};
            return row == 1 ? cells[col] : "";
        }
        void SetCell(int, int, const std::string&) override {}
    } grid;
    RecordingCanvas rec;
    TableurSeams().DrawEquipment("Trou-nu", rec, 100, 200, nullptr, nullptr, "", defs, grid);
    EXPECT_EQ(TableurSeams().EquipmentRowsAt(50, 100), std::vector<int>{1});
    ClearEquipmentRegions();
    delete FImage;
    delete FOptionDessin;
}
