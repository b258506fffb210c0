// The main window's database commands: Configuration > "Base de données..."
// (the database window, shown modally) and O&uvrage > "Télécharger de la base
// de données" (the download of the selected ouvrage into the active
// collection). Both show only when [Général] "MenuBDD" is set.
#pragma once

#include <string>

#include "exchange/database_download.h"

class TFChild;
class TFMain;

// Takes over the two menu items (added when the menus lack them).
void InstallDatabaseCommands(TFMain& main);

// TFMain.Basededonne1Click.
void Basededonne1Click(TFMain& main);
// TFMain.TelechargeBDD1Click: nothing without an active collection or a
// selected ouvrage; stops when the connection does not open.
void TelechargeBDD1Click(TFMain& main);

// The collection window as the download sees it. The sheets and tables are
// filled by the download's own editors' rules (DownloadHost's defaults).
class ChildDownloadHost final : public DownloadHost {
public:
    ChildDownloadHost(TFMain& main, TFChild& child) : main_(main), child_(child) {}
    TDirBlock& Root() override;
    bool HasOuvrage(const std::string& indice, const std::string& design) override;
    void RefreshList() override;
    void FillView(const std::string& indice, const std::string& design) override;
    void RedrawLog() override;
    MsgResult ChooseDesignation(const std::string& current, const std::vector<std::string>& lines,
                                int& chosen) override;

private:
    TFMain& main_;
    TFChild& child_;
};
