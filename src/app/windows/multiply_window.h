// TFMultiply: the field multiplier ("Multiplier un champ") of the
// "&Collection" menu: one float field of every borehole of the active
// collection changed by (v - sub) x mul + add. The rules are in
// structure_logic.h.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class TDirBlock;

class TFMultiply : public QDialog {
    Q_OBJECT
public:
    explicit TFMultiply(QWidget* parent = nullptr);
    ~TFMultiply() override;

    // Fills CChamp from Root.
    void FormShow();
    // "Effectuer": the change, the log redrawn, "Effectué"; the dialog stays.
    void BEffClick();

    // The collection the dialog works on (set by the command before showing).
    TDirBlock* Root = nullptr;

    QComboBox* CChamp = nullptr;
    QLineEdit* ESub = nullptr;
    QLineEdit* EMul = nullptr;
    QLineEdit* EAdd = nullptr;
    QPushButton* BEff = nullptr;
    QPushButton* BFermer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFMultiply* FMultiply;
