// The palette window "Palettes de couleur": the ten table colours and a grid
// of 100 variations of one of 27 base colours. Its rules live in
// PaletteChooser; callers run SelectBaseColor, show it modally and read
// SelectedColour after "Ok".
#pragma once

#include <QDialog>
#include <array>

#include "drawing/colours.h"

class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;

class TFPalette : public QDialog {
    Q_OBJECT
public:
    explicit TFPalette(QWidget* parent = nullptr);
    ~TFPalette() override;

    PaletteChooser& Chooser() { return chooser_; }
    TColor SelectedColour() const { return chooser_.SelectedColour(); }
    void SelectBaseColor(TColor colour);
    // A swatch pressed: 0..26 the bases, PaletteChooser::kSelectionShape the
    // chosen colour.
    void ShapeMouseDown(int shape);
    void DrawGridSelectCell(int column, int row);
    void DrawGridDefSelectCell(int column);
    // Double-clicks and the grids' labels press "Ok".
    void DrawGridDblClick();

    std::array<QFrame*, 27> Shapes{};
    QFrame* ShapeSel = nullptr;
    QTableWidget* DrawGrid = nullptr;
    QTableWidget* DrawGridDef = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowChooser();
    bool syncing_ = false;
    PaletteChooser chooser_;
    QLabel* labelDef_ = nullptr;
    QLabel* labelGrid_ = nullptr;
};

extern TFPalette* FPalette;
