// The report preview, headless: pages and their label, a new layout on
// resize, printing to a PDF, and the main window's button with the scripted
// prompts. A preview page goes to the shots folder.
#include <QAction>
#include <QLabel>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/report_commands.h"
#include "drawing/printing.h"
#include "drawing/report.h"
#include "drawing/windows/report_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/printer_info.h"
#include "platform/windows/qt_ui_services.h"
#include "sample_collection.h"
#include "store/options.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

class ReportWindowTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        use = std::make_unique<ScopedUi>(fake);
        BuildSampleCollection()->SaveToFile(file.string());
    }
    void TearDown() override
    {
        delete FRapport;
        SetReportPrinting({});
        SetCurrentPrinter(nullptr);
        main.reset();
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    std::string Label(const TFRapport& w) const { return FromQString(w.LabelPage->text()); }

    TempProgramDir dir;
    fs::path file = dir / "exemple.crx";
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
    std::unique_ptr<TFMain> main;
};

TEST_F(ReportWindowTest, PagesFollowTheWindowSizeAndPrintToPdf)
{
    std::unique_ptr<TDirBlock> root = BuildSampleCollection();
    auto* w = new TFRapport();
    EXPECT_EQ(Label(*w), "/");
    EXPECT_EQ(w->Report(), nullptr);
    EXPECT_FALSE(w->grab().isNull());  // "Pas d'information à afficher."

    w->resize(320, 380);
    w->show();
    w->SetReport(*root, "F-VAL-01", "F1");
    ASSERT_NE(w->Report(), nullptr);
    const int small = w->Report()->PageCount();
    ASSERT_GT(small, 2);
    EXPECT_EQ(Label(*w), "1/" + std::to_string(small));
    // The report fills the paint box inside 4 pixels all round.
    EXPECT_EQ(w->Report()->PageRect(), (TRect{4, 4, w->PaintBox1->width() - 8, w->PaintBox1->height() - 8}));
    w->ToolButton_LeftClick();
    EXPECT_EQ(w->Page(), 1);
    for (int i = 0; i < small + 2; ++i) w->ToolButton_RightClick();
    EXPECT_EQ(w->Page(), small);
    EXPECT_EQ(Label(*w), std::to_string(small) + "/" + std::to_string(small));

    // A larger window: fewer pages, the page brought within their count.
    w->resize(900, 1300);
    const int large = w->Report()->PageCount();
    EXPECT_LT(large, small);
    EXPECT_EQ(w->Page(), large);
    EXPECT_EQ(Label(*w), std::to_string(large) + "/" + std::to_string(large));
    w->ToolButton_LeftClick();
    if (large > 1) {
        EXPECT_EQ(w->Page(), large - 1);
    }
    fs::create_directories(fs::path(CAROTIX_SHOTS_DIR) / "app");
    w->resize(600, 850);
    w->ToolButton_LeftClick();
    EXPECT_TRUE(w->grab().save(QString::fromStdString((fs::path(CAROTIX_SHOTS_DIR) / "app" / "report_preview.png").string())));

    // Printing: the current printer, 1 cm margins, the document "Carotix".
    const fs::path pdf = dir / "rapport.pdf";
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf.string()));
    SetCurrentPrinter(std::move(printer));
    fake.AnswerFile(pdf.string(), "Imprimer dans un fichier PDF");
    w->ToolButton1Click();
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_GT(fs::file_size(pdf), 1000u);
    EXPECT_EQ(CurrentPrinter().docName(), "Carotix");
}

TEST_F(ReportWindowTest, ButtonAsksForACollectionAndASelectedOuvrage)
{
    main = std::make_unique<TFMain>();
    QAction* button = nullptr;
    for (QAction* a : main->ToolBarDefaut->actions())
        if (a->text() == "Afficher le rapport") button = a;
    ASSERT_NE(button, nullptr);

    fake.AnswerMessage(MsgResult::Ok, "Rapport");
    button->trigger();
    EXPECT_EQ(fake.Prompts().back().text, "Aucune collection ouverte");

    TFChild* child = main->OpenCollectionFile(file.string());
    ASSERT_NE(child, nullptr);
    child->SelectRows({});
    if (child->SelectedRow() < 0) {
        fake.AnswerMessage(MsgResult::Ok, "Rapport");
        OpenReportPreview(*child);
        EXPECT_EQ(fake.Prompts().back().text, "Pas de forage s\xC3\xA9lectionn\xC3\xA9.");
    }

    // With a selected ouvrage the preview opens on it, modally, at page 1.
    child->SelectRow("PUITS-1", "PUITS-1");
    ASSERT_GE(child->SelectedRow(), 0);
    std::string seen;
    QTimer::singleShot(0, [&] {
        if (FRapport && FRapport->Report()) {
            for (const TRapportText& t : FRapport->Report()->Texts()) seen += t.Text + "|";
            seen += Label(*FRapport);
        }
        if (FRapport) FRapport->done(0);
    });
    button->trigger();
    EXPECT_NE(seen.find("Rapport - PUITS-1 PUITS-1|"), std::string::npos) << seen;
    EXPECT_NE(seen.find("BAIN-DE-BRETAGNE"), std::string::npos) << seen;
    EXPECT_NE(seen.find("1/"), std::string::npos) << seen;
    // The preview keeps nothing of the collection once closed.
    EXPECT_EQ(FRapport->Report(), nullptr);
    child->Document().SetFileName("");
}

}  // namespace
