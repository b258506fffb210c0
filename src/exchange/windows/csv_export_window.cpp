#include "exchange/windows/csv_export_window.h"

#include <set>

#include "platform/windows/dir_tree.h"
#include "exchange/csv_exchange.h"
#include "exchange/fixed_width_export.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/options.h"

TFExpCsv* FExpCsv = nullptr;

TFExpCsv::TFExpCsv(QWidget* parent) : TExportDialog(parent, "Exporter Csv", 578, 407, 177, "Tables à exporter")
{
    setObjectName(QStringLiteral("FExpCsv"));
    DirTree->SetDirTypes(dtNormal | dtAll);
}

// The dialog goes with its parent window; the next export makes a new one.
TFExpCsv::~TFExpCsv()
{
    if (FExpCsv == this) FExpCsv = nullptr;
}

void TFExpCsv::FillTables()
{
    std::vector<ExportCheckItem> items = Items();
    UpdateExportCheckItems(items, IniCsv ? CsvTableNames(*IniCsv) : std::vector<std::string>());
    SetItems(items);
}

ExportRun ExporterCsv1Click(ExportHost& host)
{
    ExportRun run;
    TDirBlock* root = host.ActiveRoot();
    if (!root) return run;
    if (!FExpCsv) FExpCsv = new TFExpCsv(host.DialogParent());
    FExpCsv->FillTables();
    std::vector<ExportCheckItem> items = FExpCsv->Items();
    if (items.empty()) {
        ShowBox(kCsvConfigurationTitle, kCsvConfigurationMessage);
        return run;
    }
    const std::vector<CsvExportRow> rows = host.ActiveRows();
    for (ExportCheckItem& item : items)
        if (CsvTableHasRows(*IniCsv, item.Text, *root, rows)) item.Checked = true;
    FExpCsv->SetItems(items);

    SelectStoredFolder(*FExpCsv, "CSV");
    run.Shown = true;
    if (!host.RunDialog(*FExpCsv)) return run;

    // What the files written carry, together: data that none of them holds
    // is named once for the whole export, as the fixed-width export does.
    std::set<std::string> carried;
    bool wrote = false;
    RunExportItems(
        host, run, *FExpCsv, "CSV", "Export CSV", ".csv", kCsvExportProgressLabel,
        [&](const std::string& file, const std::string& item) {
            CsvReport report;
            ExportCsvFile(file, item, *root, rows, report);
            carried.insert(report.Carried.begin(), report.Carried.end());
            wrote = true;
            return report.Summary(FileNameOf(file));
        },
        [&] { return wrote ? UncarriedSummary(*root, carried, "de csv.ini") : std::string(); });
    return run;
}
