#include "app/windows/search_commands.h"

#include <QAction>
#include <QMenu>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "coding/windows/level_search_window.h"
#include "platform/ui_services.h"

void RechNiv1Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) ShowLevelSearch(c, &main);
}

void InstallSearchCommands(TFMain& main)
{
    TFMain* m = &main;
    QAction* item = main.findChild<QAction*>(QStringLiteral("RechNiv1"));
    // Enabled when the active window has at least one row, as the other
    // commands on the whole collection.
    QObject::connect(main.Operations1, &QMenu::aboutToShow, &main, GuardedSlot([m, item] {
                         TFChild* c = m->ActiveChild();
                         item->setEnabled(c && !c->Rows().empty());
                     }));
}
