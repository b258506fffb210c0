#include "app/colour_title_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/collection_links.h"
#include "app/main_window.h"
#include "drawing/windows/bandeau_window.h"
#include "drawing/windows/colours_window.h"
#include "drawing/windows/pattern_chooser_window.h"
#include "platform/ui_services.h"

namespace {

// The menu's item of that caption, or a new one at its end; whatever it was
// connected to is replaced by `handler`.
QAction* TakeItem(TFMain& main, QMenu* menu, const char* caption, const char* objectName, const char* hint,
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
    return item;
}

void RedrawLog()
{
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
}

}  // namespace

bool ChoixCouleurs1Click(TFMain& main)
{
    if (!FCouleurs) new TFCouleurs(&main);  // the start-up makes it; tests may not
    if (FCouleurs->exec() != QDialog::Accepted) return false;
    RedrawLog();
    return true;
}

void EditionBandeau1Click(TFMain& main)
{
    if (!FBandeau) new TFBandeau(&main);
    FBandeau->exec();
    RedrawLog();
}

void ImprimerListeMotifs1Click(TFMain&) { TFMotifs::PrintMotifList(); }

void InstallColourAndTitleCommands(TFMain& main)
{
    TFMain* m = &main;
    TakeItem(main, main.Configuration1, kChoixCouleursCaption, "Choixdescouleurs1", nullptr,
             [m] { ChoixCouleurs1Click(*m); });
    TakeItem(main, main.Configuration1, kEditionBandeauCaption, "Editiondubandeau1", kEditionBandeauHint,
             [m] { EditionBandeau1Click(*m); });
    TakeItem(main, main.Operations1, kListeMotifsCaption, "Imprimerlalistedesmotifs1", nullptr,
             [m] { ImprimerListeMotifs1Click(*m); });
}
