#include "app/more_exchange_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/coding_import_commands.h"
#include "app/collection_links.h"
#include "app/collection_window.h"
#include "app/info_window.h"
#include "app/main_window.h"
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
    if (hint) item->setStatusTip(QString::fromUtf8(hint));
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot(std::move(handler)));
}

}  // namespace

void InstallDravelVextoLevelsKmlCommands(TFMain& main)
{
    TFMain* m = &main;
    TakeOver(main, main.Fichier1, kDravelImportMenuCaption, "ImporterDravel1", kDravelImportMenuHint, [m] {
        MainOracleImportHost host(*m);
        ImporterDravel1Click(host);
    });
    TakeOver(main, main.Fichier1, kVextoImportMenuCaption, "ImporterVexto1", kVextoImportMenuHint, [m] {
        MainOracleImportHost host(*m);
        ImporterVexto1Click(host);
    });
    TakeOver(main, main.Fichier1, kKmlExportMenuCaption, "ExporterversGoogleEarth1", nullptr, [m] {
        MainLevelsKmlHost host(*m);
        ExporterversGoogleEarth1Click(host);
    });
    TakeOver(main, main.Operations1, kClearLevelsMenuCaption, "DeSelNiv1", nullptr, [m] {
        MainLevelsKmlHost host(*m);
        DeSelNiv1Click(host);
    });
    TakeOver(main, main.Operations1, kLevelsExportMenuCaption, "ExpNiv1", nullptr, [m] {
        MainLevelsKmlHost host(*m);
        ExpNiv1Click(host);
    });
}
