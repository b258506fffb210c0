// What the two exports that write one file per ticked item share: the dialog
// (a folder tree, a check list, "Ok", "Annuler" and "Nouveau dossier"), the
// host through which the commands reach the main window, and the end of a
// command (the overwrite question, the progress window, the boxes of the
// failures and of the count of files made).
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "exchange/csv_exchange.h"
#include "exchange/exchange_files.h"

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;
class TDirBlock;
class TDirTree;

class TExportDialog : public QDialog {
    Q_OBJECT
public:
    TExportDialog(QWidget* parent, const char* caption, int width, int height, int panelWidth, const char* listLabel);

    QLabel* Label1;
    TDirTree* DirTree;
    QWidget* Panel1;
    QLabel* Label2;
    QPushButton* BOk;
    QPushButton* BAnnul;
    QPushButton* BNewFold;
    QListWidget* CheckListBox;

    // The check list, item by item.
    std::vector<ExportCheckItem> Items() const;
    void SetItems(const std::vector<ExportCheckItem>& items);

    // Places the tree and the panel (the layout of the form's first showing).
    void LayoutControls();
    // "Nouveau dossier": asks for a name and makes the folder in the tree's folder.
    void BNewFoldClick();

protected:
    // Refreshes the check list from its source (on every showing).
    virtual void FillList() = 0;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

// The main window as the exports see it.
class ExportHost {
public:
    virtual ~ExportHost() = default;
    // The active collection window's tree, null when none is active.
    virtual TDirBlock* ActiveRoot() = 0;
    // The ouvrages listed in the active collection window, in list order.
    virtual std::vector<CsvExportRow> ActiveRows() = 0;
    virtual QWidget* DialogParent() { return nullptr; }
    // Shows the dialog modally; true when it was closed by "Ok".
    virtual bool RunDialog(QDialog& dialog);
    virtual void ProgressStart(const std::string& label, int maximum);
    virtual void ProgressStep(int position);
    virtual void ProgressEnd();
};

// What one run of an export command did, for tests.
struct ExportRun {
    bool Shown = false;        // the dialog was shown
    bool Accepted = false;     // ... and closed by "Ok", and the files were to be written
    std::string Folder;        // the folder written to, ending with "/"
    std::vector<std::string> Files;  // files written
    std::vector<std::string> Failures;
};

inline constexpr const char* kExportOverwriteTitle = "Export oracle";
inline constexpr const char* kExportOverwriteText = "L'export va écraser le(s) fichier(s) suivant(s) :\n";
inline constexpr const char* kExportCountTitle = "Export Oracle";
inline constexpr const char* kExportCountSuffix = " fichier(s) créé(s)";
inline constexpr const char* kExportFailureTitle = "Erreur";
inline constexpr const char* kNewFolderCaption = "Créer un dossier";

// The end of an export once the dialog said "Ok": the folder (through
// EnsureDirectory with `folderCaption`, written to carotix.ini [section]
// "Répertoire"), the overwrite question, then each ticked item written by
// `write` (folder + item + suffix, item) under the progress window; each
// failure is caught and the next item goes on; at the end the last failure is
// shown in "Erreur", then the count of files made, then the remarks that
// `write` returned (when any) in an information box, followed by the remark
// of the export as a whole that `closing` gives once every item is written
// (when given and not empty).
void RunExportItems(ExportHost& host, ExportRun& run, TExportDialog& dialog, const std::string& section,
                    const std::string& folderCaption, const std::string& suffix, const std::string& progressLabel,
                    const std::function<std::string(const std::string& file, const std::string& item)>& write,
                    const std::function<std::string()>& closing = {});

// Selects carotix.ini [section] "Répertoire" in the dialog's tree; a folder
// that cannot be shown is ignored.
void SelectStoredFolder(TExportDialog& dialog, const std::string& section);
