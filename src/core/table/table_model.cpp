#include "table/table_model.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "table/column_widths.h"

namespace quillon {

namespace {

int Pixel(double x) { return static_cast<int>(std::lround(x)); }

// Stores the edges of `column` starting at `x`; a last sub-column ends exactly where its group
// ends, whatever the rounding of the widths before it.
void PlaceColumn(TTableItem& column, double x, int level, int headerHeight, int rightEdge) {
  column.Left = Pixel(x);
  column.Right = rightEdge;
  column.Top = level * kHeaderHeight;
  column.Height = column.HasSubColumns() ? kHeaderHeight : headerHeight - column.Top;
  if (!column.HasSubColumns()) return;
  double childX = x;
  const auto& children = column.Items();
  for (std::size_t i = 0; i < children.size(); ++i) {
    TTableItem& child = *children[i];
    const int right = i + 1 == children.size() ? rightEdge : Pixel(childX + child.Width);
    PlaceColumn(child, childX, level + 1, headerHeight, right);
    childX += child.Width;
  }
}

// Columns whose header occupies header level `level`: the columns of that level and the
// columns without sub-columns above it, whose header reaches down to the cells.
void CollectBand(const std::vector<std::unique_ptr<TTableItem>>& items, int itemLevel, int level,
                 std::vector<TTableItem*>& band) {
  for (const auto& item : items) {
    if (itemLevel == level || !item->HasSubColumns()) {
      band.push_back(item.get());
    } else {
      CollectBand(item->Items(), itemLevel + 1, level, band);
    }
  }
}

}  // namespace

TTableItem& TableModel::AddColumn(const std::string& caption, double width) {
  columns_.push_back(std::make_unique<TTableItem>(this, nullptr, true));
  TTableItem& column = *columns_.back();
  column.Width = width;
  column.SetCaption(caption);
  return column;
}

TTableItem* TableModel::NextTopLevelColumn(const TTableItem& column) const {
  for (std::size_t i = 0; i + 1 < columns_.size(); ++i) {
    if (columns_[i].get() == &column) return columns_[i + 1].get();
  }
  return nullptr;
}

std::vector<TTableItem*> TableModel::LeafColumns() const {
  std::vector<TTableItem*> leaves;
  CollectBand(columns_, 0, INT_MAX, leaves);
  return leaves;
}

void TableModel::ClearInfoIntems() {
  for (const auto& column : columns_) column->ClearCells();
  selectedRow_ = -1;
}

int TableModel::RowCount() const {
  int rows = 0;
  for (const TTableItem* column : LeafColumns()) rows = std::max(rows, static_cast<int>(column->Items().size()));
  return rows;
}

void TableModel::SetPosition(int position) { position_ = std::max(position, 0); }

void TableModel::ScrollBy(int rows) {
  position_ = std::clamp(position_ + rows, 0, std::max(RowCount() - 1, 0));
}

void TableModel::SelectRow(int row) {
  selectedRow_ = row < 0 ? -1 : row;
  for (TTableItem* column : LeafColumns()) {
    const auto& cells = column->Items();
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i]->Selected = static_cast<int>(i) == selectedRow_;
  }
}

int TableModel::Levels() const {
  int levels = 0;
  for (const auto& column : columns_) levels = std::max(levels, column->Depth());
  return levels;
}

int TableModel::HeaderHeight() const { return Levels() * kHeaderHeight; }

int TableModel::VisibleRowCapacity(int tableHeight) const {
  return std::max(0, (tableHeight - HeaderHeight()) / kCellHeight);
}

RowRange TableModel::VisibleRows(int tableHeight) const {
  RowRange rows;
  rows.first = position_;
  rows.end = std::max(rows.first, std::min(RowCount(), position_ + VisibleRowCapacity(tableHeight)));
  return rows;
}

void TableModel::LayOut() {
  const int headerHeight = HeaderHeight();
  double x = 0;
  for (const auto& column : columns_) {
    FitSubColumns(*column);
    PlaceColumn(*column, x, 0, headerHeight, Pixel(x + column->Width));
    x += column->Width;
  }
}

bool TableModel::ResizeColumn(TTableItem& column, double width) {
  if (column.Table() != this) return false;
  const bool changed = quillon::ResizeColumn(column, width);
  if (changed) LayOut();
  return changed;
}

void TableModel::FitToWidth(int width) {
  FitColumnsToWidth(columns_, width);
  LayOut();
}

bool TableModel::CellRect(const TTableItem& cell, int tableHeight, TableRect& rect) const {
  const TTableItem* column = cell.Parent();
  if (cell.IsColumn() || column == nullptr || cell.Table() != this) return false;
  const int row = cell.Index();
  const RowRange rows = VisibleRows(tableHeight);
  if (row < rows.first || row >= rows.end) return false;
  rect = {column->Left, HeaderHeight() + (row - rows.first) * kCellHeight, column->Right - column->Left,
          kCellHeight};
  return true;
}

TableRect TableModel::HeaderRect(const TTableItem& column) const {
  return {column.Left, column.Top, column.Right - column.Left, column.Height};
}

TTableItem* TableModel::ColumnAt(int x, int level) const {
  std::vector<TTableItem*> band;
  CollectBand(columns_, 0, level, band);
  for (TTableItem* column : band) {
    if (x >= column->Left && x < column->Right) return column;
  }
  return nullptr;
}

TableHit TableModel::HitTest(int x, int y, int tableHeight) const {
  TableHit hit;
  if (x < 0 || y < 0 || y >= tableHeight) return hit;
  hit.column = ColumnAt(x, INT_MAX);
  const int headerHeight = HeaderHeight();
  if (y < headerHeight) {
    hit.item = ColumnAt(x, y / kHeaderHeight);
    return hit;
  }
  const int row = position_ + (y - headerHeight) / kCellHeight;
  const RowRange rows = VisibleRows(tableHeight);
  if (row < rows.first || row >= rows.end) return hit;
  hit.row = row;
  if (hit.column != nullptr) hit.item = hit.column->Cell(row);
  return hit;
}

TTableItem* TableModel::ResizeTarget(int x, int y) const {
  if (y < 0) return nullptr;
  const int headerHeight = HeaderHeight();
  std::vector<TTableItem*> band;
  CollectBand(columns_, 0, y < headerHeight ? y / kHeaderHeight : INT_MAX, band);
  TTableItem* nearest = nullptr;
  for (TTableItem* column : band) {
    if (x < column->Right - 4 || x > column->Right + 2) continue;
    if (nearest == nullptr || std::abs(x - column->Right) < std::abs(x - nearest->Right)) nearest = column;
  }
  // The last sub-column's edge is its group's edge: dragging it moves the group's edge.
  while (nearest != nullptr && nearest->IsLastSibling() && nearest->Parent() != nullptr) nearest = nearest->Parent();
  if (nearest != nullptr && nearest->IsLastSibling()) return nullptr;
  return nearest;
}

}  // namespace quillon
