// Inserting, copying, pasting and merging cells of a worksheet.
#include <algorithm>

#include "maintenance/cell_address.h"
#include "maintenance/cell_content.h"
#include "maintenance/insert_shift.h"
#include "maintenance/worksheet.h"

namespace quillon {
namespace {

bool Overlap(const CellRange& a, const CellRange& b) {
  return a.first.row <= b.last.row && b.first.row <= a.last.row && a.first.column <= b.last.column &&
         b.first.column <= a.last.column;
}

bool Contains(const CellRange& outer, const CellRange& inner) {
  return outer.first.row <= inner.first.row && inner.last.row <= outer.last.row &&
         outer.first.column <= inner.first.column && inner.last.column <= outer.last.column;
}

}  // namespace

void Worksheet::InsertShiftingDown(const CellRange& range) {
  const int top = range.first.row;
  const int height = range.Rows();
  const auto inColumns = [&](int column) { return column >= range.first.column && column <= range.last.column; };

  if (!rows_.empty() && rows_.rbegin()->first >= top && rows_.rbegin()->first > kMaxSheetRows - height) {
    throw OffSheet();
  }
  for (const auto& merge : merges_) {
    if (ShiftedForInsert(merge, range) != merge && merge.last.row > kMaxSheetRows - height) throw OffSheet();
  }

  // Rows move whole, attributes and all; the cells outside the inserted columns then go back
  // to the row they came from. Re-keying the rows leaves the cell elements untouched, which
  // keeps a report of many rows, inserted one at a time, linear per insert.
  std::vector<decltype(rows_)::node_type> moved;
  for (auto it = rows_.lower_bound(top); it != rows_.end();) moved.push_back(rows_.extract(it++));
  for (auto& node : moved) {
    node.key() += height;
    rows_.insert(std::move(node));
  }
  if (const auto first = rows_.find(top + height); first != rows_.end() && !first->second.attributes.empty()) {
    for (int row = top; row < top + height; ++row) rows_[row].attributes = first->second.attributes;
  }
  std::vector<int> emptied;
  for (auto it = rows_.lower_bound(top + height); it != rows_.end(); ++it) {
    auto& cells = it->second.cells;
    if (cells.empty() || (inColumns(cells.begin()->first) && inColumns(cells.rbegin()->first))) continue;
    for (auto cell = cells.begin(); cell != cells.end();) {
      if (inColumns(cell->first)) {
        ++cell;
      } else {
        // Ascending order: the row above has already given its own outside cells back.
        rows_[it->first - height].cells.insert(cells.extract(cell++));
      }
    }
    if (cells.empty() && it->second.attributes.empty()) emptied.push_back(it->first);
  }
  for (const int row : emptied) rows_.erase(row);

  for (auto& merge : merges_) merge = ShiftedForInsert(merge, range);
  changed_ = true;
}

CellBlock Worksheet::Copy(const CellRange& range) const {
  CellBlock block;
  block.rows = range.Rows();
  block.columns = range.Columns();
  for (auto row = rows_.lower_bound(range.first.row); row != rows_.end() && row->first <= range.last.row; ++row) {
    const auto& cells = row->second.cells;
    for (auto cell = cells.lower_bound(range.first.column); cell != cells.end() && cell->first <= range.last.column;
         ++cell) {
      block.cells.push_back(
          {row->first - range.first.row, cell->first - range.first.column, block.store->append_copy(cell->second)});
    }
  }
  for (const auto& merge : merges_) {
    if (!Contains(range, merge)) continue;
    block.merges.push_back(CellRange{0,
                                     {merge.first.row - range.first.row, merge.first.column - range.first.column},
                                     {merge.last.row - range.first.row, merge.last.column - range.first.column}});
  }
  return block;
}

void Worksheet::Paste(const CellBlock& block, CellRef topLeft) {
  const CellRange target{index_, topLeft, {topLeft.row + block.rows - 1, topLeft.column + block.columns - 1}};
  if (!IsOnSheet(target)) {
    throw WorkbookError("Вставка в книге " + bookPath_ + " не помещается на лист (" + RangeAddress(target) + ")");
  }
  // A paste brings the copied range whole: its empty cells empty the target's cells, formats
  // included.
  for (auto row = rows_.lower_bound(target.first.row); row != rows_.end() && row->first <= target.last.row; ++row) {
    auto& cells = row->second.cells;
    for (auto cell = cells.lower_bound(target.first.column);
         cell != cells.end() && cell->first <= target.last.column;) {
      cells_->remove_child(cell->second);
      cell = cells.erase(cell);
    }
  }
  for (const auto& cell : block.cells) {
    auto& cells = rows_[topLeft.row + cell.rowOffset].cells;
    cells[topLeft.column + cell.columnOffset] = cells_->append_copy(cell.element);
  }
  DropEmptyRows(target.first.row, target.last.row);

  std::erase_if(merges_, [&](const CellRange& merge) { return Overlap(merge, target); });
  for (const auto& merge : block.merges) {
    merges_.push_back(CellRange{index_,
                                {topLeft.row + merge.first.row, topLeft.column + merge.first.column},
                                {topLeft.row + merge.last.row, topLeft.column + merge.last.column}});
  }
  changed_ = true;
}

void Worksheet::Merge(const CellRange& range) {
  // One cell is no area to merge, and an area merged already stays as it is.
  if (range.first == range.last) return;
  const CellRange area{index_, range.first, range.last};
  if (std::find(merges_.begin(), merges_.end(), area) != merges_.end()) return;
  std::erase_if(merges_, [&](const CellRange& merge) { return Overlap(merge, area); });
  merges_.push_back(area);
  // Excel keeps the top left value of a merged area and drops the others; their formats stay.
  std::vector<int> rows;
  for (auto row = rows_.lower_bound(area.first.row); row != rows_.end() && row->first <= area.last.row; ++row) {
    rows.push_back(row->first);
  }
  for (const int row : rows) {
    ClearValues(row, row == area.first.row ? area.first.column + 1 : area.first.column, area.last.column);
  }
  changed_ = true;
}

}  // namespace quillon
