#include "app/windows/coding_rules_commands.h"

#include <QAction>
#include <QMenu>

#include "app/windows/main_window.h"
#include "coding/windows/coding_rules_window.h"
#include "platform/ui_services.h"

void Configurationducodage1Click()
{
    if (FCodage) FCodage->exec();
}

