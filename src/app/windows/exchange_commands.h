// The main-window commands of the exchanges that write or read one file per
// item: File > "Exporter fichiers &Ora...", "Importer &Csv..." and
// "Exporter &Csv...". TFMain installs them once its menus are built.
#pragma once

#include <memory>
#include <vector>

#include "exchange/windows/export_dialog.h"

class TFMain;


// The exports' view of the main window: the active collection window's tree
// and listed ouvrages.
class MainExportHost final : public ExportHost {
public:
    explicit MainExportHost(TFMain& main) : main_(main) {}
    TDirBlock* ActiveRoot() override;
    std::vector<CsvExportRow> ActiveRows() override;
    QWidget* DialogParent() override;

private:
    TFMain& main_;
};
