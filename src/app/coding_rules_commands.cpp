#include "app/coding_rules_commands.h"

#include <QAction>
#include <QMenu>

#include "app/main_window.h"
#include "coding/windows/coding_rules_window.h"
#include "platform/ui_services.h"

void Configurationducodage1Click()
{
    if (FCodage) FCodage->exec();
}

void InstallCodingRulesCommands(TFMain& main)
{
    const QString caption = QStringLiteral("Configuration du codage...");
    QAction* item = nullptr;
    for (QAction* a : main.Configuration1->actions())
        if (!a->isSeparator() && a->text() == caption) item = a;
    if (item)
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
    else
        item = main.Configuration1->addAction(caption);
    item->setObjectName(QStringLiteral("Configurationducodage1"));
    item->setStatusTip(QStringLiteral("Edition des descriptions pour le codage"));
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot([] { Configurationducodage1Click(); }));
}
