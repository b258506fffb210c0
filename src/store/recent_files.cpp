#include "store/recent_files.h"

#include <algorithm>
#include <filesystem>

#include "platform/base/rtl_numbers.h"
#include "store/options.h"

namespace fs = std::filesystem;

namespace {

bool gLoaded = false;
std::vector<std::string> gRecent;
std::function<void()> gChanged;

void Notify()
{
    if (gChanged) gChanged();
}

// File names compare exactly: on this system two names that differ only in
// case are two different files, and both belong in the list.
std::vector<std::string>::iterator Find(std::string_view name)
{
    return std::find(gRecent.begin(), gRecent.end(), name);
}

}  // namespace

void RecentLoad()
{
    gRecent.clear();
    gLoaded = true;
    if (IniCarotix) {
        for (const std::string& line : IniCarotix->ReadSectionValues("Récent")) {
            std::string name = line.substr(line.find('=') + 1);
            if (Find(name) == gRecent.end()) gRecent.push_back(std::move(name));
        }
    }
    // Only existing files stay: a name that now leads to a folder (or to
    // nothing) could not be opened from the menu.
    for (std::size_t i = gRecent.size(); i-- > 0;) {
        std::error_code ec;
        if (gRecent[i].empty() || !fs::is_regular_file(fs::u8path(gRecent[i]), ec))
            gRecent.erase(gRecent.begin() + static_cast<std::ptrdiff_t>(i));
    }
    Notify();
}

void RecentAdd(std::string_view fileName)
{
    if (!gLoaded) return;
    if (auto it = Find(fileName); it != gRecent.end()) gRecent.erase(it);
    gRecent.insert(gRecent.begin(), std::string(fileName));
    while (gRecent.size() > kRecentFilesMax) gRecent.pop_back();
    Notify();
}

void RecentSave()
{
    if (!gLoaded || !IniCarotix) return;
    IniCarotix->EraseSection("Récent");
    for (std::size_t i = 0; i < gRecent.size(); ++i)
        IniCarotix->WriteString("Récent", "Fichier" + IntToStr(static_cast<std::int64_t>(i)), gRecent[i]);
}

const std::vector<std::string>& RecentFilesList() { return gRecent; }

void SetRecentFilesChanged(std::function<void()> callback) { gChanged = std::move(callback); }
