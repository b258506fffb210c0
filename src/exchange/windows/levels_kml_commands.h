// O&pérations > "Exporter les niveaux lithologiques sélectionnés" and
// "Déselectionner tous les niveaux", and File > "Exporter vers Google
// Earth...": they act on the active collection window, reached through the
// small interface below so that they run headless in tests.
#pragma once

#include <string>
#include <vector>

#include "exchange/kml_export.h"

class TDirBlock;

// What the commands need of the main window.
class LevelsKmlHost {
public:
    virtual ~LevelsKmlHost() = default;
    // The active collection window's tree; null without one.
    virtual TDirBlock* ActiveRoot() = 0;
    // Its listed ouvrages in list order, hidden ones included.
    virtual std::vector<KmlRow> ActiveRows() = 0;
    // Its file name ("" for a collection never saved).
    virtual std::string ActiveFileName() = 0;
    // The tooltip of one of its ouvrages.
    virtual std::string TooltipOf(const KmlRow& row) = 0;
    // Redraws the log window.
    virtual void RedrawLog() = 0;
};

inline constexpr const char* kLevelsExportMenuCaption = "Exporter les niveaux lithologiques s\xC3\xA9lectionn\xC3\xA9s";
inline constexpr const char* kLevelsExportDialogTitle = "Exporter les niveaux vers...";
inline constexpr const char* kLevelsExportDialogFilter = "Fichier CSV (*.csv)|*.csv";
inline constexpr const char* kClearLevelsMenuCaption = "D\xC3\xA9selectionner tous les niveaux";
inline constexpr const char* kKmlExportMenuCaption = "Exporter vers Google Earth...";
inline constexpr const char* kKmlExportDialogFilter = "Fichier KML (*.kml)|*.kml";
inline constexpr const char* kKmlNoPointMessage = "Pas de point au format latitude/longitude \xC3\xA0 exporter";
inline constexpr const char* kKmlDoneMessage = "Points export\xC3\xA9s avec succ\xC3\xA8s";

// TFMain.ExpNiv1Click: true when a file was written.
bool ExpNiv1Click(LevelsKmlHost& host);
// TFMain.DeSelNiv1Click.
void DeSelNiv1Click(LevelsKmlHost& host);
// TFMain.ExporterversGoogleEarth1Click: true when a file was written.
bool ExporterversGoogleEarth1Click(LevelsKmlHost& host);
