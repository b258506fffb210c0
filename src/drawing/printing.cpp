#include "drawing/printing.h"

#include <cmath>

#include "drawing/log_drawing.h"
#include "drawing/log_layout.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

// The smallest drawing the log draws anything in (log_drawing.h).
constexpr std::int32_t kMinDrawingSize = 100;

double AtLeastOne(double v)
{
    // NaN counts as below 1 too.
    return v >= 1 ? v : 1;
}

std::vector<PageRange> Slices(double extent, double maximum, double slice, const std::string& what)
{
    const double d = std::min(extent, maximum);
    const double n = std::ceil(d / slice);
    if (!(n <= double(kMaxPagesPerLog)))
        throw TooManyPagesError("Le log" + (what.empty() ? std::string() : " " + what) + " demanderait plus de " + IntToStr(kMaxPagesPerLog) +
                                " pages : r\xC3\xA9" "duisez \xC2\xAB Profondeur max. \xC2\xBB ou augmentez la taille des tranches.");
    std::vector<PageRange> pages;
    for (std::int64_t j = 0; j < static_cast<std::int64_t>(n); ++j)
        pages.push_back(PageRange{double(j) * slice, double(j + 1) * slice});
    return pages;
}

PageRange AutomaticPage()
{
    return PageRange{MissingFloat, MissingFloat};
}

std::string EntryName(const PrintEntry& e)
{
    std::string name = "\xC2\xAB " + e.Indice;
    if (!e.Design.empty()) name += " " + e.Design;
    if (!e.Tube.empty()) name += " " + e.Tube;
    return name + " \xC2\xBB";
}

std::vector<PageRange> PrintedPagesOf(double extent, const PrintSettings& s, const std::string& what)
{
    const double pMax = AtLeastOne(s.ProfMaximum);
    const double slice = AtLeastOne(s.TailleTranches);
    if (extent > s.ProfTranches) return Slices(extent, pMax, slice, what);
    if (extent > pMax) return {PageRange{0, pMax}};
    return {AutomaticPage()};
}

std::vector<PageRange> MetafilePagesOf(double extent, const PrintSettings& s, const std::string& what)
{
    if (!(extent > s.ProfTranches)) return {AutomaticPage()};
    return Slices(extent, AtLeastOne(s.ProfMaximum), AtLeastOne(s.TailleTranches), what);
}

const char* const kNoRoom = "Les marges ne laissent pas de place pour le dessin sur cette page.";

bool RoomToDraw(const TRect& r)
{
    return std::int64_t(r.Right) - r.Left + 1 >= kMinDrawingSize &&
           std::int64_t(r.Bottom) - r.Top + 1 >= kMinDrawingSize;
}

ReportPrinting& Reports()
{
    static ReportPrinting printing;
    return printing;
}

}  // namespace

// ---- settings ------------------------------------------------------------------

PrintSettings ReadPrintSettings()
{
    PrintSettings s;
    s.MargeGauche = OptReadFloat(kImpressionSection, kMargeGauche, s.MargeGauche);
    s.MargeHaut = OptReadFloat(kImpressionSection, kMargeHaut, s.MargeHaut);
    s.MargeDroite = OptReadFloat(kImpressionSection, kMargeDroite, s.MargeDroite);
    s.MargeBas = OptReadFloat(kImpressionSection, kMargeBas, s.MargeBas);
    s.ProfMaximum = OptReadFloat(kImpressionSection, kProfMaximum, s.ProfMaximum);
    s.ProfTranches = OptReadFloat(kImpressionSection, kProfTranches, s.ProfTranches);
    s.TailleTranches = OptReadFloat(kImpressionSection, kTailleTranches, s.TailleTranches);
    return s;
}

void WritePrintSetting(const char* key, double value)
{
    if (IniCarotix) IniCarotix->WriteFloat(kImpressionSection, key, value);
}

bool BringMarginsIntoPrintableArea(PrintSettings& s, const TPrinterInfo& p)
{
    if (!p.Valid()) return false;
    bool changed = false;
    auto raise = [&](double& margin, double least, const char* key) {
        if (margin < least) {
            margin = least;
            WritePrintSetting(key, margin);
            changed = true;
        }
    };
    raise(s.MargeGauche, p.OffsetXCm, kMargeGauche);
    raise(s.MargeHaut, p.OffsetYCm, kMargeHaut);
    raise(s.MargeDroite, p.PageWidthCm - p.PrintRightCm, kMargeDroite);
    raise(s.MargeBas, p.PageHeightCm - p.PrintBottomCm, kMargeBas);
    return changed;
}

// ---- pages ---------------------------------------------------------------------

bool PageRange::Automatic() const
{
    return IsMissingFloat(From) || IsMissingFloat(To);
}

std::vector<PageRange> PrintedPages(double extent, const PrintSettings& settings)
{
    return PrintedPagesOf(extent, settings, "");
}

std::vector<PageRange> MetafilePages(double extent, const PrintSettings& settings)
{
    return MetafilePagesOf(extent, settings, "");
}

// ---- lines -----------------------------------------------------------------------

std::vector<PrintEntry> PrintEntriesOf(const TDirBlock& root, const std::string& indice, const std::string& design,
                                       const std::vector<std::string>& tubes, bool reports)
{
    std::vector<PrintEntry> entries;
    if (reports) {
        entries.push_back(PrintEntry{indice, design, "", indice + kPrintNbsp + design + kPrintNbsp});
        return entries;
    }
    std::vector<std::string> list = tubes;
    if (list.empty()) list.push_back("");
    for (const std::string& tube : list) {
        const double extent = EtendueProfondeur(root, indice, design, tube);
        if (extent == 0) continue;
        entries.push_back(
            PrintEntry{indice, design, tube, indice + kPrintNbsp + design + kPrintNbsp + tube + kPrintNbsp + "(" + FloatToStr(extent) + " m)"});
    }
    return entries;
}

// ---- print runs --------------------------------------------------------------------

PrintOutcome PrintCoupes(const TDirBlock& root, const std::vector<PrintEntry>& entries, const PrintSettings& settings,
                         const TPrinterInfo& printer, PrintDocument& document)
{
    PrintOutcome outcome;
    const TRect rect = printer.CmToPixelRect(settings.MargeGauche, settings.MargeHaut, settings.MargeDroite,
                                             settings.MargeBas);
    if (!printer.Valid() || !RoomToDraw(rect)) {
        outcome.Failure = kNoRoom;
        return outcome;
    }
    // Every page is known before the document begins: a log that cannot be
    // paged prints nothing at all.
    struct Page {
        const PrintEntry* entry;
        PageRange range;
    };
    std::vector<Page> pages;
    try {
        for (const PrintEntry& e : entries) {
            const double extent = EtendueProfondeur(root, e.Indice, e.Design, e.Tube);
            for (const PageRange& r : PrintedPagesOf(extent, settings, EntryName(e))) pages.push_back(Page{&e, r});
        }
    } catch (const TooManyPagesError& error) {
        outcome.Failure = error.what();
        return outcome;
    }
    if (!document.BeginDoc(kPrintDocumentTitle)) {
        outcome.Failure = "L'impression n'a pas pu commencer.";
        return outcome;
    }
    for (const Page& page : pages) {
        if (outcome.Pages > 0) document.NewPage();
        ++outcome.Pages;
        const bool drawn = DessinerCoupe(root, page.entry->Indice, page.entry->Design, page.entry->Tube,
                                         document.PageCanvas(), rect.Left, rect.Top, rect.Right, rect.Bottom,
                                         page.range.From, page.range.To, false);
        if (!drawn) {
            document.Abort();
            outcome.Pages = 0;
            outcome.Failure = "Le log " + EntryName(*page.entry) +
                              " n'a pas pu \xC3\xAAtre dessin\xC3\xA9 : l'impression est annul\xC3\xA9" "e.";
            return outcome;
        }
    }
    outcome.Printed = document.EndDoc();
    if (!outcome.Printed) outcome.Failure = "L'impression n'a pas pu \xC3\xAAtre termin\xC3\xA9" "e.";
    return outcome;
}

void SetReportPrinting(ReportPrinting printing)
{
    Reports() = std::move(printing);
}

const ReportPrinting& GetReportPrinting()
{
    return Reports();
}

PrintOutcome PrintRapports(const TDirBlock& root, const std::vector<PrintEntry>& entries,
                           const std::vector<std::string>& elements, bool evenPages, const TPrinterInfo& printer,
                           PrintDocument& document)
{
    PrintOutcome outcome;
    const ReportPrinting& reports = GetReportPrinting();
    if (!reports.PrintReport) {
        outcome.Failure = "L'impression des rapports n'est pas disponible dans cette version.";
        return outcome;
    }
    // Reports have fixed margins of 1 cm, whatever the log margins are.
    const TRect rect = printer.CmToPixelRect(1.0, 1.0, 1.0, 1.0);
    if (!printer.Valid() || !RoomToDraw(rect)) {
        outcome.Failure = kNoRoom;
        return outcome;
    }
    if (!document.BeginDoc(kPrintDocumentTitle)) {
        outcome.Failure = "L'impression n'a pas pu commencer.";
        return outcome;
    }
    bool first = true;
    for (const PrintEntry& e : entries) {
        if (!first) document.NewPage();
        first = false;
        if (!reports.PrintReport(root, e.Indice, e.Design, evenPages, rect, document, elements)) {
            document.Abort();
            outcome.Failure = "Le rapport " + EntryName(e) +
                              " n'a pas pu \xC3\xAAtre imprim\xC3\xA9 : l'impression est annul\xC3\xA9" "e.";
            return outcome;
        }
        ++outcome.Pages;
    }
    outcome.Printed = document.EndDoc();
    if (!outcome.Printed) outcome.Failure = "L'impression n'a pas pu \xC3\xAAtre termin\xC3\xA9" "e.";
    return outcome;
}

// ---- recording document -------------------------------------------------------------

RecordingPrintDocument::RecordingPrintDocument(const TDeviceCaps& caps) : caps_(caps) {}

RecordingPrintDocument::~RecordingPrintDocument() = default;

bool RecordingPrintDocument::BeginDoc(const std::string& title)
{
    if (RefuseBegin || printing_) return false;
    Title = title;
    Pages.clear();
    Pages.push_back(std::make_unique<RecordingCanvas>());
    Pages.back()->Caps = caps_;
    printing_ = true;
    DocState = State::Printing;
    return true;
}

Canvas& RecordingPrintDocument::PageCanvas()
{
    if (!printing_) throw std::logic_error("Aucun document en cours d'impression");
    return *Pages.back();
}

bool RecordingPrintDocument::NewPage()
{
    if (!printing_) return false;
    Pages.push_back(std::make_unique<RecordingCanvas>());
    Pages.back()->Caps = caps_;
    return true;
}

bool RecordingPrintDocument::EndDoc()
{
    if (!printing_) return false;
    printing_ = false;
    DocState = State::Ended;
    return true;
}

void RecordingPrintDocument::Abort()
{
    if (!printing_) return;
    printing_ = false;
    DocState = State::Aborted;
    Pages.clear();
}
