#include "store/windows/table_widget_grid.h"

#include <algorithm>
#include <climits>

#include <QTableWidget>
#include <QTableWidgetItem>
#include <QTableWidgetSelectionRange>

TableWidgetGrid::TableWidgetGrid(QTableWidget* table, int fixedCols, int fixedRows)
    : table_(table), fixedCols_(fixedCols), fixedRows_(fixedRows)
{
}

int TableWidgetGrid::ColCount() const
{
    return table_->columnCount();
}

int TableWidgetGrid::RowCount() const
{
    return table_->rowCount();
}

void TableWidgetGrid::SetRowCount(int rows)
{
    table_->setRowCount(std::max(rows, 0));
}

std::string TableWidgetGrid::Cell(int col, int row) const
{
    const QTableWidgetItem* item = table_->item(row, col);
    if (!item) return std::string();
    return item->text().toStdString();
}

void TableWidgetGrid::SetCell(int col, int row, const std::string& text)
{
    if (row < 0 || col < 0 || row >= table_->rowCount() || col >= table_->columnCount()) return;
    const QString value = QString::fromStdString(text);
    if (QTableWidgetItem* item = table_->item(row, col)) {
        item->setText(value);
    } else if (!text.empty()) {
        table_->setItem(row, col, new QTableWidgetItem(value));
    }
}

GridRect TableWidgetGrid::Selection() const
{
    const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
    if (ranges.isEmpty()) return GridRect{};
    GridRect rect{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const QTableWidgetSelectionRange& range : ranges) {
        rect.Left = std::min(rect.Left, range.leftColumn());
        rect.Top = std::min(rect.Top, range.topRow());
        rect.Right = std::max(rect.Right, range.rightColumn());
        rect.Bottom = std::max(rect.Bottom, range.bottomRow());
    }
    return rect;
}
