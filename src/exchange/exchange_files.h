// Writing the files of the exports safely.
//
// Every export writes its whole file at once through WriteFileReplacing, the
// program's safe writer (see platform/base/safe_files.h): a failure (a full
// disk, a folder that refuses the file) leaves any old file whole and never a
// half-written one.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// A file of an export could not be written. what() is the French message.
class EExportFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `bytes` to `path` (UTF-8) through a temporary file and a rename.
// Raises EExportFileError "Impossible de créer le fichier '<path>'" (with the
// system's reason in French) on failure; the target is then unchanged.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

// The name of a path without its folder ("" for "").
std::string FileNameOf(const std::string& path);

#include <vector>

// One item of an export dialog's check list.
struct ExportCheckItem {
    std::string Text;
    bool Checked = false;
};

// Brings a check list in line with the names now offered: items still offered
// keep their ticks and their order, the others are removed, new names come at
// the end unticked. A name offered twice is listed once.
void UpdateExportCheckItems(std::vector<ExportCheckItem>& items, const std::vector<std::string>& names);

// The ticked items whose file (folder + item + suffix) exists, as
// "item+suffix" joined by ", " in list order; "" when none.
std::string ExistingExportFiles(const std::string& folder, const std::vector<ExportCheckItem>& items,
                                const std::string& suffix);

// A folder path ending with "/" (unless empty).
std::string WithTrailingSlash(std::string folder);

// Whether an item's text can name a file in the chosen folder: not empty, no
// folder separator, not "." or "..". Items that cannot are not offered, so
// that a name written in a settings or filter file never sends a file
// elsewhere.
bool IsPlainFileName(const std::string& name);

// For files whose readers take one record per line: each line break of the
// text (CR LF, a lone CR or a lone LF) becomes one space. True when there was
// one, so that the export can count the values so written.
bool LineBreaksAsSpaces(std::string& text);
