#include "app/windows/structure_commands.h"

#include <QAction>
#include <QMenu>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/multiply_window.h"
#include "app/windows/structure_window.h"
#include "platform/ui_services.h"

void ExplorerStructure1Click(TFMain& main)
{
    TFChild* c = main.ActiveChild();
    if (!c) return;
    if (!FStructure) FStructure = new TFStructure(&main);
    StructureShow(*FStructure, c->FRoot());
    FStructure->exec();
    c->RefreshList();
}

void MultiplierChamp1Click(TFMain& main)
{
    TFChild* c = main.ActiveChild();
    if (!c) return;
    if (!FMultiply) FMultiply = new TFMultiply(&main);
    FMultiply->Root = &c->FRoot();
    FMultiply->exec();
    FMultiply->Root = nullptr;
}


