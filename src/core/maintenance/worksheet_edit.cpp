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

  if (!rows_.empty() && rows_.back().number >= top && rows_.back().number > kMaxSheetRows - height) {
    throw OffSheet();
  }
  for (const auto& merge : merges_) {
    if (ShiftedForInsert(merge, range) != merge && merge.last.row > kMaxSheetRows - height) throw OffSheet();
  }

  // Rows move whole, attributes and all, in one pass over their numbers; the cells outside the
  // inserted columns then go back to the row they came from. The cell elements stay untouched.
  // A sheet with no cell outside those columns anywhere (a report's template) need not ask every
  // row below, which would be most of the time of a report of many rows.
  const bool outsideAnywhere = !(inColumns(leftmostColumn_) && inColumns(rightmostColumn_));
  std::vector<int> outsideCells;
  for (auto it = rows_.LowerBound(top); it != rows_.end(); ++it) {
    it->number += height;
    const RowCells& cells = it->row->cells;
    if (outsideAnywhere && !cells.empty() && !(inColumns(cells.FirstColumn()) && inColumns(cells.LastColumn()))) {
      outsideCells.push_back(it->number);
    }
  }
  if (const SheetRow* first = rows_.Find(top + height); first && !first->attributes.empty()) {
    for (int row = top; row < top + height; ++row) rows_.Obtain(row).attributes = first->attributes;
  }
  // Ascending order: the row above has already given its own outside cells back.
  for (const int number : outsideCells) {
    auto& cells = rows_.Find(number)->cells;
    SheetRow& home = rows_.Obtain(number - height);
    for (auto cell = cells.begin(); cell != cells.end();) {
      if (inColumns(cell->first)) {
        ++cell;
      } else {
        home.cells.emplace(cell->first, cell->second);
        cell = cells.erase(cell);
      }
    }
  }
  // Only now: a row that gave all its cells back may have received the cells of the row below.
  for (const int number : outsideCells) rows_.EraseIfEmpty(number);

  for (auto& merge : merges_) merge = ShiftedForInsert(merge, range);
  changed_ = true;
}

CellBlock Worksheet::Copy(const CellRange& range) const {
  CellBlock block;
  block.rows = range.Rows();
  block.columns = range.Columns();
  for (auto row = rows_.LowerBound(range.first.row); row != rows_.end() && row->number <= range.last.row; ++row) {
    const auto& cells = row->row->cells;
    for (auto cell = cells.lower_bound(range.first.column); cell != cells.end() && cell->first <= range.last.column;
         ++cell) {
      block.cells.push_back(
          {row->number - range.first.row, cell->first - range.first.column, block.store->append_copy(cell->second)});
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
  for (auto row = rows_.LowerBound(target.first.row); row != rows_.end() && row->number <= target.last.row; ++row) {
    auto& cells = row->row->cells;
    for (auto cell = cells.lower_bound(target.first.column);
         cell != cells.end() && cell->first <= target.last.column;) {
      cells_->remove_child(cell->second);
      cell = cells.erase(cell);
    }
  }
  for (const auto& cell : block.cells) {
    auto& cells = rows_.Obtain(topLeft.row + cell.rowOffset).cells;
    cells[topLeft.column + cell.columnOffset] = cells_->append_copy(cell.element);
    NoteColumn(topLeft.column + cell.columnOffset);
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
  for (auto row = rows_.LowerBound(area.first.row); row != rows_.end() && row->number <= area.last.row; ++row) {
    rows.push_back(row->number);
  }
  for (const int row : rows) {
    ClearValues(row, row == area.first.row ? area.first.column + 1 : area.first.column, area.last.column);
  }
  changed_ = true;
}

}  // namespace quillon
