#include "app/windows/exchange_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/windows/coding_import_commands.h"
#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
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

