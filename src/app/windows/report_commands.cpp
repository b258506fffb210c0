#include "app/windows/report_commands.h"

#include <QAction>
#include <QToolBar>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "drawing/windows/report_window.h"
#include "platform/ui_services.h"

namespace {
const char* const kRapportTitle = "Rapport";
}  // namespace

void OpenReportPreview(TFChild& child)
{
    const int row = child.SelectedRow();
    if (row < 0 || row >= static_cast<int>(child.Rows().size())) {
        ShowBox(kRapportTitle, "Pas de forage s\xC3\xA9lectionn\xC3\xA9.");
        return;
    }
    const CollectionRow& r = child.Rows()[static_cast<std::size_t>(row)];
    if (!FRapport) new TFRapport(&child);  // the start-up makes it; tests may not
    FRapport->RapportShow(child.FRoot(), r.Indice, r.Design);
}

void ReportButtonClick(TFMain& main)
{
    TFChild* child = main.ActiveChild();
    if (!child) {
        ShowBox(kRapportTitle, "Aucune collection ouverte");
        return;
    }
    OpenReportPreview(*child);
}

