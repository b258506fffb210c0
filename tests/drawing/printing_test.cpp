// Printing logs by pages and depth slices, on a recording document and on a
// PDF printer read back by poppler's tools, and the metafile export into a
// folder, read back by the metafile tools when installed.
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "drawing/metafile_export.h"
#include "drawing/printing.h"
#include "log_test_support.h"
#include "platform/emf_writer.h"
#include "platform/metafile_canvas.h"
#include "platform/wmf_writer.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A printer of 254 dpi (0.01 cm a pixel), paper 2100 x 2970 pixels with
// unprintable strips of 0.42 cm at the left and 0.30 cm at the top, 0.10 cm
// at the right and 0.20 cm at the bottom.
const TDeviceCaps kCaps{254, 254, 2100, 2970, 42, 30, 2100 - 42 - 10, 2970 - 30 - 20};

bool HasProgram(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

std::string RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return "<failed: " + p.readAllStandardError().toStdString() + ">";
    return p.readAllStandardOutput().toStdString();
}

// A field of pdfinfo's answer ("Pages:    4" gives "4").
std::string InfoField(const std::string& info, const std::string& key)
{
    const std::size_t at = info.find("\n" + key + ":");
    if (at == std::string::npos && info.rfind(key + ":", 0) != 0) return {};
    std::size_t from = (at == std::string::npos ? 0 : at + 1) + key.size() + 1;
    while (from < info.size() && info[from] == ' ') ++from;
    return info.substr(from, info.find('\n', from) - from);
}

std::vector<std::string> TextsOf(const RecordingCanvas& c)
{
    std::vector<std::string> t;
    for (const CanvasRecord& r : c.Records)
        if (r.Op == CanvasOp::TextOut || r.Op == CanvasOp::TextRect) t.push_back(r.Text);
    return t;
}

class PrintingTest : public LogTest {
protected:
    PrintingTest()
    {
        TDirBlock& deep = AddSampleBorehole(root, "F1");
        SetSampleOuvrage(deep, "F1", 120.0);
        AddSampleLevels(deep, GeneratedLevels(12, 120.0));
        TDirBlock& shallow = AddSampleBorehole(root, "F2");
        SetSampleOuvrage(shallow, "F2", 90.0);
        AddSampleLevels(shallow, GeneratedLevels(9, 90.0));
        TDirBlock& huge = AddSampleBorehole(root, "F3");
        SetSampleOuvrage(huge, "F3", 480.0);
        AddSampleLevels(huge, GeneratedLevels(48, 480.0));
        AddSampleBorehole(root, "VIDE");
        // Three tubes of one ouvrage, each down to its own depth.
        TDirBlock& multi = AddSampleBorehole(root, "M1");
        SetSampleOuvrage(multi, "M1", 30.0);
        for (int t = 1; t <= 3; ++t)
            AppendSampleRow(multi, "Tubage",
                            {{"Deb", 0.0}, {"Fin", 10.0 * t}, {"Diam", 100.0}, {"NomTube", "PMT" + std::to_string(t)}});
    }

    PrintEntry Entry(const std::string& indice, const std::string& tube = "")
    {
        return PrintEntry{indice, indice, tube, indice};
    }

    // What DessinerCoupe draws for one page, on its own.
    std::vector<std::string> Expected(const std::string& indice, const TRect& r, double from, double to)
    {
        RecordingCanvas c;
        c.Caps = kCaps;
        EXPECT_TRUE(DessinerCoupe(root, indice, indice, "", c, r.Left, r.Top, r.Right, r.Bottom, from, to, false));
        return TextsOf(c);
    }

    PrintSettings settings;  // 1.5 cm margins, 200 / 100 / 50 m
};

TEST_F(PrintingTest, PrinterGeometryInCentimetresAndPixels)
{
    const TPrinterInfo p(kCaps);
    EXPECT_DOUBLE_EQ(p.PageWidthCm, 21.0);
    EXPECT_DOUBLE_EQ(p.PageHeightCm, 29.7);
    EXPECT_DOUBLE_EQ(p.OffsetXCm, 0.42);
    EXPECT_DOUBLE_EQ(p.PrintRightCm, 20.9);
    EXPECT_DOUBLE_EQ(p.PrintBottomCm, 29.5);
    // Origin at the printable area's corner: 1.5 cm from the paper's left
    // edge is 108 pixels right of the 42-pixel strip.
    EXPECT_EQ(p.CmToPixelRect(1.5, 1.5, 1.5, 1.5), (TRect{108, 120, 1908, 2790}));
    // Margins far beyond the paper stay on the canvas's scale.
    const TRect far = p.CmToPixelRect(-1e300, 0, 1e300, 0);
    EXPECT_EQ(far.Left, -Canvas::CoordLimit);
    EXPECT_EQ(far.Right, -Canvas::CoordLimit);

    // No printer: no geometry, no division by zero.
    const TPrinterInfo none(TDeviceCaps{0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(none.Valid());
    EXPECT_EQ(none.CmToPixelRect(1, 1, 1, 1), TRect{});

    PrintSettings s;
    s.MargeGauche = 0;
    s.MargeHaut = 2;
    s.MargeDroite = 0.05;
    s.MargeBas = 0.2;
    EXPECT_TRUE(BringMarginsIntoPrintableArea(s, p));
    EXPECT_DOUBLE_EQ(s.MargeGauche, 0.42);
    EXPECT_DOUBLE_EQ(s.MargeHaut, 2);
    EXPECT_NEAR(s.MargeDroite, 0.1, 1e-12);
    EXPECT_NEAR(s.MargeBas, 0.2, 1e-12);
}

TEST_F(PrintingTest, LogsArePagedBySlicesUpToTheMaximumDepth)
{
    auto ranges = [](const std::vector<PageRange>& pages) {
        std::vector<std::pair<double, double>> r;
        for (const PageRange& p : pages) r.emplace_back(p.Automatic() ? -1 : p.From, p.Automatic() ? -1 : p.To);
        return r;
    };
    using R = std::vector<std::pair<double, double>>;
    EXPECT_EQ(ranges(PrintedPages(120, settings)), (R{{0, 50}, {50, 100}, {100, 150}}));
    EXPECT_EQ(ranges(PrintedPages(480, settings)), (R{{0, 50}, {50, 100}, {100, 150}, {150, 200}}));
    EXPECT_EQ(ranges(PrintedPages(90, settings)), (R{{-1, -1}}));
    EXPECT_EQ(ranges(MetafilePages(480, settings)), ranges(PrintedPages(480, settings)));

    PrintSettings shallow = settings;
    shallow.ProfMaximum = 50;
    EXPECT_EQ(ranges(PrintedPages(80, shallow)), (R{{0, 50}}));
    // The metafile export draws an unsliced log whole, whatever its depth.
    EXPECT_EQ(ranges(MetafilePages(80, shallow)), (R{{-1, -1}}));

    PrintSettings metre = settings;
    metre.TailleTranches = 0;  // counts as 1 m
    metre.ProfMaximum = 0.2;   // counts as 1 m
    EXPECT_EQ(ranges(PrintedPages(120, metre)), (R{{0, 1}}));

    PrintSettings absurd = settings;
    absurd.ProfMaximum = 1e12;
    absurd.TailleTranches = 0;
    EXPECT_THROW(PrintedPages(1e12, absurd), TooManyPagesError);
    EXPECT_THROW(MetafilePages(1e12, absurd), TooManyPagesError);
}

TEST_F(PrintingTest, PrintWindowLinesNameEachTubeAndSkipEmptyLogs)
{
    const std::string nb = kPrintNbsp;
    std::vector<PrintEntry> lines = PrintEntriesOf(root, "M1", "M1", {"PMT1", "PMT2", "PMT3"}, false);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, "M1" + nb + "M1" + nb + "PMT1" + nb + "(10 m)");
    EXPECT_EQ(lines[2].Text, "M1" + nb + "M1" + nb + "PMT3" + nb + "(30 m)");
    EXPECT_EQ(lines[2].Tube, "PMT3");

    ScopedDecimalSeparator comma(',');
    EXPECT_EQ(PrintEntriesOf(root, "F1", "F1", {}, false),
              (std::vector<PrintEntry>{{"F1", "F1", "", "F1" + nb + "F1" + nb + nb + "(120 m)"}}));
    // An ouvrage without depths is not offered for its log, but for its report.
    EXPECT_TRUE(PrintEntriesOf(root, "VIDE", "VIDE", {}, false).empty());
    EXPECT_EQ(PrintEntriesOf(root, "VIDE", "VIDE", {}, true),
              (std::vector<PrintEntry>{{"VIDE", "VIDE", "", "VIDE" + nb + "VIDE" + nb}}));
}

TEST_F(PrintingTest, PrintsEachSliceAndEachLogOnAPageOfItsOwn)
{
    RecordingPrintDocument doc(kCaps);
    const TPrinterInfo p(kCaps);
    const PrintOutcome out = PrintCoupes(root, {Entry("F1"), Entry("F2")}, settings, p, doc);
    EXPECT_TRUE(out.Printed) << out.Failure;
    EXPECT_EQ(doc.Title, "Carotix");
    EXPECT_EQ(doc.DocState, RecordingPrintDocument::State::Ended);
    ASSERT_EQ(doc.Pages.size(), 4u);
    EXPECT_EQ(out.Pages, 4);
    const TRect r{108, 120, 1908, 2790};
    EXPECT_EQ(TextsOf(*doc.Pages[0]), Expected("F1", r, 0, 50));
    EXPECT_EQ(TextsOf(*doc.Pages[1]), Expected("F1", r, 50, 100));
    EXPECT_EQ(TextsOf(*doc.Pages[2]), Expected("F1", r, 100, 150));
    EXPECT_EQ(TextsOf(*doc.Pages[3]), Expected("F2", r, MissingFloat, MissingFloat));
    EXPECT_NE(TextsOf(*doc.Pages[0]), TextsOf(*doc.Pages[1]));
}

TEST_F(PrintingTest, ALogThatCannotBeDrawnOrNoRoomPrintsNothingAndSaysWhy)
{
    const TPrinterInfo p(kCaps);
    RecordingPrintDocument doc(kCaps);
    PrintOutcome out = PrintCoupes(root, {Entry("F2"), Entry("DISPARU")}, settings, p, doc);
    EXPECT_FALSE(out.Printed);
    EXPECT_EQ(doc.DocState, RecordingPrintDocument::State::Aborted);
    EXPECT_NE(out.Failure.find("DISPARU"), std::string::npos);

    PrintSettings wide = settings;
    wide.MargeGauche = wide.MargeDroite = 10.2;  // 0.6 cm left between them
    RecordingPrintDocument untouched(kCaps);
    out = PrintCoupes(root, {Entry("F2")}, wide, p, untouched);
    EXPECT_FALSE(out.Printed);
    EXPECT_FALSE(out.Failure.empty());
    EXPECT_EQ(untouched.DocState, RecordingPrintDocument::State::NotBegun);

    PrintSettings absurd = settings;
    absurd.ProfMaximum = 1e9;
    absurd.TailleTranches = 0;
    absurd.ProfTranches = 0;
    AppendSampleRow(*root.FindDir("F2"), "Niveau", {{"Deb", 0.0}, {"Fin", 1e9}});
    out = PrintCoupes(root, {Entry("F1"), Entry("F2")}, absurd, p, untouched);
    EXPECT_FALSE(out.Printed);
    EXPECT_NE(out.Failure.find("F2"), std::string::npos);
    EXPECT_EQ(untouched.DocState, RecordingPrintDocument::State::NotBegun) << "refused before anything is printed";
}

TEST_F(PrintingTest, PrintsToAPdfFileAndAnAbortLeavesTheOldFile)
{
    TempDir dir;
    const fs::path pdf = dir / "logs.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    const TPrinterInfo info(PrinterDeviceCaps(printer));
    EXPECT_EQ(info.LogPixelsX, 1200);
    EXPECT_EQ(info.PhysicalWidth, 9917);
    EXPECT_EQ(info.PhysicalOffsetX, 167);
    {
        QPrinterDocument doc(printer);
        const PrintOutcome out = PrintCoupes(root, {Entry("F1"), Entry("F2")}, settings, info, doc);
        ASSERT_TRUE(out.Printed) << out.Failure;
    }
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "no temporary file left";
    if (HasProgram("pdfinfo")) {
        const std::string info = RunTool(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf.string())});
        EXPECT_EQ(InfoField(info, "Title"), "Carotix") << info;
        EXPECT_EQ(InfoField(info, "Pages"), "4") << info;
        EXPECT_NE(InfoField(info, "Page size").find("(A4)"), std::string::npos) << info;
        const std::string text =
            RunTool(QStringLiteral("pdftotext"), {QString::fromStdString(pdf.string()), QStringLiteral("-")});
        EXPECT_NE(text.find("Depth (m)"), std::string::npos);
    }
    if (HasProgram("pdftoppm")) {
        fs::create_directories(fs::path(CAROTIX_SHOTS_DIR) / "drawing");
        RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"), QStringLiteral("2"),
             QStringLiteral("-l"), QStringLiteral("2"), QString::fromStdString(pdf.string()),
             QString::fromStdString((fs::path(CAROTIX_SHOTS_DIR) / "drawing" / "printed_slice").string())});
    }

    // A print that is aborted halfway leaves the file of the earlier print.
    const std::string before = ReadFileBytes(pdf);
    {
        QPrinterDocument doc(printer);
        const PrintOutcome out = PrintCoupes(root, {Entry("F2"), Entry("DISPARU")}, settings, info, doc);
        EXPECT_FALSE(out.Printed);
    }
    EXPECT_EQ(ReadFileBytes(pdf), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

// ---- metafile export ----------------------------------------------------------

class MetafileExportTest : public PrintingTest {
protected:
    MetafileExportRequest Request(std::vector<MetafileExportRow> rows, const std::string& templ, bool emf = false)
    {
        MetafileExportRequest r;
        r.Root = &root;
        r.Rows = std::move(rows);
        r.Template = templ;
        r.Folder = dir.path();
        r.Emf = emf;
        r.Settings = settings;
        r.Tubes = [this](const std::string& indice, const std::string&) {
            return indice == "M1" ? std::vector<std::string>{"PMT1", "PMT2", "PMT3"} : std::vector<std::string>{};
        };
        return r;
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(PathToUtf8(e.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir;
};

TEST_F(MetafileExportTest, NamesComeFromTheTemplateWithoutForbiddenCharactersAndNeverOverwrite)
{
    TDirBlock& p1 = AddSampleBorehole(root, "P1");
    SetSampleOuvrage(p1, "A", 12.0);
    AddSampleLevels(p1, GeneratedLevels(3, 12.0));
    const MetafileExportResult first = ExportMetafiles(Request({{"P1", "A"}}, "%Indice%/%D\xC3\xA9sign%"));
    EXPECT_EQ(first.Written.size(), 1u);
    ExportMetafiles(Request({{"P1", "A"}}, "%Indice%/%D\xC3\xA9sign%"));
    ExportMetafiles(Request({{"P1", "A"}, {"P1", "A"}}, "%Inconnu%"));
    EXPECT_EQ(Files(), (std::vector<std::string>{"Ouvrage(1).wmf", "Ouvrage(2).wmf", "P1A(2).wmf", "P1A.wmf"}));

    EXPECT_EQ(CleanMetafileName("a\"b*c/d:e<f>g?h\\i|j\r\nk"), "abcdefghijk");
    const std::string accents(300, 'a');
    EXPECT_EQ(CleanMetafileName(accents + "\xC3\xA9").size(), kMaxMetafileNameBytes);
    // A cut never splits a character.
    const std::string cut = CleanMetafileName(std::string(kMaxMetafileNameBytes - 1, 'a') + "\xC3\xA9");
    EXPECT_EQ(cut, std::string(kMaxMetafileNameBytes - 1, 'a'));
}

TEST_F(MetafileExportTest, OneFilePerSliceAndTubeAndNoneForAnEmptyLog)
{
    int lastProgress = 0;
    MetafileExportRequest r = Request({{"F3", "F3"}, {"VIDE", "VIDE"}, {"F2", "F2"}, {"M1", "M1"}}, "%Indice% %NomTube%");
    r.Progress = [&](int p) { lastProgress = p; };
    const MetafileExportResult res = ExportMetafiles(r);
    EXPECT_TRUE(res.Failures.empty());
    EXPECT_EQ(lastProgress, 4);
    EXPECT_EQ(Files(), (std::vector<std::string>{"F2 CUVELAGE.wmf", "F3 CUVELAGE(2).wmf", "F3 CUVELAGE(3).wmf",
                                                 "F3 CUVELAGE(4).wmf", "F3 CUVELAGE.wmf", "M1 PMT1.wmf", "M1 PMT2.wmf",
                                                 "M1 PMT3.wmf"}));
}

// The x of every long vertical segment of an exported page, read from the
// file's line records (EMF poly-polylines, WMF polylines).
std::set<std::int32_t> LongVerticals(const std::string& b, bool emf)
{
    auto u16 = [&](std::size_t at) { return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8; };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    auto i16 = [&](std::size_t at) { return std::int32_t(std::int16_t(u16(at))); };
    std::set<std::int32_t> xs;
    auto add = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
        if (x1 == x2 && std::abs(y2 - y1) > 3000) xs.insert(x1);
    };
    if (emf) {
        for (std::size_t at = 0; at + 8 <= b.size();) {
            const std::uint32_t type = u32(at), size = u32(at + 4);
            if (size < 8 || at + size > b.size()) break;
            if (type == EmfCanvas::EMR_POLYPOLYLINE16 || type == EmfCanvas::EMR_POLYPOLYLINE) {
                const bool small = type == EmfCanvas::EMR_POLYPOLYLINE16;
                const std::uint32_t polys = u32(at + 24);
                std::size_t pt = at + 32 + 4 * std::size_t(polys);
                for (std::uint32_t k = 0; k < polys; ++k) {
                    const std::uint32_t n = u32(at + 32 + 4 * std::size_t(k));
                    auto X = [&](std::size_t i) { return small ? i16(pt + 4 * i) : std::int32_t(u32(pt + 8 * i)); };
                    auto Y = [&](std::size_t i) { return small ? i16(pt + 4 * i + 2) : std::int32_t(u32(pt + 8 * i + 4)); };
                    for (std::size_t i = 1; i < n; ++i) add(X(i - 1), Y(i - 1), X(i), Y(i));
                    pt += (small ? 4 : 8) * std::size_t(n);
                }
            }
            at += size;
        }
    } else {
        for (std::size_t at = 22 + 18; at + 6 <= b.size();) {
            const std::size_t size = 2 * std::size_t(u32(at));
            const std::uint32_t function = u16(at + 4);
            if (size < 6 || at + size > b.size()) break;
            if (function == WmfCanvas::META_POLYLINE) {
                const std::uint32_t n = u16(at + 6);
                for (std::size_t i = 1; i < n; ++i)
                    add(i16(at + 8 + 4 * (i - 1)), i16(at + 10 + 4 * (i - 1)), i16(at + 8 + 4 * i), i16(at + 10 + 4 * i));
            }
            at += size;
        }
    }
    return xs;
}

// Each page is drawn into 0..10000 x 0..14142, bounds included, so the drawing
// is 10001 wide: the technical axis is at 0.65 x 10001 = 6500.65 -> 6501 and
// the open hole's walls, DemiLargeurMax = 0.08 x 10001 = 800.08 -> 800 from it.
TEST_F(MetafileExportTest, PagesAreDrawnIntoTenThousandByFourteenThousandOneHundredFortyTwo)
{
    TDirBlock& bh = AddSampleBorehole(root, "TN");
    SetSampleOuvrage(bh, "TN", 40.0);
    AddSampleLevels(bh, GeneratedLevels(4, 40.0));
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 40.0}, {"Diam", 200.0}});
    for (const bool emf : {false, true}) {
        SCOPED_TRACE(emf ? "emf" : "wmf");
        fs::remove_all(dir.path() / "TN.wmf");
        fs::remove_all(dir.path() / "TN.emf");
        const MetafileExportResult res = ExportMetafiles(Request({{"TN", "TN"}}, "%Indice%", emf));
        ASSERT_EQ(res.Written.size(), 1u);
        const std::set<std::int32_t> xs = LongVerticals(ReadFileBytes(res.Written[0]), emf);
        EXPECT_TRUE(xs.count(5701)) << "left wall";
        EXPECT_TRUE(xs.count(7301)) << "right wall";
        EXPECT_FALSE(xs.count(5700));
        EXPECT_FALSE(xs.count(7300));
    }
}

TEST_F(MetafileExportTest, TheToolsReadAnExportedLog)
{
    TDirBlock& well = BuildShallowWell(root, "PZ1");
    (void)well;
    for (bool emf : {false, true}) {
        const MetafileExportResult res = ExportMetafiles(Request({{"PZ1", "PZ1"}}, "%Indice%", emf));
        ASSERT_EQ(res.Written.size(), 1u);
        const fs::path file = res.Written[0];
        fs::create_directories(fs::path(CAROTIX_SHOTS_DIR) / "drawing");
        fs::copy_file(file, fs::path(CAROTIX_SHOTS_DIR) / "drawing" / file.filename(), fs::copy_options::overwrite_existing);
        const char* tool = emf ? "emf2svg-conv" : "wmf2svg";
        if (!HasProgram(tool)) continue;
        const QString svg = QString::fromStdString((dir / (emf ? "emf.svg" : "wmf.svg")).string());
        const QStringList args = emf ? QStringList{QStringLiteral("-i"), QString::fromStdString(file.string()),
                                                   QStringLiteral("-o"), svg}
                                     : QStringList{QStringLiteral("-o"), svg, QString::fromStdString(file.string())};
        EXPECT_NE(RunTool(QString::fromLatin1(tool), args).rfind("<failed", 0), 0u) << tool;
        const std::string out = ReadFileBytes(svg.toStdString());
        EXPECT_NE(out.find("<svg"), std::string::npos) << tool;
        EXPECT_GT(out.size(), 10000u) << tool << ": the log's shapes are there";
    }
}

}  // namespace
