// TFCoupe: the log window beside the main window, "Coupe(s) technique et
// lithologique". It shows the log of the ouvrage selected in the active
// collection window, zooms and drags it, frames the element under the mouse,
// toggles level selection and runs the [Tables] command of a clicked element.
// Its behaviour lives in LogView (drawing/log_view_logic.h); this class puts
// it on screen and reaches the rest of the program through the links below.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "drawing/log_view_logic.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QBoxLayout;
class QToolBar;
class QToolButton;
class TFCoupe;

// The drawing area below the tool bar.
class TCoupeArea : public QWidget {
    Q_OBJECT
public:
    explicit TCoupeArea(TFCoupe* owner);

protected:
    void paintEvent(QPaintEvent* event) override;         // FormPaint
    void resizeEvent(QResizeEvent* event) override;       // FormResize
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TFCoupe* owner_;
};

class TFCoupe : public QWidget {
    Q_OBJECT
public:
    explicit TFCoupe(QWidget* parent = nullptr);  // FormCreate
    ~TFCoupe() override;

    static constexpr const char* kCaption = "Coupe(s) technique et lithologique";

    LogView View;

    // Controls, named as the program names them.
    QToolBar* ToolBar;
    QToolButton* ToolSel;
    QToolButton* ToolButton1;  // "+"
    QToolButton* ToolButton2;  // "-"
    QLabel* Label1;
    QComboBox* CTubes;
    // The depth range and "Ajuster": beside the tools, or under them when
    // the window is too narrow for one row.
    QToolBar* ToolBarDepths;
    QLabel* Label2;
    QSpinBox* SpinDe;
    QLabel* Label3;
    QSpinBox* SpinA;
    QLabel* Label4;
    QCheckBox* CAjuster;
    TCoupeArea* Area;

    // ---- what other windows call ----
    void Redraw();
    // Shows one ouvrage (root null shows none).
    void SetBorehole(TDirBlock* root, const std::string& path, const std::string& design);
    const TDirBlock* ShownRoot() const { return View.Racine; }
    // The tube list; `chosen` -1 chooses none. NomTube follows the choice.
    void SetTubes(const std::vector<std::string>& tubes, int chosen);
    void CTubesChange();
    void CaptionButtonPlusClick();
    void CaptionButtonMoinsClick();
    void SpinDeExit();
    void SpinAExit();
    // The spins and the check box show the logic's values again.
    void SyncControls();

    // ---- links to the rest of the program ----
    // The main window's ExecuteTableCommand(name, row).
    std::function<void(const std::string& name, int row)> RunTableCommand;
    // The desk area (left, top, right, bottom) the window places itself in;
    // unset: the screen's available area.
    std::function<TRect()> DeskArea;
    // After the window placed itself (FormShow) and after it was hidden
    // (FormHide): the main window makes room or takes it back.
    std::function<void()> Shown;
    std::function<void()> Hidden;
    // Escape: the focus goes back to the main window.
    std::function<void()> FocusMainWindow;

    // The placement of FormShow for a desk area and the window's frame and
    // tool bar sizes: the client width is Round(D / sqrt 2), D being the desk
    // height less the frame and the tool bar; the frame sits against the
    // desk's right edge. Answers the frame rectangle (right/bottom excluded).
    static TRect PlaceOnDesk(const TRect& desk, int frameExtraW, int frameExtraH, int toolBarH);

protected:
    void showEvent(QShowEvent* event) override;   // FormShow
    void hideEvent(QHideEvent* event) override;   // FormHide
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TCoupeArea;
    TRect Desk() const;
    // The width the tools need on one row.
    int OneRowWidth() const;
    QBoxLayout* bars_ = nullptr;
    bool syncing_ = false;
};

extern TFCoupe* FCoupe;
