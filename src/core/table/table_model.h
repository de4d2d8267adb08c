#pragma once
// The column tree of an owner-drawn table with its scroll position and selected row, and the
// geometry that follows from them: where each column lies, which rows are visible in a table of
// a given height, and which item or column edge lies under a point.
#include <memory>
#include <string>
#include <vector>

#include "table/table_item.h"

namespace quillon {

struct TableRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TableRect&) const = default;
};

// Rows [first, end) are painted whole; `end` is never past the last row.
struct RowRange {
  int first = 0;
  int end = 0;
  int Count() const { return end > first ? end - first : 0; }
};

struct TableHit {
  TTableItem* item = nullptr;    // the header or cell under the point
  TTableItem* column = nullptr;  // the column without sub-columns under the point (x only)
  int row = -1;                  // the row under the point; -1 in the header or below the rows
};

class TableModel {
 public:
  TableModel() = default;
  TableModel(const TableModel&) = delete;
  TableModel& operator=(const TableModel&) = delete;

  TTableItem& AddColumn(const std::string& caption, double width = kDefaultColumnWidth);
  const std::vector<std::unique_ptr<TTableItem>>& Columns() const { return columns_; }
  TTableItem* NextTopLevelColumn(const TTableItem& column) const;
  // The columns that hold cells, left to right.
  std::vector<TTableItem*> LeafColumns() const;

  // Removes every cell and keeps the columns.
  void ClearInfoIntems();
  int RowCount() const;

  int Position() const { return position_; }
  // The first visible row; never below 0.
  void SetPosition(int position);
  // Moves the position by `rows`, staying between the first and the last row.
  void ScrollBy(int rows);

  int SelectedRow() const { return selectedRow_; }
  // Marks the cells of `row` in every column selected and all others not; -1 selects nothing.
  void SelectRow(int row);

  // Header levels times the header height: where the first row starts.
  int HeaderHeight() const;
  int VisibleRowCapacity(int tableHeight) const;
  RowRange VisibleRows(int tableHeight) const;

  // Makes sub-columns fill their groups and stores every column's left and right edge and top.
  // Called after any change of widths; the edges of a group and its last column coincide.
  void LayOut();
  // Widths of the columns changed by the user; see ResizeColumn in column_widths.h.
  bool ResizeColumn(TTableItem& column, double width);
  // Scales every column to a control `width` pixels wide.
  void FitToWidth(int width);

  // The cell's rectangle while its row is visible in a table `tableHeight` high.
  bool CellRect(const TTableItem& cell, int tableHeight, TableRect& rect) const;
  TableRect HeaderRect(const TTableItem& column) const;
  TableHit HitTest(int x, int y, int tableHeight) const;
  // The column whose right edge is within 4 pixels left or 2 pixels right of `x` at height `y`.
  // An edge shared with the enclosing group resizes the group; the table's right edge none.
  TTableItem* ResizeTarget(int x, int y) const;

 private:
  int Levels() const;
  TTableItem* ColumnAt(int x, int level) const;

  std::vector<std::unique_ptr<TTableItem>> columns_;
  int position_ = 0;
  int selectedRow_ = -1;
};

}  // namespace quillon
