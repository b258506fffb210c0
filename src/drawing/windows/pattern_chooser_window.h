// The pattern chooser "Choix du motif": the patterns 0 to 99 as a 10 x 10
// grid of swatches (column = tens, row = units), with their numbers when
// "Afficher la numérotation" is ticked, and the printed list of patterns.
#pragma once

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

class QCheckBox;
class QPushButton;
class QTableWidget;
class PrintDocument;
class TPrinterInfo;

class TFMotifs : public QDialog {
    Q_OBJECT
public:
    explicit TFMotifs(QWidget* parent = nullptr);
    ~TFMotifs() override;

    // Opens on pattern n: current column n div 10, row n mod 10.
    void SetCurrentMotif(std::int32_t n);
    // The current cell's pattern (10 x column + row).
    std::int32_t CurrentMotif() const;
    void BOkClick();
    void CheckBox_NumerotationClick();
    void BitBtn1Click();
    // The picture of one cell (pattern 10c + r) as the grid shows it.
    QImage CellPicture(int column, int row, int width, int height, bool selected) const;

    // The printed list through the current printer (or a document made by
    // this seam, for tests).
    static void PrintMotifList();
    static std::function<std::unique_ptr<PrintDocument>()>& PrintDocumentSeam();

    std::int32_t SelectedMotif = 0;
    bool ShowNumbers = true;
    QTableWidget* DrawGrid = nullptr;
    QCheckBox* CheckBox_Numerotation = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* BitBtn1 = nullptr;

private:
    bool creating_ = false;
};

extern TFMotifs* FMotifs;
