// The printer side of printing: the page geometry of the current printer
// (TPrinterInfo, in centimetres and printer pixels) and print documents that
// are begun with a title, get new pages, and are ended or aborted.
//
// The printing code draws each page through the Canvas of a PrintDocument and
// never touches QPrinter itself, so that the same page logic runs on the real
// printer, on a PDF file and on a recording document in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QString>

#include "platform/canvas.h"

class QPainter;
class QPrinter;
class QPainterCanvas;

// The page geometry of a printer, read from its device capabilities. The
// horizontal resolution converts both directions (the vertical one is not
// read), so a printer with different resolutions across and down measures its
// page through the horizontal one.
class TPrinterInfo {
public:
    TPrinterInfo() = default;
    explicit TPrinterInfo(const TDeviceCaps& caps) { ReadGeometry(caps); }

    // Reads (again) the geometry from the capabilities of the printer.
    void ReadGeometry(const TDeviceCaps& caps);
    // A printer that reports a resolution and a paper size. Without one
    // (no printer, a broken driver) every centimetre value is 0 and
    // CmToPixelRect gives an empty rectangle instead of dividing by zero.
    bool Valid() const;

    // The rectangle inside the margins (cm from the paper's edges) in printer
    // pixels, with the origin at the printable area's top-left corner. Its
    // four values are the bounds of the drawing, both included (the form the
    // log drawing takes). Halves round to even; values beyond any page are
    // clamped to the canvas's coordinate limit.
    TRect CmToPixelRect(double marginLeft, double marginTop, double marginRight, double marginBottom) const;

    std::int32_t LogPixelsX = 0;       // dots per inch, across
    std::int32_t PhysicalWidth = 0;    // paper width, printer pixels
    std::int32_t PhysicalHeight = 0;   // paper height, printer pixels
    std::int32_t PhysicalOffsetX = 0;  // unprintable strip at the left
    std::int32_t PhysicalOffsetY = 0;  // unprintable strip at the top
    double PageWidthCm = 0;
    double PageHeightCm = 0;
    double OffsetXCm = 0;
    double OffsetYCm = 0;
    double PrintRightCm = 0;   // right edge of the printable area from the paper's left edge
    double PrintBottomCm = 0;  // bottom edge of the printable area from the paper's top edge
};

// The capabilities of a printer: resolution, paper size, offsets and
// printable size in device pixels (pageRect with the full page off).
TDeviceCaps PrinterDeviceCaps(const QPrinter& printer);

// The current printer of the program, chosen by the print set-up: made on
// first use as a high-resolution printer (with no printer installed, Qt makes
// it a PDF printer without a file name).
QPrinter& CurrentPrinter();
// Replaces the current printer (tests print to a PDF file this way).
void SetCurrentPrinter(std::unique_ptr<QPrinter> printer);
// True when the printer writes a PDF file rather than to a queue (chosen so,
// or no queue at all): each print asks for the file.
bool PrinterWritesPdfFile(const QPrinter& printer);

// One print job.
class PrintDocument {
public:
    virtual ~PrintDocument() = default;
    // The device's capabilities (before or during the job).
    virtual TDeviceCaps Caps() const = 0;
    // Begins the document under the title. False when the device refuses.
    virtual bool BeginDoc(const std::string& title) = 0;
    // The canvas of the current page, between BeginDoc and EndDoc / Abort.
    virtual Canvas& PageCanvas() = 0;
    // Ends the current page and begins the next one.
    virtual bool NewPage() = 0;
    // Ends the document (it goes to the printer). False when that failed.
    virtual bool EndDoc() = 0;
    // Discards the document: nothing reaches the printer and a PDF file
    // being written is deleted.
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
};

// A print document on a QPrinter (a real printer or a PDF file). The origin
// of every page is the printable area's top-left corner.
class SafeTempFile;

class QPrinterDocument final : public PrintDocument {
public:
    explicit QPrinterDocument(QPrinter& printer);
    ~QPrinterDocument() override;  // aborts a document still open

    TDeviceCaps Caps() const override;
    bool BeginDoc(const std::string& title) override;
    Canvas& PageCanvas() override;
    bool NewPage() override;
    bool EndDoc() override;
    void Abort() override;
    bool Printing() const override { return painter_ != nullptr; }

private:
    void Close();
    void DropPdfTemp();

    QPrinter& printer_;
    QString pdfTarget_;  // the PDF file named by the printer
    QString pdfTemp_;    // the file written until the document ends
    std::unique_ptr<SafeTempFile> pdfFile_;  // holds pdfTemp_ (locked) until it is renamed
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QPainterCanvas> canvas_;
};
