// TFRapport: the report preview ("Rapport"). It shows the report of one
// ouvrage page by page, laid out again for the window's size on every resize,
// and prints it on the current printer with 1 cm margins.
#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QToolBar;
class QToolButton;
class QPainterCanvas;
class TDirBlock;
class TRapportForage;
class TFRapport;

// The paint box that fills the window.
class TReportPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TReportPaintBox(TFRapport* owner);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TFRapport* owner_;
};

class TFRapport : public QDialog {
    Q_OBJECT
public:
    explicit TFRapport(QWidget* parent = nullptr);  // FormCreate: no report yet
    ~TFRapport() override;                          // FormDestroy

    // The preview of one ouvrage, shown modally from page 1.
    void RapportShow(const TDirBlock& root, const std::string& indice, const std::string& design);
    // The same without the modal loop (the window is shown by the caller).
    void SetReport(const TDirBlock& root, const std::string& indice, const std::string& design);
    // Lays the report out again for the paint box's size, for all elements.
    void RapportLayout();

    void PaintBox1Paint(QPainter& painter);
    void ToolButton_LeftClick();
    void ToolButton_RightClick();
    void ToolButton1Click();

    const TRapportForage* Report() const { return report_.get(); }
    int Page() const { return page_; }

    TReportPaintBox* PaintBox1;
    QToolBar* ToolBar1;
    QLabel* LabelPage;
    QToolButton* ToolButton_Left;
    QToolButton* ToolButton_Right;
    QToolButton* ToolButton1;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdatePageLabel();

    const TDirBlock* root_ = nullptr;
    std::string indice_;
    std::string design_;
    int page_ = 1;
    // The report is laid out on a canvas that measures as the paint box does.
    QImage measureImage_;
    std::unique_ptr<QPainterCanvas> measureCanvas_;
    std::unique_ptr<TRapportForage> report_;
};

extern TFRapport* FRapport;
