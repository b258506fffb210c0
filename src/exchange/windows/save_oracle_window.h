// TFSaveOracle ("Enregistrer fichiers Oracle"): the dialog of File >
// "Exporter fichiers &Ora...", which writes the active collection to one
// fixed-width data file per ticked main filter of the current filter file, in
// the folder chosen in its tree. Made on first use and kept, so that its
// folder and its list survive between exports.
#pragma once

#include <string>
#include <vector>

#include "exchange/windows/export_dialog.h"

class TFSaveOracle : public TExportDialog {
    Q_OBJECT
public:
    explicit TFSaveOracle(QWidget* parent = nullptr);
    ~TFSaveOracle() override;

    // Refreshes the check list from the main filters of OracleFilterName:
    // items still offered keep their ticks and order, new ones come unticked.
    void UpdateFilterList();
    // The main filter headers last read.
    const std::vector<std::string>& Headers() const { return headers_; }

protected:
    void FillList() override { UpdateFilterList(); }

private:
    std::vector<std::string> headers_;
};

extern TFSaveOracle* FSaveOracle;

inline constexpr const char* kOracleExportMenuCaption = "Exporter fichiers &Ora...";
inline constexpr const char* kOracleExportMenuHint = "Exporter des fichiers Oracle depuis la collection en cours";
inline constexpr const char* kOracleExportProgressLabel = "Création des fichiers Ora...";

// TFMain.ExporterOracle1Click: without a filter file the box "Filtres" says
// how to choose one; without an active collection nothing happens.
ExportRun ExporterOracle1Click(ExportHost& host);
