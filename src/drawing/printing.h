// Printing logs and reports: the lines offered by the print window, the
// pages of a log (one page, or depth slices of a long log), the margins of
// carotix.ini [Impression], and the two print runs on a PrintDocument.
//
// Nothing here knows about windows or QPrinter: the print window hands in
// the chosen lines and a document (the current printer, a PDF file, or a
// recording document in tests).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/printer_info.h"
#include "platform/recording_canvas.h"

class TDirBlock;

// ---------------------------------------------------------------------------
// Settings, carotix.ini [Impression]
// ---------------------------------------------------------------------------

inline constexpr const char* kImpressionSection = "Impression";
inline constexpr const char* kMargeGauche = "MargeGauche";
inline constexpr const char* kMargeHaut = "MargeHaut";
inline constexpr const char* kMargeDroite = "MargeDroite";
inline constexpr const char* kMargeBas = "MargeBas";
inline constexpr const char* kProfMaximum = "ProfMaximum";
inline constexpr const char* kProfTranches = "ProfTranches";
inline constexpr const char* kTailleTranches = "TailleTranches";

struct PrintSettings {
    double MargeGauche = 1.5;  // cm from the paper's edges
    double MargeHaut = 1.5;
    double MargeDroite = 1.5;
    double MargeBas = 1.5;
    double ProfMaximum = 200;    // greatest depth printed, m
    double ProfTranches = 100;   // a log deeper than this is sliced, m
    double TailleTranches = 50;  // height of one slice, m
};

// The settings as stored (defaults for missing or unreadable keys).
PrintSettings ReadPrintSettings();
// Writes one key of [Impression] (the settings' float format).
void WritePrintSetting(const char* key, double value);

// Margins that lie in the printer's unprintable strips are raised to them
// and written back; answers whether any changed. Nothing happens without a
// valid printer geometry.
bool BringMarginsIntoPrintableArea(PrintSettings& settings, const TPrinterInfo& printer);

// ---------------------------------------------------------------------------
// Pages of a log
// ---------------------------------------------------------------------------

// One page of a log: the depth window passed to DessinerCoupe, offsets from
// the log's automatic top; both MissingFloat for the automatic range.
struct PageRange {
    double From;
    double To;
    bool Automatic() const;
};

// More pages than this for one log is refused: only absurd depths or
// settings ask for it, and the job would never end.
inline constexpr std::int64_t kMaxPagesPerLog = 10000;

// Thrown when one log would need more than kMaxPagesPerLog pages.
class TooManyPagesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The pages of a log of depth extent `extent` on paper: sliced when deeper
// than ProfTranches (to at most ProfMaximum, slices of TailleTranches); one
// page down to ProfMaximum when only deeper than that; otherwise one page
// with the automatic range. ProfMaximum and TailleTranches below 1 count as 1.
std::vector<PageRange> PrintedPages(double extent, const PrintSettings& settings);
// The pages of the metafile export: the same slices, but a log that is not
// sliced is always drawn with the automatic range.
std::vector<PageRange> MetafilePages(double extent, const PrintSettings& settings);

// ---------------------------------------------------------------------------
// Lines of the print window
// ---------------------------------------------------------------------------

// The no-break space (character 160) that joins the fields of a line.
inline constexpr const char* kPrintNbsp = "\xC2\xA0";

// One printable thing: its line as shown, and what it names. Printing takes
// the names from here, not back from the text, so names holding a no-break
// space print as well as any other.
struct PrintEntry {
    std::string Indice;
    std::string Design;
    std::string Tube;
    std::string Text;
    friend bool operator==(const PrintEntry&, const PrintEntry&) = default;
};

// The lines of one ouvrage. Logs mode: one line per tube of `tubes` (the
// collection window's tube list), or one line without a tube when there is
// none, each only when the log's depth extent is not 0; reports mode: one line.
std::vector<PrintEntry> PrintEntriesOf(const TDirBlock& root, const std::string& indice, const std::string& design,
                                       const std::vector<std::string>& tubes, bool reports);

// ---------------------------------------------------------------------------
// Print runs
// ---------------------------------------------------------------------------

struct PrintOutcome {
    bool Printed = false;  // the document was ended and went to the printer
    int Pages = 0;
    // Why nothing was printed ("" when it was); shown by the window.
    std::string Failure;
};

// The document title of every print of the program.
inline constexpr const char* kPrintDocumentTitle = "Carotix";

// Prints each entry's log, one page per log or per slice, inside the margins.
// A log that cannot be drawn aborts the whole document (nothing reaches the
// printer) and says which one; so do margins that leave no room to draw and
// a log that would need too many pages (before anything is printed).
PrintOutcome PrintCoupes(const TDirBlock& root, const std::vector<PrintEntry>& entries, const PrintSettings& settings,
                         const TPrinterInfo& printer, PrintDocument& document);

// The borehole reports, drawn by the reports module, which installs itself
// here; until it does, report printing says it is not available.
struct ReportPrinting {
    // The names of the report's elements (all ticked when the window opens).
    std::function<std::vector<std::string>()> ElementNames;
    // One report into the open document, from its current page on; false
    // when it could not be printed.
    std::function<bool(const TDirBlock& root, const std::string& indice, const std::string& design, bool evenPages,
                       const TRect& pageRect, PrintDocument& document, const std::vector<std::string>& elements)>
        PrintReport;
};
void SetReportPrinting(ReportPrinting printing);
const ReportPrinting& GetReportPrinting();

// Prints one report per entry, each from a new page, with 1 cm margins.
PrintOutcome PrintRapports(const TDirBlock& root, const std::vector<PrintEntry>& entries,
                           const std::vector<std::string>& elements, bool evenPages, const TPrinterInfo& printer,
                           PrintDocument& document);

// ---------------------------------------------------------------------------
// A print document that records its pages, for tests and previews
// ---------------------------------------------------------------------------

// Each page is drawn on a RecordingCanvas of the given capabilities; the
// pages, the title and the way the document ended are kept.
class RecordingPrintDocument final : public PrintDocument {
public:
    explicit RecordingPrintDocument(const TDeviceCaps& caps);
    ~RecordingPrintDocument() override;

    TDeviceCaps Caps() const override { return caps_; }
    bool BeginDoc(const std::string& title) override;
    Canvas& PageCanvas() override;
    bool NewPage() override;
    bool EndDoc() override;
    void Abort() override;
    bool Printing() const override { return printing_; }

    enum class State { NotBegun, Printing, Ended, Aborted };
    State DocState = State::NotBegun;
    std::string Title;
    // One canvas per page, in order.
    std::vector<std::unique_ptr<RecordingCanvas>> Pages;
    bool RefuseBegin = false;  // BeginDoc fails (a printer that refuses)

private:
    TDeviceCaps caps_;
    bool printing_ = false;
};
