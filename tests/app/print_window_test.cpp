// The print window and the metafile export window, headless: the lines they
// offer from the active collection, their settings written when an edit is
// left, printing into a PDF file read back by pdfinfo, report mode, the
// metafile export into a temporary folder and the main window's commands,
// with the scripted prompts.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QToolBar>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/windows/collection_window.h"
#include "platform/windows/dir_tree.h"
#include "app/windows/main_window.h"
#include "app/windows/printing_commands.h"
#include "drawing/printing.h"
#include "drawing/windows/metafile_export_window.h"
#include "drawing/windows/print_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "sample_boreholes.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const QListWidget* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) {
        std::string t = FromQString(list->item(i)->text());
        // The fields are joined by no-break spaces; spaces read better here.
        for (std::size_t at; (at = t.find("\xC2\xA0")) != std::string::npos;) t.replace(at, 2, " ");
        out.push_back(t);
    }
    return out;
}

class PrintWindowTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        use = std::make_unique<ScopedUi>(fake);
        // The reports module installs itself for the whole process when a
        // report preview is made (every program start-up makes one), and it
        // stays installed after that window is gone. These tests start
        // without it and put back what they found.
        reportsBefore = GetReportPrinting();
        SetReportPrinting({});
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdf.string()));
        SetCurrentPrinter(std::move(printer));

        TDirBlock root("Carotix");
        root.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
        for (auto [indice, depth] : {std::pair{"F1", 120.0}, {"F2", 90.0}}) {
            TDirBlock& b = AddSampleBorehole(root, indice);
            SetSampleOuvrage(b, indice, depth);
            AddSampleLevels(b, GeneratedLevels(6, depth));
        }
        TDirBlock& m = AddSampleBorehole(root, "M1");
        SetSampleOuvrage(m, "M1", 30.0);
        for (int t = 1; t <= 3; ++t)
            AppendSampleRow(m, "Tubage",
                            {{"Deb", 0.0}, {"Fin", 10.0 * t}, {"Diam", 100.0}, {"NomTube", "PMT" + IntToStr(t)}});
        TDirBlock& v = AddSampleBorehole(root, "VIDE");
        SetSampleOuvrage(v, "VIDE", MissingFloat);
        const std::string file = (dir / "impression.crx").string();
        root.SaveToFile(file);
        main = std::make_unique<TFMain>();
        child = main->OpenCollectionFile(file);
        ASSERT_NE(child, nullptr);
        ASSERT_EQ(child->Rows().size(), 4u);
    }
    void TearDown() override
    {
        delete FImpression;
        FImpression = nullptr;
        delete FExpMeta;
        FExpMeta = nullptr;
        if (child) child->Document().SetFileName("");
        main.reset();
        SetCurrentPrinter(nullptr);
        SetReportPrinting(reportsBefore);
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    int RowOf(const std::string& indice) const
    {
        for (std::size_t i = 0; i < child->Rows().size(); ++i)
            if (child->Rows()[i].Indice == indice) return static_cast<int>(i);
        return -1;
    }
    std::string Ini(const char* section, const char* key) const
    {
        return IniCarotix->ReadString(section, key, "<absent>");
    }

    TempProgramDir dir;
    fs::path pdf = dir / "sortie.pdf";
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
    std::unique_ptr<TFMain> main;
    TFChild* child = nullptr;
    ReportPrinting reportsBefore;
};

TEST_F(PrintWindowTest, PreviewOfAnA4PageAndItsMargins)
{
    TPrinterInfo a4(TDeviceCaps{1200, 1200, 9917, 14033, 167, 167, 9583, 13699});
    PrintSettings s;
    const PagePreview v = ComputePagePreview(a4, s);
    EXPECT_EQ(v.Page, (PreviewBox{71, 50, 57, 80}));
    EXPECT_EQ(v.Shadow, (PreviewBox{76, 55, 57, 80}));
    // 1.5 cm of 20.99 cm across 57 pixels is 4 pixels.
    EXPECT_EQ(v.Margin, (PreviewBox{75, 54, 49, 72}));
    EXPECT_EQ(ComputePagePreview(TPrinterInfo{}, s).Page, PreviewBox{});
}

TEST_F(PrintWindowTest, OffersTheSelectedOuvragesWritesEditsWhenLeftAndPrintsThePdf)
{
    IniCarotix->WriteString("Impression", "MargeGauche", "0");
    const std::string pMax = Ini("Impression", "ProfMaximum");
    child->SelectRows({RowOf("F2"), RowOf("M1")});
    TFImpression w(main.get());
    w.SetModeCoupes();
    w.SetCollection(child);
    w.FormShow();
    EXPECT_EQ(Lines(w.LImprime), (std::vector<std::string>{"F2 F2  (90 m)", "M1 M1 PMT1 (10 m)", "M1 M1 PMT2 (20 m)",
                                                           "M1 M1 PMT3 (30 m)"}));
    EXPECT_EQ(Lines(w.LDispo), (std::vector<std::string>{"F1 F1  (120 m)"}));  // nothing for the empty log
    EXPECT_FALSE(w.GroupMarges->isHidden());
    EXPECT_TRUE(w.GroupRapport->isHidden());
    fs::create_directories(fs::path(CAROTIX_SHOTS_DIR) / "app");
    w.grab().save(QString::fromStdString((fs::path(CAROTIX_SHOTS_DIR) / "app" / "print_window.png").string()));

    // A margin inside the printer's unprintable strip is raised to it, shown
    // and stored (the PDF printer keeps 167 of 1,200 dots per inch).
    EXPECT_EQ(FromQString(w.EditG->text()), "0,353");
    EXPECT_NEAR(OptReadFloat("Impression", "MargeGauche", -1), w.PrinterGeometry().OffsetXCm, 1e-12);
    EXPECT_EQ(FromQString(w.EditPMax->text()), "200");

    // Leaving an edit writes its number; a text that is no number keeps the setting.
    w.EditTTranche->setText("25");
    w.EditTTrancheExit();
    EXPECT_EQ(Ini("Impression", "TailleTranches"), "25");
    w.EditPMax->setText("beaucoup");
    EXPECT_THROW(w.EditPMaxExit(), EConvertError);
    EXPECT_EQ(Ini("Impression", "ProfMaximum"), pMax);
    w.EditH->setText("2,5");
    w.EditHExit();
    EXPECT_EQ(Ini("Impression", "MargeHaut"), "2,5");

    // A drop appends the other list's selected lines and takes them from it.
    w.LDispo->setCurrentRow(0);
    w.LDispo->item(0)->setSelected(true);
    EXPECT_TRUE(w.LImprime->AcceptsDropFrom(w.LDispo));
    EXPECT_FALSE(w.LImprime->AcceptsDropFrom(w.LImprime));
    w.LImprime->TakeSelectedFrom(*w.LDispo);
    EXPECT_EQ(w.LDispo->count(), 0);
    EXPECT_EQ(Lines(w.LImprime).back(), "F1 F1  (120 m)");
    EXPECT_FALSE(w.LDispo->AcceptsDropFrom(w.LImprime)) << "the other list has no current line";

    // A PDF printer asks for its file at every print.
    fake.AnswerFile(pdf.string(), "Imprimer dans un fichier PDF");
    w.Button1Click();
    EXPECT_EQ(w.result(), 1);
    ASSERT_TRUE(fs::exists(pdf));
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf.string())});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string info = p.readAllStandardOutput().toStdString();
    // F2 on one page, the three tubes of M1, F1 sliced in 25 m pages (5).
    EXPECT_NE(info.find("Pages:           9"), std::string::npos) << info;
}

TEST_F(PrintWindowTest, ReportModeOffersEveryOuvrageAndPrintsThroughTheReportsModule)
{
    child->SelectRows({RowOf("VIDE")});
    TFImpression w(main.get());
    w.SetModeRapport();
    w.SetCollection(child);
    w.FormShow();
    EXPECT_TRUE(w.GroupMarges->isHidden());
    EXPECT_FALSE(w.GroupRapport->isHidden());
    EXPECT_EQ(Lines(w.LImprime), (std::vector<std::string>{"VIDE VIDE "}));
    EXPECT_EQ(w.LDispo->count(), 3);

    // Until the reports module is there, printing says so.
    fake.AnswerFile(pdf.string(), "Imprimer dans un fichier PDF").AnswerMessage(MsgResult::Ok, "Impression");
    w.Button1Click();
    ASSERT_EQ(fake.Prompts().size(), 2u);
    EXPECT_EQ(fake.Prompts()[1].title, "Impression");
    EXPECT_EQ(fake.Prompts()[1].text, "L'impression des rapports n'est pas disponible dans cette version.");

    std::vector<std::string> printed;
    SetReportPrinting(ReportPrinting{
        [] { return std::vector<std::string>{"Coupe", "Equipement"}; },
        [&](const TDirBlock&, const std::string& indice, const std::string&, bool even, const TRect& rect,
            PrintDocument& doc, const std::vector<std::string>& elements) {
            printed.push_back(indice + (even ? " pair" : "") + " " + IntToStr(static_cast<std::int64_t>(elements.size())));
            EXPECT_EQ(rect, TPrinterInfo(doc.Caps()).CmToPixelRect(1, 1, 1, 1));
            doc.PageCanvas().TextOut(rect.Left, rect.Top, indice);
            return true;
        }});
    w.FormShow();
    ASSERT_EQ(w.CheckListBox_ElementsRapport->count(), 2);
    w.CheckListBox_ElementsRapport->item(1)->setCheckState(Qt::Unchecked);
    w.CheckBox_NbPairPages->setChecked(true);
    fake.AnswerFile(pdf.string(), "Imprimer dans un fichier PDF");
    w.Button1Click();
    SetReportPrinting({});
    EXPECT_EQ(printed, (std::vector<std::string>{"VIDE pair 1"}));
    EXPECT_TRUE(fs::exists(pdf));
}

TEST_F(PrintWindowTest, MainWindowCommandsWithoutACollectionAndTheirEnabling)
{
    fake.AnswerMessage(MsgResult::Ok, "Impression").AnswerMessage(MsgResult::Ok, "Impression");
    TFMain bare;
    ShowPrintWindow(bare, true);
    // The fixed tool bar's button runs the print box.
    QAction* button = nullptr;
    for (QAction* a : bare.ToolBarDefaut->actions())
        if (a->objectName() == QStringLiteral("ToolButtonImprimer")) button = a;
    ASSERT_NE(button, nullptr);
    button->trigger();
    ASSERT_EQ(fake.Prompts().size(), 2u);
    EXPECT_EQ(fake.Prompts()[1].text, "Aucune collection \xC3\xA0 imprimer");

    // The metafile item needs a selected ouvrage, the print box an ouvrage.
    QAction* meta = nullptr;
    QAction* logs = nullptr;
    for (QAction* a : main->Operations1->actions()) {
        if (a->objectName() == QStringLiteral("ExporterWMF1")) meta = a;
        if (a->objectName() == QStringLiteral("Imprimer1")) logs = a;
    }
    ASSERT_NE(meta, nullptr);
    ASSERT_NE(logs, nullptr);
    child->SelectRows({});
    emit main->Operations1->aboutToShow();
    EXPECT_FALSE(meta->isEnabled());
    EXPECT_TRUE(logs->isEnabled());
    child->SelectRows({0});
    emit main->Operations1->aboutToShow();
    EXPECT_TRUE(meta->isEnabled());
}

TEST_F(PrintWindowTest, MetafileExportWritesFilesAndRemembersFolderAndFormat)
{
    const fs::path out = dir / "metafichiers";
    fs::create_directories(out);
    IniCarotix->WriteString("M\xC3\xA9tafichiers", "R\xC3\xA9pertoire", PathToUtf8(out));
    IniCarotix->WriteString("M\xC3\xA9tafichiers", "Format", "EMF");
    child->SelectRows({RowOf("M1"), RowOf("VIDE"), RowOf("F2")});

    // The command shows the window modally; "Ok" runs the export.
    bool checked = false;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(FExpMeta, nullptr);
        EXPECT_TRUE(FExpMeta->RadioEMF->isChecked());
        EXPECT_EQ(FExpMeta->DirTree->GetSelectedPath(), PathToUtf8(out) + "/");
        EXPECT_EQ(FromQString(FExpMeta->EditNb->text()), "3");
        EXPECT_EQ(FromQString(FExpMeta->MemoName->toPlainText()), "%Indice% %D\xC3\xA9sign% %NomTube%");
        FExpMeta->MemoName->setPlainText(QStringLiteral("%Indice%-%NomTube%"));
        FExpMeta->RadioWMF->setChecked(true);
        checked = true;
        FExpMeta->BOkClick();
    });
    ExporterWMF1Click(main.get(), child);
    EXPECT_TRUE(checked);
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(out)) files.push_back(PathToUtf8(e.path().filename()));
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"F2-CUVELAGE.wmf", "M1-PMT1.wmf", "M1-PMT2.wmf", "M1-PMT3.wmf"}));
    EXPECT_EQ(Ini("M\xC3\xA9tafichiers", "Format"), "WMF");
    EXPECT_EQ(Ini("M\xC3\xA9tafichiers", "R\xC3\xA9pertoire"), PathToUtf8(out) + "/");

    // "Annuler" stores nothing.
    IniCarotix->WriteString("M\xC3\xA9tafichiers", "Format", "EMF");
    QTimer::singleShot(0, [] { FExpMeta->BAnnul->click(); });
    ExporterWMF1Click(main.get(), child);
    EXPECT_EQ(Ini("M\xC3\xA9tafichiers", "Format"), "EMF");
}

TEST_F(PrintWindowTest, NewFolderAndAFolderThatIsGone)
{
    TFExpMeta w(main.get());
    w.SetCollection(child);
    w.DirTree->SetSelectedPath(PathToUtf8(dir.path()));
    fake.AnswerText("Logs", "Cr\xC3\xA9" "er un dossier");
    w.BNewFoldClick();
    EXPECT_TRUE(fs::is_directory(dir / "Logs"));
    EXPECT_EQ(w.DirTree->GetSelectedPath(), PathToUtf8(dir / "Logs") + "/");
    // A name is one folder inside the selected one, never a path.
    fake.AnswerText("../ailleurs", "Cr\xC3\xA9" "er un dossier").AnswerMessage(MsgResult::Ok, "Cr\xC3\xA9" "er un dossier");
    w.BNewFoldClick();
    EXPECT_FALSE(fs::exists(dir / "ailleurs"));
    EXPECT_EQ(fake.Prompts().back().text, "Impossible de cr\xC3\xA9" "er le dossier " + PathToUtf8(dir / "Logs") +
                                              "/../ailleurs");

    // The selected folder vanished: the export asks for one; cancelling ends it.
    fs::remove_all(dir / "Logs");
    child->SelectRows({RowOf("F2")});
    w.FormShow();
    fake.CancelFolder("Export m\xC3\xA9tafichier");
    EXPECT_THROW(w.BOkClick(), std::runtime_error);
    EXPECT_EQ(w.ChosenFolder(), "?");
}

}  // namespace
