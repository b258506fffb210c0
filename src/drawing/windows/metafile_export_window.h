// TFExpMeta: the metafile export window ("Export métafichiers"), made at its
// first use and kept. The folder is chosen in a folder tree; the file names
// come from a template; the format is normal (.wmf) or enhanced (.emf); the
// slicing depths are those of printing, carotix.ini [Impression], written as
// soon as an edit is left. "Ok" writes one file per page of each selected
// ouvrage (metafile_export.h).
#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

#include "drawing/metafile_export.h"
#include "platform/windows/collection_view.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class TDirTree;

inline constexpr const char* kExpMetaCaption = "Export m\xC3\xA9tafichiers";
inline constexpr const char* kExpMetaFolderCaption = "Export m\xC3\xA9tafichier";
inline constexpr const char* kExpMetaProgressLabel = "Cr\xC3\xA9" "ation des m\xC3\xA9tafichiers...";
inline constexpr const char* kNewFolderTitle = "Cr\xC3\xA9" "er un dossier";

class TFExpMeta : public QDialog {
    Q_OBJECT
public:
    explicit TFExpMeta(QWidget* parent = nullptr);
    ~TFExpMeta() override;

    // The collection whose selected ouvrages are exported (the active one).
    void SetCollection(CollectionView* child) { collection_ = child; }

    // FormShow: the count of selected ouvrages, the depths, the layout; the
    // chosen folder becomes "?".
    void FormShow();
    void EditPMaxExit();
    void EditPTrancheExit();
    void EditTTrancheExit();
    // "Nouveau dossier": a sub-folder of the selected folder.
    void BNewFoldClick();
    // "Ok": the export; the window closes with result 1 when it ran.
    void BOkClick();

    // The folder the export wrote into ("?" until it ran), ending with "/".
    const std::string& ChosenFolder() const { return chosenFolder_; }
    // What the last export did.
    const MetafileExportResult& LastResult() const { return result_; }

    TDirTree* DirTree;
    QWidget* Panel;
    QLineEdit* EditNb;
    QPlainTextEdit* MemoName;
    QGroupBox* GroupFormat;
    QRadioButton* RadioWMF;
    QRadioButton* RadioEMF;
    QGroupBox* GroupOptions;
    QLineEdit* EditPMax;
    QLineEdit* EditTTranche;
    QLineEdit* EditPTranche;
    QPushButton* BOk;
    QPushButton* BAnnul;
    QPushButton* BNewFold;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutControls();
    void ExitEdit(QLineEdit* edit, const char* key);

    CollectionViewPointer collection_;
    std::string chosenFolder_ = "?";
    MetafileExportResult result_;
};

extern TFExpMeta* FExpMeta;

// TFMain.ExporterWMF1Click: makes the window at the first use, selects the
// stored format and folder, shows it modally over `parent`; after "Ok" with
// an export run, stores the folder and the format in [Métafichiers].
void ExporterWMF1Click(QWidget* parent, CollectionView* active);
