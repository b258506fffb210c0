// The recent-files list: the collection files opened or saved last, most
// recent first, kept in carotix.ini [Récent] as Fichier0, Fichier1, ...
//
// Loaded once after OptionsInitialize (RecentLoad), changed by the collection
// window after each successful load and save (RecentAdd), shown by the main
// window's menu (RecentFilesList + SetRecentFilesChanged), written back at exit
// before OptionsFinalize (RecentSave).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kRecentFilesMax = 10;

// Reads every key of [Récent] in file order (whatever its name), drops repeated
// names and files that no longer exist. Needs IniCarotix.
void RecentLoad();
// Puts the name first (moving it when present) and keeps at most ten names.
// Does nothing before RecentLoad.
void RecentAdd(std::string_view fileName);
// Erases [Récent] and writes the list as Fichier0, Fichier1, ...
void RecentSave();

// The list, most recent first (empty before RecentLoad).
const std::vector<std::string>& RecentFilesList();
// Called after every change of the list (load and add), e.g. to rebuild a menu.
void SetRecentFilesChanged(std::function<void()> callback);
