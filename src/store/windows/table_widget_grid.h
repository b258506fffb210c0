// The string-grid interface of the grid helpers over a QTableWidget.
//
// A QTableWidget keeps its titles in headers, so its cells are normally all data
// cells; a grid that shows a swatch or a title in its first column or row
// declares it as fixed here.
#pragma once

#include <string>

#include "store/grid_helpers.h"

class QTableWidget;

class TableWidgetGrid : public StringGrid {
public:
    explicit TableWidgetGrid(QTableWidget* table, int fixedCols = 0, int fixedRows = 0);

    int ColCount() const override;
    int RowCount() const override;
    int FixedCols() const override { return fixedCols_; }
    int FixedRows() const override { return fixedRows_; }
    void SetRowCount(int rows) override;
    std::string Cell(int col, int row) const override;
    void SetCell(int col, int row, const std::string& text) override;

    // The current selection's bounding rectangle (empty when nothing is selected).
    GridRect Selection() const;

private:
    QTableWidget* table_;
    int fixedCols_;
    int fixedRows_;
};
