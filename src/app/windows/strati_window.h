// TFStrati: "Stratigraphie", the chooser of a stratigraphic unit's name,
// either from the alphabetical list or by a click in the drawing of the
// stratigraphic scale (strati_layout.h for the layouts and the geometry).
// The spreadsheet editor shows it for its "Strati" column through
// ChooseStrati.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <string>

#include "app/strati_layout.h"

class QAction;
class QComboBox;
class QLabel;
class QToolBar;

inline constexpr const char* kStratiChoiceTitle = "Choix";
inline constexpr const char* kStratiChoiceMessage = "Il faut d'abord choisir une stratigraphie dans la liste d\xC3\xA9roulante";

class TFStrati : public QDialog {
    Q_OBJECT
public:
    explicit TFStrati(QWidget* parent = nullptr);  // FormCreate
    ~TFStrati() override;

    void FormShow();
    void FormHide();
    void FormPaint();
    void ToolButton1Click();  // "Par suites"
    void ToolButton2Click();  // "Par taille"
    void ToolButton3Click();  // "Arbre"
    void ToolButton5Click();  // "Zoomer"
    void ToolButton6Click();  // "Dézoomer"
    void ToolButton9Click();  // "Ok"
    void ToolDeplClick();
    void ToolSelectClick();
    // Mouse handlers in client coordinates.
    void FormMouseDown(QPoint point, bool left);
    void FormMouseMove(QPoint point);
    void FormMouseUp();

    const std::string& ChosenName() const { return chosen_; }
    int Hovered() const { return hovered_; }
    const StratiLayout& Layout() const { return layout_; }
    StratiLayout& Layout() { return layout_; }
    const StratiView& View() const { return view_; }
    const StratiFrame& Frame() const { return frame_; }
    bool HasBitmap() const { return !bitmap_.isNull(); }
    const QImage& Bitmap() const { return bitmap_; }

    QToolBar* ToolBar1;
    QAction* ToolButton1;
    QAction* ToolButton2;
    QAction* ToolButton3;
    QLabel* Label1;
    QComboBox* ComboBox1;
    QAction* ToolButton9;
    QAction* ToolButton5;
    QAction* ToolButton6;
    QAction* ToolDepl;
    QAction* ToolSelect;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int besideNames_ = 0;  // the tool bar's width beside the names' box
    void Repaint();
    void FillComboBox();

    StratiLayout layout_;
    bool laidOut_ = false;
    StratiView view_;
    StratiFrame frame_;
    int hovered_ = -1;
    bool dragging_ = false;
    QPoint last_;
    std::string chosen_;
    QImage bitmap_;
};

extern TFStrati* FStrati;

// Shows the chooser modally; true on Ok with the chosen name in `name`.
bool ChooseStrati(std::string& name, QWidget* parent = nullptr);
