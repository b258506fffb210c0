// The main window's report preview: the "Afficher le rapport" button of the
// fixed tool bar, which opens the preview on the active collection's selected
// ouvrage.
#pragma once

class TFChild;
class TFMain;

inline constexpr const char* kReportButtonCaption = "Afficher le rapport";


// The button: with an active collection window ShowReport, else the box
// "Aucune collection ouverte" titled "Rapport".
void ReportButtonClick(TFMain& main);

// The collection window's ShowReport: the preview on its selected ouvrage;
// without one, the box "Pas de forage sélectionné." titled "Rapport".
void OpenReportPreview(TFChild& child);
