#include "app/windows/printing_commands.h"

#include <QAction>
#include <QMenu>
#include <QPrintDialog>
#include <QToolBar>
#include <functional>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "drawing/windows/metafile_export_window.h"
#include "drawing/windows/print_window.h"
#include "platform/printer_info.h"
#include "platform/ui_services.h"

namespace {

// The item of that caption, or a new one at the menu's end; whatever it was
// connected to is replaced by `handler`.

}  // namespace

void ShowPrintWindow(TFMain& main, bool reports)
{
    TFChild* child = main.ActiveChild();
    if (!child) {
        ShowBox("Impression", kNothingToPrint);
        return;
    }
    if (!FImpression) new TFImpression(&main);  // the start-up makes it; tests may not
    if (reports)
        FImpression->SetModeRapport();
    else
        FImpression->SetModeCoupes();
    FImpression->SetCollection(child);
    FImpression->exec();
}

void PrinterSetup(TFMain& main)
{
    QPrintDialog dialog(&CurrentPrinter(), &main);
    dialog.setWindowTitle(QString::fromUtf8(kPrinterSetupMenuCaption).remove(QStringLiteral("...")));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.exec();
}

void InstallPrintingCommands(TFMain& main)
{
    TFMain* m = &main;
    QMenu* ops = main.Operations1;
    QAction* meta = main.findChild<QAction*>(QStringLiteral("ExporterWMF1"));
    QAction* logs = main.findChild<QAction*>(QStringLiteral("Imprimer1"));
    // Enabled when the menu opens: the export needs a selected ouvrage, the
    // print box at least one ouvrage in the active collection.
    QObject::connect(ops, &QMenu::aboutToShow, &main, GuardedSlot([m, meta, logs] {
                         TFChild* c = m->ActiveChild();
                         meta->setEnabled(c && !c->GetSelectedRows().empty());
                         logs->setEnabled(c && !c->Rows().empty());
                     }));
}
