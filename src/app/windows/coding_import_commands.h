// The main-window commands whose logic lives in the coding and exchange parts
// of the program: the two coding commands of "O&pérations" (Coder2,
// "Compléter les codes des ouvrages sélectionnés", and Coder1, "Recoder les
// ouvrages sélectionnés"), File > "Importer fichiers &Ora..." and
// Configuration > "Filtre d'import/export Ora...". TFMain installs them once
// its menus are built; the collection window's side is TFChild::CodeBoreholes.
#pragma once

#include <memory>
#include <string>

#include "exchange/windows/fixed_width_import_command.h"

class QAction;
class TFChild;
class TFMain;

// Gives the main window's items of these commands their handlers, hints and
// enabling (the coding items need a selected row). Items the menus lack are
// added.
void InstallCodingAndImportCommands(TFMain& main);

// TFMain.Coder1Click / Coder2Click: the pass on the active collection window;
// nothing without one.
void Coder1Click(TFMain& main);
void Coder2Click(TFMain& main);
// TFMain.ImporterOracle1Click: the import into a new collection window.
OracleImportRun ImporterOracle1Click(TFMain& main);

// The import's view of a collection window.
class ChildOracleImportWindow final : public OracleImportWindow {
public:
    explicit ChildOracleImportWindow(TFChild* child) : child_(child) {}
    TDirBlock& ImportRoot() override;
    void SetImportCaption(const std::string& caption) override;
    void RefreshList() override;
    void TakeSnapshot() override;
    TFChild* Child() const { return child_; }

private:
    TFChild* child_;
};

// The import's view of the main window: a new collection window as
// "&Nouvelle collection" makes it, captioned with the chosen folder.
class MainOracleImportHost final : public OracleImportHost {
public:
    explicit MainOracleImportHost(TFMain& main) : main_(main) {}
    OracleImportWindow* NewImportWindow(const std::string& caption) override;
    TFChild* Child() const { return window_ ? window_->Child() : nullptr; }

private:
    TFMain& main_;
    std::unique_ptr<ChildOracleImportWindow> window_;
};
