#include "exchange/windows/levels_kml_commands.h"

#include "exchange/exchange_files.h"
#include "exchange/levels_export.h"
#include "exchange/windows/fixed_width_import_command.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "store/options.h"

namespace {
const char* const kRepertoire = "R\xC3\xA9pertoire";  // "Répertoire"
}

bool ExpNiv1Click(LevelsKmlHost& host)
{
    const TDirBlock* root = host.ActiveRoot();
    if (!root) return false;
    FileDialogRequest request;
    request.title = kLevelsExportDialogTitle;
    request.filter = kLevelsExportDialogFilter;
    request.defaultExt = "csv";
    request.overwritePrompt = true;
    request.folder = IniCarotix ? IniCarotix->ReadString("CSV", kRepertoire, "") : std::string();
    std::string file;
    if (!AskSaveFile(request, file)) return false;
    if (IniCarotix) IniCarotix->WriteString("CSV", kRepertoire, OracleImportFolderOf(file));
    const LevelsExportReport report = ExportLevels(*root, file);
    if (report.HasRemarks()) ShowWarning("Export", report.Summary());
    return true;
}

void DeSelNiv1Click(LevelsKmlHost& host)
{
    TDirBlock* root = host.ActiveRoot();
    if (!root) return;
    ClearLevelSelection(*root);
    host.RedrawLog();
}

bool ExporterversGoogleEarth1Click(LevelsKmlHost& host)
{
    const TDirBlock* root = host.ActiveRoot();
    if (!root) return false;
    const std::string fileName = host.ActiveFileName();
    const std::string folderName = fileName.empty() ? std::string("Carotix") : FileNameOf(fileName);
    const std::string text =
        BuildKml(*root, host.ActiveRows(), folderName, [&host](const KmlRow& row) { return host.TooltipOf(row); });
    if (text.empty()) {
        ShowInformation(kApplicationTitle, kKmlNoPointMessage);
        return false;
    }
    FileDialogRequest request;
    request.filter = kKmlExportDialogFilter;
    request.defaultExt = "kml";
    request.overwritePrompt = true;
    std::string file;
    if (!AskSaveFile(request, file)) return false;
    WriteFileReplacing(file, text);
    ShowInformation(kApplicationTitle, kKmlDoneMessage);
    return true;
}
