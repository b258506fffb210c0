#include "app/structure_commands.h"

#include <QAction>
#include <QMenu>

#include "app/collection_window.h"
#include "app/main_window.h"
#include "app/multiply_window.h"
#include "app/structure_window.h"
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

namespace {

void TakeItem(TFMain& main, const char* caption, const char* objectName, void (*handler)(TFMain&))
{
    const QString text = QString::fromUtf8(caption);
    QAction* item = nullptr;
    for (QAction* a : main.Collection1->actions())
        if (!a->isSeparator() && a->text() == text) {
            item = a;
            break;
        }
    if (item) QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
    else item = main.Collection1->addAction(text);
    item->setObjectName(QString::fromUtf8(objectName));
    TFMain* m = &main;
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot([m, handler] { handler(*m); }));
}

}  // namespace

void InstallStructureCommands(TFMain& main)
{
    TakeItem(main, "Explorer la structure de la collection...", "ExplorerStructure1", &ExplorerStructure1Click);
    TakeItem(main, "Multiplier un champ...", "MultiplierChamp1", &MultiplierChamp1Click);
}
