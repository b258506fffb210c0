// Borehole reports: wrapping, sheets, keyword lines, tables across pages,
// column widths, even-page printing, and a PDF of the sample collection's
// deep borehole read back with pdfinfo and pdftotext.
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "drawing/printing.h"
#include "drawing/report.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/printer_info.h"
#include "platform/qpainter_canvas.h"
#include "platform/recording_canvas.h"
#include "sample_boreholes.h"
#include "sample_collection.h"
#include "store/field_defs.h"
#include "store/options.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string kNb = "\xC2\xA0";

std::string RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return "<failed>";
    return p.readAllStandardOutput().toStdString();
}

bool HasProgram(const char* name) { return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty(); }

class ReportTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        // The program's own rapport.ini, with test elements at the end of
        // both sections.
        std::string ini;
        {
            std::ifstream in(dir / "rapport.ini", std::ios::binary);
            ini.assign(std::istreambuf_iterator<char>(in), {});
        }
        const std::size_t at = ini.find("\r\n[Pr\xE9sentation]");
        ASSERT_NE(at, std::string::npos);
        ini.insert(at, "Notes=Notes\r\nVide=Vide\r\nMesures=Mesures\r\n");
        ini += "Notes=fiche\r\nVide= FICHE \r\n";
        std::ofstream(dir / "rapport.ini", std::ios::binary | std::ios::trunc) << ini;
        OptionsInitialize(dir.path());
        root.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
    }
    void TearDown() override { OptionsRelease(); }

    std::vector<std::string> Texts(const TRapportForage& r, int page = 0) const
    {
        std::vector<std::string> out;
        for (const TRapportText& t : r.Texts())
            if (page == 0 || t.Page == page) out.push_back(t.Text);
        return out;
    }

    TempProgramDir dir;
    TDirBlock root{"Carotix"};
    RecordingCanvas canvas;  // 8 pixels a character, 16 a line
};

TEST_F(ReportTest, WrapsAtBlanksCapitalsAndDigitsAndCutsLongWords)
{
    TDirBlock& b = AddSampleBorehole(root, "B1");
    AppendSampleRow(b, "Notes", {{"T", std::string("abcdefghijklmnopqrstuvwxyz")},
                                 {"U", std::string("sableArgileux2024XY")},
                                 {"V", std::string("sableArgileuxGrisVert")}});
    // An element whose table holds only empty values prints no heading.
    AppendSampleRow(b, "Vide", {{"A", std::string()}, {"B", MissingFloat}});
    // 160 pixels: 19 characters are narrower than the width.
    TRapportForage r(root, 10, &canvas, TRect{0, 0, 160, 2000}, std::vector<std::string>{"notes", "VIDE"}, "B1", "B1");
    EXPECT_EQ(Texts(r), (std::vector<std::string>{"Rapport - B1 B1", "Notes", "T" + kNb + ":", "abcdefghijklmnopqrs",
                                                  "tuvwxyz", "U" + kNb + ": sableArgileux", "2024XY",
                                                  "V" + kNb + ": sableArgileux", "GrisVert"}));
    // A blank line under each heading and before the next one, the lines one
    // under the other.
    ASSERT_EQ(r.Texts().size(), 9u);
    EXPECT_EQ(r.Texts()[0].Y, 0);
    EXPECT_TRUE(r.Texts()[0].Bold && r.Texts()[1].Bold && !r.Texts()[2].Bold);
    EXPECT_EQ(r.Texts()[1].Y, 48);
    for (std::size_t i = 3; i < 9; ++i) EXPECT_EQ(r.Texts()[i].Y, r.Texts()[i - 1].Y + 16);
    EXPECT_EQ(r.PageCount(), 1);

    // Without a canvas there is no report.
    EXPECT_THROW(TRapportForage(root, 10, nullptr, TRect{0, 0, 160, 2000}, std::nullopt, "B1", "B1"), std::runtime_error);
    // A missing borehole gives the title alone.
    TRapportForage none(root, 10, &canvas, TRect{0, 0, 400, 400}, std::nullopt, "X", "X");
    EXPECT_EQ(Texts(none), (std::vector<std::string>{"Rapport - X X"}));
}

TEST_F(ReportTest, SheetsUseTheFieldDefinitionsAndKeywordsJoinOnOneLine)
{
    TDirBlock& b = AddSampleBorehole(root, "F1");
    AppendSampleRow(b, "Ouvrage", {{"D\xC3\xA9sign", std::string("F1")}, {"Nature", std::string("PIEZOMETRE")},
                                   {"X", 355020.5}, {"DateEau", std::string("20010512")}, {"Autre", std::string("x")}});
    AppendSampleRow(b, "Ouvrage", {{"D\xC3\xA9sign", std::string("F2")}, {"Nature", std::string("PUITS")}});
    for (const char* word : {"sable", "", " argile "})
        AppendSampleRow(b, "MotsCl\xC3\xA9s", {{"Mot" "Cl\xC3\xA9", std::string(word)}});
    TRapportForage r(root, 10, &canvas, TRect{0, 0, 800, 2000}, std::nullopt, "F1", "F1");
    // Defined fields in definition order with their labels, lexicon labels,
    // dates with slashes, X with the collection's unit; the other ouvrage's
    // row is left out; undefined columns follow.
    EXPECT_EQ(Texts(r), (std::vector<std::string>{"Rapport - F1 F1", "Identification de l'ouvrage",
                                                  "Nature de l'ouvrage" + kNb + ": Pi\xC3\xA9zom\xC3\xA8tre",
                                                  "X" + kNb + ": 355020,5 m", "Date de la mesure" + kNb + ": 12/05/2001",
                                                  "Autre" + kNb + ": x", "Mots-cl\xC3\xA9s", "sable, argile"}));
}

TEST_F(ReportTest, TablesBreakAcrossPagesUnderARepeatedHeaderAndFitTheWidth)
{
    TDirBlock& b = AddSampleBorehole(root, "M");
    for (int i = 0; i < 30; ++i)
        AppendSampleRow(b, "Mesures", {{"Deb", double(i)}, {"Litho", std::string(i % 2 ? "Sable Fin" : "")},
                                       {"Vide", std::string()}, {"Zero", std::int32_t(0)}});
    const TRect page{10, 10, 300, 300};
    TRapportForage r(root, 10, &canvas, page, std::nullopt, "M", "M");
    ASSERT_GT(r.PageCount(), 1);
    int dataRows = 0;
    for (int p = 1; p <= r.PageCount(); ++p) {
        std::vector<const TRapportFrame*> frames;
        for (const TRapportFrame& f : r.Frames())
            if (f.FirstPage == p) frames.push_back(&f);
        if (frames.empty()) continue;
        // Each page of the table begins with the grey header row.
        EXPECT_EQ(frames.front()->FillColour, kRapportHeaderFill) << "page " << p;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const TRapportFrame& f = *frames[i];
            EXPECT_LE(f.Y2 - 1, page.Bottom);
            EXPECT_LE(f.X2 - 1 - f.X1, page.Right - page.Left);
            if (i > 0) {
                EXPECT_EQ(f.Y1, frames[i - 1]->Y2 - 1);  // rows share their borders
            }
            if (f.FillColour == kRapportNoFill) ++dataRows;
        }
    }
    EXPECT_EQ(dataRows, 30);
    // Empty and all-zero columns are left out; descriptions are lower-cased.
    const std::vector<std::string> texts = Texts(r, 2);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Deb"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Vide"), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Zero"), 0);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "sable fin"), texts.end());
    for (const TRapportText& t : r.Texts()) {
        EXPECT_GE(t.Y, page.Top);
        EXPECT_LE(t.Y + r.LineHeight(), page.Bottom);
    }

    // A table wider than the page shares the width: numeric columns take
    // their least width, the text columns the rest, within the page.
    TDirBlock& w = AddSampleBorehole(root, "W");
    AppendSampleRow(w, "Mesures", {{"Deb", 12.5}, {"Litho", std::string(60, 'a')}, {"Strati", std::string(40, 'b')}});
    TRapportForage wide(root, 10, &canvas, page, std::nullopt, "W", "W");
    ASSERT_EQ(wide.Frames().size(), 2u);
    EXPECT_LE(wide.Frames()[0].X2 - 1 - wide.Frames()[0].X1, page.Right - page.Left);
    ASSERT_EQ(wide.Segments().size(), 4u);
    EXPECT_GT(wide.Segments()[0].X1, page.Left);
    EXPECT_GT(wide.Segments()[1].X1, wide.Segments()[0].X1);
    EXPECT_LT(wide.Segments()[1].X1, wide.Frames()[0].X2 - 1);
}

TEST_F(ReportTest, DrawsOnePageAndPrintsEvenPageCounts)
{
    TDirBlock& b = AddSampleBorehole(root, "M");
    AppendSampleRow(b, "Mesures", {{"Deb", 1.5}, {"Fin", 3.0}});
    TRapportForage r(root, 10, &canvas, TRect{0, 0, 400, 400}, std::nullopt, "M", "M");
    RecordingCanvas out;
    r.DrawPage(1, out);
    const auto rects = out.RecordsOf(CanvasOp::Rectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].Brush, (TBrush{BrushStyle::Solid, kRapportHeaderFill}));
    EXPECT_EQ(rects[1].Brush.Style, BrushStyle::Clear);
    EXPECT_EQ(out.CountOf(CanvasOp::TextOut), r.Texts().size());
    for (const CanvasRecord& t : out.RecordsOf(CanvasOp::TextOut)) EXPECT_EQ(t.Brush.Style, BrushStyle::Clear);

    const TDeviceCaps caps{254, 254, 2100, 2970, 0, 0, 2100, 2970};
    for (bool even : {false, true}) {
        RecordingPrintDocument doc(caps);
        ASSERT_TRUE(doc.BeginDoc("Carotix"));
        EXPECT_TRUE(ImprimeRapport(root, "M", "M", even, TRect{0, 0, 2000, 2800}, &doc, std::nullopt));
        ASSERT_EQ(doc.Pages.size(), even ? 2u : 1u);
        EXPECT_GT(doc.Pages[0]->CountOf(CanvasOp::TextOut), 0u);
        if (even) {
            EXPECT_TRUE(doc.Pages[1]->Records.empty());
        }
    }
    FakeUiServices fake;
    fake.SetAutoOk(true);
    ScopedUi use(fake);
    EXPECT_FALSE(ImprimeRapport(root, "M", "M", false, TRect{0, 0, 2000, 2800}, nullptr, std::nullopt));
    ASSERT_EQ(fake.Prompts().size(), 1u);
    EXPECT_EQ(fake.Prompts()[0].text, "Impossible d'imprimer le rapport car il n'y a pas d'imprimante sp\xC3\xA9"
                                      "cifi\xC3\xA9" "e");
}

TEST_F(ReportTest, PdfOfTheSampleDeepBorehole)
{
    std::unique_ptr<TDirBlock> sample = BuildSampleCollection();
    auto pdfPrinter = [](const fs::path& file) {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(QString::fromStdString(file.string()));
        return p;
    };
    // The pages the layout makes on such a printer.
    int pages = 0;
    {
        auto probe = pdfPrinter(dir / "probe.pdf");
        QPainterCanvas c(probe.get());
        const TRect rect = TPrinterInfo(PrinterDeviceCaps(*probe)).CmToPixelRect(1, 1, 1, 1);
        pages = TRapportForage(*sample, 12, &c, rect, std::nullopt, "F1", "F-VAL-01").PageCount();
    }
    ASSERT_GE(pages, 1);

    InstallReportPrinting();
    EXPECT_EQ(GetReportPrinting().ElementNames().at(8), "Mots-cl\xC3\xA9s");
    const fs::path pdf = dir / "rapport.pdf";
    auto printer = pdfPrinter(pdf);
    QPrinterDocument doc(*printer);
    const PrintOutcome outcome =
        PrintRapports(*sample, {PrintEntry{"F-VAL-01", "F1", "", ""}}, RapportElementNames(), true,
                      TPrinterInfo(doc.Caps()), doc);
    SetReportPrinting({});
    ASSERT_TRUE(outcome.Printed) << outcome.Failure;
    if (!HasProgram("pdfinfo")) GTEST_SKIP() << "pdfinfo missing";
    const std::string info = RunTool(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf.string())});
    const std::size_t at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(at + 6)), pages + pages % 2) << info;
    const std::string text = RunTool(QStringLiteral("pdftotext"), {QString::fromStdString(pdf.string()), "-"});
    for (const char* expected : {"Rapport - F-VAL-01 F1", "Identification de l'ouvrage", "675460 m",
                                 "Dossier et localisation", "MELUN", "Coupe g\xC3\xA9ologique",
                                 "Foration", "Equipement : tubages et cr\xC3\xA9pines", "Cr\xC3\xA9pine"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // The abandoned first attempt under the same index is another ouvrage.
    EXPECT_EQ(text.find("pertes totales"), std::string::npos);
}

}  // namespace
