// TFExpCsv ("Exporter Csv"): the dialog of File > "Exporter &Csv...", which
// writes one CSV file per ticked table of csv.ini for the ouvrages listed in
// the active collection window, in the folder chosen in its tree. Made on
// first use and kept.
#pragma once

#include "exchange/windows/export_dialog.h"

class TFExpCsv : public TExportDialog {
    Q_OBJECT
public:
    explicit TFExpCsv(QWidget* parent = nullptr);
    ~TFExpCsv() override;

    // Refreshes the check list from the sections of csv.ini: items still
    // offered keep their ticks and order, new ones come unticked.
    void FillTables();

protected:
    void FillList() override { FillTables(); }
};

extern TFExpCsv* FExpCsv;

inline constexpr const char* kCsvExportMenuCaption = "Exporter &Csv...";
inline constexpr const char* kCsvExportMenuHint = "Exporter des fichiers CSV depuis la collection en cours";
inline constexpr const char* kCsvExportProgressLabel = "Exportation des fichiers Csv...";
inline constexpr const char* kCsvConfigurationTitle = "Configuration";
inline constexpr const char* kCsvConfigurationMessage =
    "Pour configurer l'import/export CSV, allez dans le menu Configuration, Structure des fichiers CSV";

// TFMain.ExporterCsv1Click.
ExportRun ExporterCsv1Click(ExportHost& host);
