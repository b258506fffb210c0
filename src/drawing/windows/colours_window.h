// The colour-table editor "Couleurs": ten swatches of ColourTable, three
// component bars with their edits, three colour planes and the palette. Its
// rules live in ColourTableEditor; this class only shows them.
#pragma once

#include <QDialog>
#include <array>

#include "drawing/colours.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QFrame;

class TFCouleurs : public QDialog {
    Q_OBJECT
public:
    explicit TFCouleurs(QWidget* parent = nullptr);
    ~TFCouleurs() override;

    ColourTableEditor& Editor() { return editor_; }
    void FormShow();
    void BOkClick();
    void Button3Click();  // "Palette..."
    void SelectSwatch(int index);
    // A plane pressed or dragged with the left button at (x, y).
    void PlaneMouse(ColourPlane plane, int x, int y);

    std::array<QFrame*, 10> Swatches{};
    QFrame* ShapeSel = nullptr;
    QLabel* LSelect = nullptr;
    QFrame* RedShape = nullptr;
    QFrame* GreenShape = nullptr;
    QFrame* BlueShape = nullptr;
    QSlider* RedBar = nullptr;
    QSlider* GreenBar = nullptr;
    QSlider* BlueBar = nullptr;
    QLineEdit* ERed = nullptr;
    QLineEdit* EGreen = nullptr;
    QLineEdit* EBlue = nullptr;
    QLabel* ImgRedGreen = nullptr;
    QLabel* ImgRedBlue = nullptr;
    QLabel* ImgGreenBlue = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;
    QPushButton* Button3 = nullptr;

public:
    // "Annuler", Escape and the close box: the question about changes.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowEditor();
    void EditChanged(int component, QLineEdit* edit);

    ColourTableEditor editor_;
    bool syncing_ = false;
    bool accepting_ = false;
};

extern TFCouleurs* FCouleurs;
