#include "exchange/windows/fixed_width_import_command.h"

#include <filesystem>
#include <set>

#include "platform/windows/help_window.h"
#include "platform/windows/progress_window.h"
#include "exchange/exchange_files.h"
#include "exchange/filter_file.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "platform/base/rtl_numbers.h"
#include "store/options.h"

namespace fs = std::filesystem;

// ---- host defaults ---------------------------------------------------------

void OracleImportHost::ShowHelpTopic(const std::string& topic)
{
    ::ShowHelpTopic(topic);
}

void OracleImportHost::HelpFollowAgain()
{
    ::HelpFollowAgain();
}

void OracleImportHost::ProgressStart(const std::string& label, int maximum)
{
    if (FProgress) FProgress->Start("Progression...", label, 0, maximum);
}

void OracleImportHost::ProgressStep(int position)
{
    if (FProgress) FProgress->SetPosition(position);
}

void OracleImportHost::ProgressEnd()
{
    if (FProgress) FProgress->hide();
}

// ---- the command -----------------------------------------------------------

std::string OracleImportFolderOf(const std::string& path)
{
    std::string folder = fs::u8path(path).parent_path().string();
    // The root folder keeps its slash; every other folder is shown without one.
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::vector<std::string> AskImportFiles(OracleImportHost& host, const std::string& topic, FileDialogRequest request,
                                        const char* section, const char* key, bool keepHelp)
{
    host.ShowHelpTopic(topic);
    request.kind = FileDialogKind::OpenMulti;
    request.mustExist = true;
    request.folder = IniCarotix ? IniCarotix->ReadString(section, key, "") : std::string();
    std::vector<std::string> files;
    try {
        files = AskOpenFiles(request);
    } catch (...) {
        host.HelpFollowAgain();
        throw;
    }
    if (!keepHelp || files.empty()) host.HelpFollowAgain();
    return files;
}

std::string WithFilesNotImported(const std::string& failure, const std::vector<std::string>& files,
                                 std::size_t failed)
{
    if (failed + 1 >= files.size()) return failure;
    std::string names;
    for (std::size_t i = failed + 1; i < files.size(); ++i) names += (names.empty() ? "" : ", ") + FileNameOf(files[i]);
    return failure + "\n\nFichier(s) non importé(s) : " + names;
}

std::string ListImportedCollection(OracleImportWindow& window)
{
    std::string failure;
    try {
        window.RefreshList();
    } catch (...) {
        failure = CurrentExceptionMessage();
    }
    window.TakeSnapshot();
    return failure;
}

void ImportOracleIntoWindow(OracleImportWindow& window, const std::string& fileName, OracleImportReport& report)
{
    ImportOracleFile(fileName, &window.ImportRoot(), OracleFilterName, report);
    window.SetImportCaption(OracleImportFolderOf(fileName));
}

namespace {

// A remark that the end box lists: anything but the missing filters, which
// have their own boxes as soon as their file is read.
bool HasOtherRemarks(const OracleImportReport& r)
{
    return r.FilterEmpty || r.DroppedNoKey || r.DroppedNoValue || r.NotMerged || r.LostValues
        || r.UnreadableNumbers || r.RenamedKeys || r.MergedKeys || r.UndesignatedRows;
}

// The filters a file asked for and the filter file lacks, each in the box
// the program shows for a missing filter, once per name over the whole run.
void ShowMissingFilters(const OracleImportReport& report, std::set<std::string>& shown)
{
    if (report.FilterMissing && shown.insert(report.FilterName).second)
        ShowErrorBox(MissingFilterTitle, MissingFilterMessage(report.FilterName));
    for (const std::string& sub : report.MissingSubFilters)
        if (shown.insert("<-" + sub).second) ShowErrorBox(MissingFilterTitle, MissingFilterMessage(sub));
}

// The failure's message, with the place of a malformed record when known, so
// that the user finds the line to mend among several files.
std::string FailureText(const std::string& message, const std::string& file, std::int64_t line)
{
    if (line <= 0) return message;
    return message + "\n\nFichier : " + file + "\nLigne : " + IntToStr(line)
        + "\nCet enregistrement et les suivants n'ont pas été importés.";
}

} // namespace

OracleImportRun ImporterOracle1Click(OracleImportHost& host)
{
    OracleImportRun run;
    std::error_code ec;
    if (OracleFilterName.empty() || !fs::is_regular_file(fs::u8path(OracleFilterName), ec)) {
        ShowBox(kOracleImportNoFilterTitle, kOracleImportNoFilterMessage);
        return run;
    }

    FileDialogRequest request;
    request.title = kOracleImportDialogTitle;
    request.filter = kOracleImportDialogFilter;
    const std::vector<std::string> files = AskImportFiles(host, kOracleImportHelpTopic, request, "Oracle", "Répertoire");
    if (files.empty()) return run;

    const std::string folder = OracleImportFolderOf(files.front());
    if (IniCarotix) IniCarotix->WriteString("Oracle", "Répertoire", folder);

    OracleImportWindow* window = host.NewImportWindow(folder);
    run.Started = true;
    run.Files = files;

    std::set<std::string> missingShown;
    std::string failureText;
    {
        BusyCursor busy;
        host.ProgressStart(kOracleImportProgressLabel, static_cast<int>(files.size()));
        std::string current;
        ImportedBoreholeNames names;
        try {
            for (const std::string& file : files) {
                current = file;
                run.Reports.emplace_back();
                run.Reports.back().Names = &names;
                ImportOracleIntoWindow(*window, file, run.Reports.back());
                ++run.FilesDone;
                host.ProgressStep(run.FilesDone);
                ShowMissingFilters(run.Reports.back(), missingShown);
            }
        } catch (const EOracleImportError& e) {
            run.Failure = e.what();
            failureText = FailureText(e.what(), current, e.Line());
        } catch (...) {
            run.Failure = CurrentExceptionMessage();
            failureText = run.Failure;
        }
        if (!failureText.empty())
            failureText = WithFilesNotImported(failureText, files, static_cast<std::size_t>(run.FilesDone));
        // Whatever happened: the boreholes read so far are listed and the new
        // collection counts as saved.
        host.ProgressEnd();
        for (OracleImportReport& report : run.Reports) report.Names = nullptr;  // the names end here
        if (std::string failure = ListImportedCollection(*window); !failure.empty() && failureText.empty())
            failureText = run.Failure = failure;
    }

    if (!failureText.empty()) {
        if (!run.Reports.empty()) ShowMissingFilters(run.Reports.back(), missingShown);
        ShowFailure(failureText);
    }
    std::string remarks;
    for (const OracleImportReport& report : run.Reports)
        if (HasOtherRemarks(report)) remarks += (remarks.empty() ? "" : "\n") + report.Summary();
    if (!remarks.empty()) ShowInformation(kOracleImportRemarksTitle, remarks);
    return run;
}
