// TFEdition: the record-sheet editor. Its labels and fields are made at run
// time from the table's field definitions (a drop-down list for a field with
// a lexicon, a masked edit for the others) and flow left to right, wrapping
// as the window narrows, with the buttons centred under the last line. The
// rules live in record_sheet_logic.h; the window mirrors RecordSheet's values
// in its widgets.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/record_sheet_logic.h"

class QLabel;
class QPushButton;
class TFChild;

class TFEdition : public QDialog {
    Q_OBJECT
public:
    explicit TFEdition(QWidget* parent = nullptr);  // FormCreate
    ~TFEdition() override;                          // FormDestroy

    // EditionBuild: the controls for Sheet.Defs, laid out and filled from the row.
    void EditionBuild(const TDirBlock& root, int row);
    void EditionClear();
    std::string EditionGetValue(int i) const { return Sheet.GetValue(i); }
    void EditionSetValue(int i, const std::string& text) { Sheet.SetValue(i, text); }
    std::string EditionSqlValue(int i) const { return Sheet.SqlValue(i); }
    bool EditionChanged(const TDirBlock& root, int row) { return Sheet.Changed(root, row); }
    void EditionStore(TDirBlock& root, int row) { Sheet.Store(root, row); }
    // The two database fills: BDatabase the borehole's record, BLex the lookups.
    void BDatabaseClick(QObject* sender);
    // Shows the form modally; answers how it was closed.
    SheetCloseReason ShowSheet();
    // FormResize: the labels, fields and buttons placed again.
    void FormResize();

    RecordSheet Sheet;
    std::vector<QLabel*> Labels;
    std::vector<QWidget*> Editors;
    int CharWidth = 1;
    int LineHeight = 0;
    bool Building = false;

    QPushButton* BOk = nullptr;
    QPushButton* BAnnul = nullptr;
    QPushButton* BDatabase = nullptr;
    QPushButton* BLex = nullptr;

public slots:
    // Escape and the close box: the loop asks about changes.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;  // FormShow

private:
    void ShowValue(int i);
    void EditorEdited(int i);

    SheetCloseReason reason_ = SheetCloseReason::CloseBox;
    bool syncing_ = false;
    bool layingOut_ = false;
    // Filling for the download, which tells itself when nothing was found.
    bool downloading_ = false;
    friend void EditionOpen(TFChild& child, const std::string& section, bool fromDatabase);
};

extern TFEdition* FEdition;

// TFChild::EditSection: the record sheet of `section` for the window's
// selected ouvrage, shown modally, or with fromDatabase filled from the
// database and stored without showing.
void EditionOpen(TFChild& child, const std::string& section, bool fromDatabase);
