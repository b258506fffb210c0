#include "app/windows/more_exchange_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/windows/coding_import_commands.h"
#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "platform/windows/info_window.h"
#include "app/windows/main_window.h"
#include "exchange/windows/dravel_vexto_commands.h"
#include "platform/ui_services.h"
#include "store/options.h"

TDirBlock* MainLevelsKmlHost::ActiveRoot()
{
    TFChild* child = main_.ActiveChild();
    return child ? &child->FRoot() : nullptr;
}

std::vector<KmlRow> MainLevelsKmlHost::ActiveRows()
{
    std::vector<KmlRow> rows;
    if (TFChild* child = main_.ActiveChild())
        for (const CollectionRow& r : child->Rows()) rows.push_back({r.Indice, r.Design});
    return rows;
}

std::string MainLevelsKmlHost::ActiveFileName()
{
    TFChild* child = main_.ActiveChild();
    return child ? child->FFileName() : std::string();
}

std::string MainLevelsKmlHost::TooltipOf(const KmlRow& row)
{
    TFChild* child = main_.ActiveChild();
    return child ? TooltipText(InfobullePath, child->FRoot(), row.Indice, row.Design) : std::string();
}

void MainLevelsKmlHost::RedrawLog()
{
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
}

