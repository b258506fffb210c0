#include "exchange/exchange_files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "platform/base/rtl_numbers.h"
#include "platform/base/safe_files.h"
#include "platform/base/text_codec.h"

namespace fs = std::filesystem;

void WriteFileReplacing(const std::string& path, std::string_view bytes)
{
    try {
        WriteFileSafely(Utf8ToPath(path), bytes);
    } catch (const EFileError& e) {
        std::string quoted;
        for (char c : path) {
            quoted += c;
            if (c == '\'') quoted += '\'';
        }
        throw EExportFileError("Impossible de cr\xC3\xA9" "er le fichier '" + quoted + "'\n" + SystemErrorText(e.Error()));
    }
}

std::string FileNameOf(const std::string& path)
{
    const std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void UpdateExportCheckItems(std::vector<ExportCheckItem>& items, const std::vector<std::string>& names)
{
    std::vector<bool> seen(items.size(), false);
    for (const std::string& name : names) {
        bool found = false;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].Text == name) {
                seen[i] = true;
                found = true;
                break;
            }
        if (!found) {
            items.push_back({name, false});
            seen.push_back(true);
        }
    }
    for (std::size_t i = items.size(); i-- > 0;)
        if (!seen[i]) items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
}

std::string ExistingExportFiles(const std::string& folder, const std::vector<ExportCheckItem>& items,
                                const std::string& suffix)
{
    std::string list;
    std::error_code ec;
    for (const ExportCheckItem& item : items) {
        if (!item.Checked) continue;
        if (!fs::exists(Utf8ToPath(folder + item.Text + suffix), ec)) continue;
        if (!list.empty()) list += ", ";
        list += item.Text + suffix;
    }
    return list;
}

std::string WithTrailingSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

bool LineBreaksAsSpaces(std::string& text)
{
    if (text.find_first_of("\r\n") == std::string::npos) return false;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += c == '\r' || c == '\n' ? ' ' : c;
    }
    text = std::move(out);
    return true;
}
