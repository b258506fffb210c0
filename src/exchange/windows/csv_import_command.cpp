#include "exchange/windows/csv_import_command.h"

#include "exchange/windows/csv_export_window.h"
#include "platform/ui_services.h"
#include "store/options.h"

namespace {
const char* const kRepertoire = "R\xC3\xA9pertoire";  // "Répertoire"
}

void ImportCsvIntoWindow(OracleImportWindow& window, const std::string& fileName, CsvReport& report)
{
    ImportCsvFile(fileName, window.ImportRoot(), report);
}

CsvImportRun ImporterCsv1Click(OracleImportHost& host)
{
    CsvImportRun run;
    if (!IniCsv || CsvTableNames(*IniCsv).empty()) {
        ShowBox(kCsvConfigurationTitle, kCsvConfigurationMessage);
        return run;
    }

    FileDialogRequest request;
    request.title = kCsvImportDialogTitle;
    request.filter = kCsvImportDialogFilter;
    const std::vector<std::string> files = AskImportFiles(host, kCsvImportHelpTopic, request, "CSV", kRepertoire);
    if (files.empty()) return run;

    const std::string folder = OracleImportFolderOf(files.front());
    if (IniCarotix) IniCarotix->WriteString("CSV", kRepertoire, folder);

    OracleImportWindow* window = host.NewImportWindow(folder);
    run.Started = true;
    run.Files = files;
    std::string remarks;
    {
        BusyCursor busy;
        host.ProgressStart(kCsvImportProgressLabel, static_cast<int>(files.size()));
        ImportedBoreholeNames names;
        CsvReport report;
        auto note = [&](const std::string& file) {
            if (report.HasRemarks()) remarks += (remarks.empty() ? "" : "\n\n") + report.Summary(file);
        };
        try {
            for (const std::string& file : files) {
                report = CsvReport();
                report.Names = &names;
                ImportCsvIntoWindow(*window, file, report);
                ++run.FilesDone;
                host.ProgressStep(run.FilesDone);
                note(file);
            }
        } catch (...) {
            run.Failure =
                WithFilesNotImported(CurrentExceptionMessage(), files, static_cast<std::size_t>(run.FilesDone));
            // The lines of the failing file before its failure stay in the
            // collection: so do their remarks (an index renamed, merged).
            note(files[static_cast<std::size_t>(run.FilesDone)]);
        }
        // Whatever happened: the boreholes read so far are listed and the new
        // collection counts as saved.
        host.ProgressEnd();
        if (std::string failure = ListImportedCollection(*window); !failure.empty() && run.Failure.empty())
            run.Failure = failure;
    }
    if (!run.Failure.empty()) ShowFailure(run.Failure);
    if (!remarks.empty()) ShowInformation(kCsvImportRemarksTitle, remarks);
    return run;
}
