// The main window's database commands: Configuration > "Base de données..."
// (the database window, shown modally) and O&uvrage > "Télécharger de la base
// de données" (the download of the selected ouvrage into the active
// collection). Both show only when [Général] "MenuBDD" is set.
#pragma once

#include <string>

#include "exchange/database_download.h"

class TFChild;
class TFMain;

// Takes over the two menu items (added when the menus lack them) and gives the
// editors' database buttons the connection of the database window.
void InstallDatabaseCommands(TFMain& main);

// TFMain.Basededonne1Click.
void Basededonne1Click(TFMain& main);
// TFMain.TelechargeBDD1Click: nothing without an active collection or a
// selected ouvrage; stops when the connection does not open.
void TelechargeBDD1Click(TFMain& main);

// The collection window as the download sees it. The sheets and tables go
// through the record-sheet and spreadsheet editors in their from-database mode
// (TFChild::EditSection, TFChild::EditTable) on the ouvrage made the selected
// one; without an editor window the download fills the tree itself with the
// same rules (DownloadHost's defaults).
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
    void SheetFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                           const std::string& table) override;
    void TableFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                           const std::string& table) override;
    // Whether the editors or the download's own rules filled the last table.
    bool UsedEditors = false;

private:
    TFMain& main_;
    TFChild& child_;
};
