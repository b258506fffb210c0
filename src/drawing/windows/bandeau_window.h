// The title-block editor "Edition du bandeau": the lines and texts of the
// title block drawn with the mouse on a scaled picture of the band. Its
// creation loads the title block; its rules live in BandeauEditor.
#pragma once

#include <QDialog>
#include <QImage>

#include "drawing/bandeau_editor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolBar;
class QToolButton;
class QWidget;
class TCaptionButton;

class TFBandeau : public QDialog {
    Q_OBJECT
public:
    explicit TFBandeau(QWidget* parent = nullptr);  // FormCreate: loads [Bandeau]
    ~TFBandeau() override;

    BandeauEditor& Editor() { return editor_; }
    void FormShow();
    void FormResize();
    void SpinTailleBandeauChange();
    void CModeChange();
    void SpinHExit();
    void EditTextChange();
    void AlignClick();
    void ToolSupprClick();
    void CaptionButton1Click();
    // Paints the band into the off-screen picture and shows it.
    void Repaint();
    const QImage& Picture() const { return bitmap_; }
    // Mouse events of the drawing surface, in its pixels.
    void SurfaceMouseDown(int x, int y, bool ctrl);
    void SurfaceMouseMove(int x, int y);
    void SurfaceMouseUp(bool ctrl);

    QToolBar* ToolBar1 = nullptr;
    QSpinBox* SpinTailleBandeau = nullptr;
    QComboBox* CMode = nullptr;
    QToolButton* ToolSuppr = nullptr;
    QSpinBox* SpinH = nullptr;
    QLineEdit* EditText = nullptr;
    QToolButton* LeftAlign = nullptr;
    QToolButton* CenterAlign = nullptr;
    QToolButton* RightAlign = nullptr;
    QWidget* Surface = nullptr;
    QLabel* StatusBar1 = nullptr;
    TCaptionButton* CaptionButton1 = nullptr;

public:
    // "Annuler", Escape and the close box: the question about changes.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Paint();
    QList<QAction*> textControls_;
    BandeauEditor editor_;
    QImage bitmap_;
    bool painting_ = false;
    bool askOnClose_ = true;
};

extern TFBandeau* FBandeau;
