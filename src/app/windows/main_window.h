// TFMain: the main window, an MDI frame holding the collection windows, with
// the menu bar, the fixed tool bar, the two tool bars of the [Tables]
// commands and the status bar. It tracks the active collection window itself
// (QMdiArea answers none while the separate log window is active, exactly when
// the log window asks for it) and runs the table-command dispatcher.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/table_commands.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenuBar;
class QMenu;
class QToolBar;
class TDirBlock;
class TFChild;

class TFMain : public QMainWindow, public TableCommandHost {
    Q_OBJECT
public:
    explicit TFMain(QWidget* parent = nullptr);  // FormCreate
    ~TFMain() override;                          // FormDestroy

    // ---- collections ----
    // The active collection window (the last one activated that is still
    // open), null when none is open.
    TFChild* ActiveChild() const;
    // Every open collection window, in the order of the MDI area.
    std::vector<TFChild*> Children() const;
    // "&Nouvelle collection": a new window captioned "Nouveau".
    TFChild* Nouveau1Click();
    // A window for a file, loaded. When the load fails the window is closed
    // without a question and the failure passes to the caller as an
    // ECollectionReadError that names the file.
    TFChild* OpenCollectionFile(const std::string& path);
    // The save-as dialog for a window; true when it was saved.
    bool SaveCollectionAs(TFChild* child);
    // "En&registrer" on the active window.
    void Enregistrer1Click();
    // "Ou&vrir...".
    void Ouvrir1Click();

    // ---- table commands ----
    void ExecuteTableCommand(const std::string& name, int row);
    // The tube the spreadsheet editor is to show ("" for all).
    const std::string& TableTubeName() const { return tableTubeName_; }
    // The "O&uvrage" menu's enabling (run when it opens).
    void Edition1Click();

    // The main window's clipboard tree of ouvrages.
    TDirBlock* ClipboardBlock() const { return clipboard_.get(); }
    bool TooltipsChecked() const;

    QMdiArea* MdiArea;
    QToolBar* ToolBarDefaut;
    QToolBar* ToolBarCustomIcons;
    QToolBar* ToolBarLabelsBtn;
    QMenu* Fichier1;
    QMenu* Ouvrirrecent1;
    QMenu* Collection1;
    QMenu* Operations1;
    QMenu* Edition1;
    QMenu* Affichage1;
    QMenu* Configuration1;
    QMenu* Aide1;
    QAction* Basededonne1 = nullptr;
    QAction* TelechargeBDD1 = nullptr;
    QAction* NouvelOuvrage1 = nullptr;
    QAction* Renommer1 = nullptr;
    QAction* Liste1 = nullptr;
    QAction* Icones1 = nullptr;
    QAction* Logs1 = nullptr;
    QAction* FiltrerVides1 = nullptr;
    QAction* Infobulle1 = nullptr;
    QAction* AfficherCoupe1 = nullptr;
    QAction* AfficherAide1 = nullptr;
    QAction* AfficherImage1 = nullptr;
    // The run-time items of [Tables], with their commands.
    std::vector<std::pair<QAction*, std::string>> TableItems;
    std::vector<QAction*> TableButtons;

    // TableCommandHost
    bool HasActiveCollection() override;
    void NewCollection() override;
    int SelectedRow() override;
    void NewBorehole() override;
    void EditSection(const std::string& section, bool fromDatabase) override;
    void EditTable(const std::string& table, bool dropIfEmpty, int rowToSelect, bool fromDatabase) override;
    void EditKeywords(const std::string& table, bool flag) override;
    void EditMultitubes(const std::string& table) override;
    bool HasOnlyDefaultTube() override;
    void SetTableTubeName(const std::string& tube) override;
    void ShowSelectedBorehole() override;
    void RedrawLog() override;

    // The fixed tool bar's buttons on as many rows as the window's width
    // needs (run at each resize; before one, with the width to come).
    void FitDefaultToolBar(int width = -1);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The menus on the menu bar while they fit the width, the others on a
    // second row below it (a narrow window would hide them behind the menu
    // bar's extension arrow).
    void FitMenuBar(int width);
    void BuildMenus();
    void BuildTableCommands();
    TFChild* AddChildWindow();
    void ChildClosed(TFChild* child);
    void SubWindowActivated(QMdiSubWindow* window);
    void Fichier1Click();
    void Ouvrage2Click();
    void AffichageClick();
    QAction* AddItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut = {});

    std::unique_ptr<TDirBlock> clipboard_;
    QPointer<TFChild> active_;
    std::string tableTubeName_;
    std::vector<QAction*> needActive_;
    // Rows standing in for the fixed tool bar when the window is too narrow
    // for it: buttons that trigger its own actions, groups kept whole.
    static constexpr int kDefaultRows = 4;
    QToolBar* defaultRows_[kDefaultRows] = {};
    std::vector<int> defaultStarts_;
    bool fittingBars_ = false;
    QToolBar* menuRow_ = nullptr;
    QMenuBar* menuRowBar_ = nullptr;
    std::vector<QAction*> menus_;
    bool menuFitPending_ = false;
};

extern TFMain* FMain;
