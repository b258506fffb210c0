#include "exchange/windows/save_oracle_window.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "platform/windows/dir_tree.h"
#include "exchange/filter_file.h"
#include "exchange/fixed_width_export.h"
#include "exchange/windows/fixed_width_import_command.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/options.h"

TFSaveOracle* FSaveOracle = nullptr;

TFSaveOracle::TFSaveOracle(QWidget* parent)
    : TExportDialog(parent, "Enregistrer fichiers Oracle", 476, 392, 145, "Créer les fichiers suivants :")
{
    setObjectName(QStringLiteral("FSaveOracle"));
    DirTree->SetDirTypes(dtNormal | dtAll);
    DirTree->SetDriveTypes(drtFixed | drtRemovable | drtRemote | drtCDRom | drtRamDisk);
    DirTree->SetAcceptDropFiles(false);
}

// The dialog goes with its parent window; the next export makes a new one.
TFSaveOracle::~TFSaveOracle()
{
    if (FSaveOracle == this) FSaveOracle = nullptr;
}

void TFSaveOracle::UpdateFilterList()
{
    std::vector<std::string> headers;
    if (!OracleFilterName.empty()) LoadFilterNames(OracleFilterName, headers);
    headers_ = headers;
    std::vector<ExportCheckItem> items = Items();
    UpdateExportCheckItems(items, OracleExportItems(headers));
    SetItems(items);
}

ExportRun ExporterOracle1Click(ExportHost& host)
{
    ExportRun run;
    std::error_code ec;
    if (OracleFilterName.empty() || !std::filesystem::is_regular_file(Utf8ToPath(OracleFilterName), ec)) {
        ShowBox(kOracleImportNoFilterTitle, kOracleImportNoFilterMessage);
        return run;
    }
    TDirBlock* root = host.ActiveRoot();
    if (!root) return run;

    if (!FSaveOracle) FSaveOracle = new TFSaveOracle(host.DialogParent());
    FSaveOracle->UpdateFilterList();
    std::vector<ExportCheckItem> items = FSaveOracle->Items();
    CheckOracleTables(items, FSaveOracle->Headers(), *root);
    FSaveOracle->SetItems(items);

    SelectStoredFolder(*FSaveOracle, "Oracle");
    run.Shown = true;
    if (!host.RunDialog(*FSaveOracle)) return run;

    const std::string filterFile = OracleFilterName;
    // What the files written carry, together: data that none of them holds
    // is named once for the whole export, not once per file.
    std::set<std::string> carried;
    bool wrote = false;
    RunExportItems(
        host, run, *FSaveOracle, "Oracle", "Export Oracle", "", kOracleExportProgressLabel,
        [&](const std::string& file, const std::string&) {
            OracleExportReport report;
            ExportOracleFile(file, *root, filterFile, report);
            carried.insert(report.Carried.begin(), report.Carried.end());
            wrote = true;
            return report.Summary();
        },
        [&] { return wrote ? UncarriedSummary(*root, carried) : std::string(); });
    return run;
}
