// Where the print commands send their pages: a queue of the system, or a PDF
// file named at each print. Every command that prints (logs, reports, code
// models, the pattern list, the coding rules) opens its document here, so the
// choice between the two has one home.
#pragma once

#include <QString>
#include <memory>

class PrintDocument;

// Makes the current printer the named queue; an empty name chooses a PDF
// file, asked for at each print.
void ChoosePrintOutput(const QString& queue);

// The document of a print command on the current printer. When the printer
// writes a PDF file, the file is asked for first (through the prompts), and a
// cancelled dialog answers null: nothing is printed, nothing reaches a queue.
std::unique_ptr<PrintDocument> OpenPrintDocument();
