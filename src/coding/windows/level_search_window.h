// TFRechNiv: the dialog "Rerchercher niveaux..." of O&pérations > "Rechercher
// des niveaux...". It reads a keyword expression, a depth range and the scope
// and action, and runs the level search (coding/level_search.h) on the
// collection window it was given, then redraws the log window.
#pragma once

#include <QDialog>
#include <QPointer>

#include "coding/level_search.h"
#include "platform/windows/collection_view.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

inline constexpr const char* kLevelSearchCaption = "Rerchercher niveaux...";

class TFRechNiv : public QDialog {
    Q_OBJECT
public:
    explicit TFRechNiv(QWidget* parent = nullptr);
    ~TFRechNiv() override;

    // The collection window the search acts on (set before showing).
    void SetChild(CollectionView* child) { child_ = child; }
    CollectionView* Child() const { return child_.get(); }

    // Sizes the window, chooses the scope by the selection, focuses the
    // expression and reads the criteria.
    void FormShow();
    // Reads the criteria and enables "Ok" (every change of the edits, a click
    // of the check box).
    void CritereChange();
    // Runs the search; the dialog closes after it, also after a failure,
    // which passes on to the caller.
    void BOkClick();
    const LevelSearchCriteria& Criteria() const { return criteria_; }

    QGroupBox* GroupBox1;
    QLineEdit* EMotsCles;
    QLineEdit* EProfDe;
    QLineEdit* EProfA;
    QCheckBox* CInclStricte;
    QGroupBox* GroupBox2;
    QRadioButton* RTousOuvr;
    QRadioButton* ROuvrSel;
    QGroupBox* GroupBox3;
    QRadioButton* RSelNiv;
    QRadioButton* RDeselNiv;
    QRadioButton* RInvSelNiv;
    QCheckBox* CSelOuvr;
    QPushButton* BOk;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CollectionViewPointer child_;
    LevelSearchCriteria criteria_;
};

extern TFRechNiv* FRechNiv;

// TFMain.RechNiv1Click: the dialog on the collection window, shown modally;
// nothing without one. Answers whether the search ran.
bool ShowLevelSearch(CollectionView* child, QWidget* parent = nullptr);
