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
#include "platform/base/text_codec.h"

namespace fs = std::filesystem;

namespace {

std::string Reason(int err)
{
    return std::system_category().message(err);
}

[[noreturn]] void Fail(const std::string& path, int err)
{
    std::string quoted;
    for (char c : path) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    throw EExportFileError("Impossible de créer le fichier '" + quoted + "'\n" + Reason(err));
}

} // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes)
{
    static std::atomic<unsigned> counter{0};
    const fs::path target = Utf8ToPath(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string tempName = "." + PathToUtf8(target.filename()) + ".tmp" + IntToStr(::getpid()) + "_"
        + IntToStr(counter.fetch_add(1));
    const fs::path temp = folder / Utf8ToPath(tempName);

    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) Fail(path, errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            Fail(path, err);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        Fail(path, err);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        Fail(path, err);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        Fail(path, err);
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
