#include "app/printing_commands.h"

#include <QAction>
#include <QMenu>
#include <QPrintDialog>
#include <QToolBar>
#include <functional>

#include "app/collection_window.h"
#include "app/main_window.h"
#include "drawing/windows/metafile_export_window.h"
#include "drawing/windows/print_window.h"
#include "platform/printer_info.h"
#include "platform/ui_services.h"

namespace {

// The item of that caption, or a new one at the menu's end; whatever it was
// connected to is replaced by `handler`.
QAction* TakeOver(TFMain& main, const QList<QAction*>& actions, QMenu* menu, const char* caption,
                  const char* objectName, const char* hint, std::function<void()> handler)
{
    const QString text = QString::fromUtf8(caption);
    QAction* item = nullptr;
    for (QAction* a : actions)
        if (!a->isSeparator() && a->text() == text) {
            item = a;
            break;
        }
    if (item)
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
    else if (menu)
        item = menu->addAction(text);
    else
        return nullptr;
    item->setObjectName(QString::fromUtf8(objectName));
    if (hint) item->setStatusTip(QString::fromUtf8(hint));
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot(std::move(handler)));
    return item;
}

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
    QAction* meta = TakeOver(main, ops->actions(), ops, kExportMetaMenuCaption, "ExporterWMF1", kExportMetaMenuHint,
                             [m] { ExporterWMF1Click(m, m->ActiveChild()); });
    TakeOver(main, ops->actions(), ops, kPrinterSetupMenuCaption, "Configurationdelimpression1", nullptr,
             [m] { PrinterSetup(*m); });
    QAction* logs = TakeOver(main, ops->actions(), ops, kPrintLogsMenuCaption, "Imprimer1", nullptr,
                             [m] { ShowPrintWindow(*m, false); });
    TakeOver(main, ops->actions(), ops, kPrintReportsMenuCaption, "ImpressionRapports1", nullptr,
             [m] { ShowPrintWindow(*m, true); });
    // The fixed tool bar's button runs the same print box.
    TakeOver(main, main.ToolBarDefaut->actions(), nullptr, kPrintLogsButtonHint, "ToolButtonImprimer", nullptr,
             [m] { ShowPrintWindow(*m, false); });

    // Enabled when the menu opens: the export needs a selected ouvrage, the
    // print box at least one ouvrage in the active collection.
    QObject::connect(ops, &QMenu::aboutToShow, &main, GuardedSlot([m, meta, logs] {
                         TFChild* c = m->ActiveChild();
                         meta->setEnabled(c && !c->GetSelectedRows().empty());
                         logs->setEnabled(c && !c->Rows().empty());
                     }));
}
