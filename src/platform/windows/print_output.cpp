#include "platform/windows/print_output.h"

#include <QPrinter>

#include "platform/printer_info.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

void ChoosePrintOutput(const QString& queue)
{
    QPrinter& printer = CurrentPrinter();
    if (queue.isEmpty()) {
        // The output format alone marks the PDF choice. The file name is left
        // as it is: naming no file turns the printer back into the system's
        // default queue whenever CUPS has one.
        printer.setOutputFormat(QPrinter::PdfFormat);
        return;
    }
    printer.setOutputFileName(QString());
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(queue);
}

std::unique_ptr<PrintDocument> OpenPrintDocument()
{
    QPrinter& printer = CurrentPrinter();
    if (PrinterWritesPdfFile(printer)) {
        // Each print names its file: a name kept from the last print would
        // silently be written over. That name is only proposed.
        FileDialogRequest request;
        request.title = "Imprimer dans un fichier PDF";
        request.fileName = FromQString(printer.outputFileName());
        request.filter = "Fichier PDF (*.pdf)|*.pdf";
        request.defaultExt = "pdf";
        request.overwritePrompt = true;
        std::string file;
        if (!AskSaveFile(request, file) || file.empty()) return nullptr;
        printer.setOutputFileName(ToQString(file));
        // A name without the .pdf ending keeps the format; make sure no
        // name can hand the pages to a queue.
        if (printer.outputFormat() != QPrinter::PdfFormat) printer.setOutputFormat(QPrinter::PdfFormat);
    }
    return std::make_unique<QPrinterDocument>(printer);
}
