#include "app/search_commands.h"

#include <QAction>
#include <QMenu>

#include "app/collection_window.h"
#include "app/main_window.h"
#include "coding/windows/level_search_window.h"
#include "platform/ui_services.h"

void RechNiv1Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) ShowLevelSearch(c, &main);
}

void InstallSearchCommands(TFMain& main)
{
    const QString caption = QString::fromUtf8(kRechNivMenuCaption);
    QAction* item = nullptr;
    for (QAction* a : main.Operations1->actions())
        if (!a->isSeparator() && a->text() == caption) {
            item = a;
            break;
        }
    if (item)
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
    else
        item = main.Operations1->addAction(caption);
    item->setObjectName(QStringLiteral("RechNiv1"));
    TFMain* m = &main;
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot([m] { RechNiv1Click(*m); }));
    // Enabled when the active window has at least one row, as the other
    // commands on the whole collection.
    QObject::connect(main.Operations1, &QMenu::aboutToShow, &main, GuardedSlot([m, item] {
                         TFChild* c = m->ActiveChild();
                         item->setEnabled(c && !c->Rows().empty());
                     }));
}
