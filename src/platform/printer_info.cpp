#include "platform/printer_info.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <cmath>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <system_error>

#include "platform/base/rtl_numbers.h"
#include "platform/base/safe_files.h"
#include "platform/qpainter_canvas.h"

namespace {

std::int32_t RoundedPixel(double x)
{
    // Margins typed far beyond any paper land far outside the page, never in
    // an undefined conversion.
    const std::int32_t v = RoundHalfEvenToInt32Clamped(x);
    if (v > Canvas::CoordLimit) return Canvas::CoordLimit;
    if (v < -Canvas::CoordLimit) return -Canvas::CoordLimit;
    return v;
}

std::int32_t NearestPixel(double x)
{
    return RoundHalfEvenToInt32Clamped(x);
}

std::filesystem::path FsPath(const QString& name)
{
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

std::unique_ptr<QPrinter>& PrinterSlot()
{
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

}  // namespace

// ---- TPrinterInfo -----------------------------------------------------------

void TPrinterInfo::ReadGeometry(const TDeviceCaps& caps)
{
    LogPixelsX = caps.LogPixelsX;
    PhysicalWidth = caps.PhysicalWidth;
    PhysicalHeight = caps.PhysicalHeight;
    PhysicalOffsetX = caps.PhysicalOffsetX;
    PhysicalOffsetY = caps.PhysicalOffsetY;
    if (!Valid()) {
        PageWidthCm = PageHeightCm = OffsetXCm = OffsetYCm = PrintRightCm = PrintBottomCm = 0;
        return;
    }
    const double dpi = LogPixelsX;
    PageWidthCm = PhysicalWidth * 2.54 / dpi;
    PageHeightCm = PhysicalHeight * 2.54 / dpi;
    OffsetXCm = PhysicalOffsetX * 2.54 / dpi;
    OffsetYCm = PhysicalOffsetY * 2.54 / dpi;
    PrintRightCm = (double(caps.HorzRes) + PhysicalOffsetX) * 2.54 / dpi;
    PrintBottomCm = (double(caps.VertRes) + PhysicalOffsetY) * 2.54 / dpi;
}

bool TPrinterInfo::Valid() const
{
    return LogPixelsX > 0 && PhysicalWidth > 0 && PhysicalHeight > 0;
}

TRect TPrinterInfo::CmToPixelRect(double marginLeft, double marginTop, double marginRight,
                                  double marginBottom) const
{
    if (!Valid() || PageWidthCm <= 0 || PageHeightCm <= 0) return TRect{};
    TRect r;
    r.Left = RoundedPixel((marginLeft - OffsetXCm) / PageWidthCm * PhysicalWidth);
    r.Top = RoundedPixel((marginTop - OffsetYCm) / PageHeightCm * PhysicalHeight);
    r.Right = RoundedPixel((PageWidthCm - OffsetXCm - marginRight) / PageWidthCm * PhysicalWidth);
    r.Bottom = RoundedPixel((PageHeightCm - OffsetYCm - marginBottom) / PageHeightCm * PhysicalHeight);
    return r;
}

// ---- the printer ------------------------------------------------------------

TDeviceCaps PrinterDeviceCaps(const QPrinter& printer)
{
    TDeviceCaps caps;
    caps.LogPixelsX = printer.resolution();
    caps.LogPixelsY = printer.resolution();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    caps.PhysicalWidth = NearestPixel(paper.width());
    caps.PhysicalHeight = NearestPixel(paper.height());
    caps.PhysicalOffsetX = NearestPixel(page.left());
    caps.PhysicalOffsetY = NearestPixel(page.top());
    caps.HorzRes = NearestPixel(page.width());
    caps.VertRes = NearestPixel(page.height());
    return caps;
}

QPrinter& CurrentPrinter()
{
    std::unique_ptr<QPrinter>& slot = PrinterSlot();
    if (!slot) slot = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *slot;
}

void SetCurrentPrinter(std::unique_ptr<QPrinter> printer)
{
    PrinterSlot() = std::move(printer);
}

bool PrinterWritesPdfFile(const QPrinter& printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat;
}

// ---- print documents --------------------------------------------------------
//
// A PDF document is written to a temporary file beside the one named, and
// renamed over it only when the document ends: an aborted or failed print
// leaves an older file of that name whole, and no half-written file behind.

QPrinterDocument::QPrinterDocument(QPrinter& printer) : printer_(printer) {}

QPrinterDocument::~QPrinterDocument()
{
    if (painter_) Abort();
}

TDeviceCaps QPrinterDocument::Caps() const
{
    return PrinterDeviceCaps(printer_);
}

bool QPrinterDocument::BeginDoc(const std::string& title)
{
    if (painter_) return false;
    printer_.setDocName(QString::fromStdString(title));
    printer_.setFullPage(false);
    pdfTarget_.clear();
    pdfTemp_.clear();
    if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty()) {
        // The program's temporary file beside the target: the permissions of
        // the user's umask (or of the file it replaces), renamed over the
        // target only once the document is whole.
        const QString target = printer_.outputFileName();
        try {
            pdfFile_ = std::make_unique<SafeTempFile>(FsPath(target));
        } catch (const EFileError&) {
            return false;
        }
        pdfTarget_ = target;
        pdfTemp_ = QFile::decodeName(QByteArray::fromStdString(pdfFile_->Path().string()));
        printer_.setOutputFileName(pdfTemp_);
    }
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        DropPdfTemp();
        return false;
    }
    canvas_ = std::make_unique<QPainterCanvas>(painter_.get());
    return true;
}

Canvas& QPrinterDocument::PageCanvas()
{
    if (!canvas_) throw std::logic_error("Aucun document en cours d'impression");
    return *canvas_;
}

bool QPrinterDocument::NewPage()
{
    if (!painter_) return false;
    // The canvas's state (clip, selected objects) belongs to one page.
    canvas_.reset();
    const bool ok = printer_.newPage();
    canvas_ = std::make_unique<QPainterCanvas>(painter_.get());
    return ok;
}

void QPrinterDocument::Close()
{
    canvas_.reset();
    if (painter_ && painter_->isActive()) painter_->end();
    painter_.reset();
}

bool QPrinterDocument::EndDoc()
{
    if (!painter_) return false;
    Close();
    bool ok = printer_.printerState() != QPrinter::Error;
    if (!pdfTemp_.isEmpty()) {
        // The PDF writer does not report a full disk: a file that lacks its
        // end marker was cut short and must not replace the old one.
        if (ok) {
            char tail[64] {};
            struct stat st {};
            ok = ::fstat(pdfFile_->Fd(), &st) == 0 && st.st_size > 0;
            if (ok) {
                const off_t from = st.st_size > static_cast<off_t>(sizeof tail) ? st.st_size - static_cast<off_t>(sizeof tail) : 0;
                const ssize_t n = ::pread(pdfFile_->Fd(), tail, sizeof tail, from);
                ok = n > 0 && std::string_view(tail, static_cast<std::size_t>(n)).find("%%EOF") != std::string_view::npos;
            }
        }
        if (ok) {
            try {
                pdfFile_->Commit();
            } catch (const EFileError&) {
                ok = false;
            }
        }
        DropPdfTemp();
    }
    return ok;
}

void QPrinterDocument::Abort()
{
    if (!painter_) return;
    printer_.abort();
    Close();
    DropPdfTemp();
}

void QPrinterDocument::DropPdfTemp()
{
    if (pdfTemp_.isEmpty()) return;
    pdfFile_.reset();  // removes the file unless it was renamed
    printer_.setOutputFileName(pdfTarget_);
    pdfTemp_.clear();
    pdfTarget_.clear();
}
