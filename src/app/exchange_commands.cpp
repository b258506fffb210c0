#include "app/exchange_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/coding_import_commands.h"
#include "app/collection_window.h"
#include "app/main_window.h"
#include "exchange/windows/csv_export_window.h"
#include "exchange/windows/csv_import_command.h"
#include "exchange/windows/save_oracle_window.h"
#include "platform/ui_services.h"

TDirBlock* MainExportHost::ActiveRoot()
{
    TFChild* child = main_.ActiveChild();
    return child ? &child->FRoot() : nullptr;
}

std::vector<CsvExportRow> MainExportHost::ActiveRows()
{
    std::vector<CsvExportRow> rows;
    if (TFChild* child = main_.ActiveChild())
        for (const CollectionRow& r : child->Rows()) rows.push_back({r.Indice, r.Design});
    return rows;
}

QWidget* MainExportHost::DialogParent()
{
    return &main_;
}

namespace {

// The menu's item of that caption, or a new one at its end; whatever it was
// connected to is replaced by `handler`.
void TakeOver(TFMain& main, QMenu* menu, const char* caption, const char* objectName, const char* hint,
              std::function<void()> handler)
{
    const QString text = QString::fromUtf8(caption);
    QAction* item = nullptr;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->text() == text) {
            item = a;
            break;
        }
    if (item)
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
    else
        item = menu->addAction(text);
    item->setObjectName(QString::fromUtf8(objectName));
    item->setStatusTip(QString::fromUtf8(hint));
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot(std::move(handler)));
}

} // namespace

void InstallExchangeCommands(TFMain& main)
{
    TFMain* m = &main;
    TakeOver(main, main.Fichier1, kOracleExportMenuCaption, "ExporterOracle1", kOracleExportMenuHint, [m] {
        MainExportHost host(*m);
        ExporterOracle1Click(host);
    });
    TakeOver(main, main.Fichier1, kCsvImportMenuCaption, "ImporterCsv1", kCsvImportMenuHint, [m] {
        MainOracleImportHost host(*m);
        ImporterCsv1Click(host);
    });
    TakeOver(main, main.Fichier1, kCsvExportMenuCaption, "ExporterCsv1", kCsvExportMenuHint, [m] {
        MainExportHost host(*m);
        ExporterCsv1Click(host);
    });
}
