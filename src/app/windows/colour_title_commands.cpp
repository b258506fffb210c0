#include "app/windows/colour_title_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/collection_links.h"
#include "app/windows/main_window.h"
#include "drawing/windows/bandeau_window.h"
#include "drawing/windows/colours_window.h"
#include "drawing/windows/pattern_chooser_window.h"
#include "platform/ui_services.h"

namespace {

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

