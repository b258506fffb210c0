#include "exchange/windows/dravel_vexto_commands.h"

#include <functional>

#include "exchange/dravel_import.h"
#include "exchange/vexto_import.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "store/options.h"

namespace {

const char* const kGeneral = "G\xC3\xA9n\xC3\xA9ral";

using FileImporter = std::function<void(const std::string& file, TDirBlock& root, DravelReport& report)>;

ForeignImportRun RunForeignImport(OracleImportHost& host, const char* topic, const char* filter, const char* ext,
                                  const char* folderKey, const FileImporter& importFile)
{
    ForeignImportRun run;
    FileDialogRequest request;
    request.filter = filter;
    request.defaultExt = ext;
    // The help box stays on the importer's topic until the files are read.
    const std::vector<std::string> files = AskImportFiles(host, topic, request, kGeneral, folderKey, true);
    if (files.empty()) return run;

    const std::string folder = OracleImportFolderOf(files.front());
    OracleImportWindow* window = nullptr;
    DravelReport report;
    {
        BusyCursor busy;
        try {
            if (IniCarotix) IniCarotix->WriteString(kGeneral, folderKey, folder);
            window = host.NewImportWindow(folder);
            run.Started = true;
            run.Files = files;
            for (const std::string& file : files) {
                importFile(file, window->ImportRoot(), report);
                ++run.FilesDone;
            }
        } catch (...) {
            run.Failure = CurrentExceptionMessage();
            if (run.Started)
                run.Failure = WithFilesNotImported(run.Failure, files, static_cast<std::size_t>(run.FilesDone));
        }
        // Whatever happened: the boreholes read so far are listed and the new
        // collection counts as saved.
        if (window) {
            std::string failure = ListImportedCollection(*window);
            if (run.Failure.empty()) run.Failure = failure;
        }
    }
    host.HelpFollowAgain();
    if (!run.Failure.empty()) ShowFailure(run.Failure);
    if (report.RenamedKeys) {
        std::string remarks = IntToStr(report.RenamedKeys) + " indice(s) contenant \\, enregistr\xC3\xA9(s) avec _";
        for (const std::string& merged : report.MergedKeys) remarks += "\n" + merged;
        ShowInformation(kForeignImportRemarksTitle, remarks);
    }
    return run;
}

}  // namespace

ForeignImportRun ImporterDravel1Click(OracleImportHost& host)
{
    return RunForeignImport(host, kDravelImportHelpTopic, kDravelImportDialogFilter, "ini", "R\xC3\xA9pertoireDravel",
                            [](const std::string& f, TDirBlock& root, DravelReport& r) { ImportDravel(f, root, r); });
}

ForeignImportRun ImporterVexto1Click(OracleImportHost& host)
{
    return RunForeignImport(host, kVextoImportHelpTopic, kVextoImportDialogFilter, "lst", "R\xC3\xA9pertoireVexto",
                            [](const std::string& f, TDirBlock& root, DravelReport& r) { ImportVexto(f, root, r); });
}
