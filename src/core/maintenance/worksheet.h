#pragma once
// One worksheet of a workbook. Its cells and merged areas are held apart from the rest of its
// part, so that inserting cells renumbers rows without rewriting every cell, and are put back
// into the part when it is written; everything else in the part (columns, page set-up, print
// options) is written back as it was read.
//
// Inserting cells moves cells, row attributes (height, row format), merged areas and nothing
// else: conditional formats, data validations, hyperlinks, page breaks and drawing anchors keep
// their rows, and formulas keep their text (the report templates have none of them in the
// shifted rows).
#include <algorithm>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "maintenance/cell_address.h"
#include "maintenance/shared_strings.h"
#include "maintenance/workbook.h"
#include "maintenance/worksheet_rows.h"

namespace quillon {

// Cells (values and formats) and merged areas remembered by a copy, placed by their offset from
// the copied range's top left corner.
struct CellBlock {
  struct Cell {
    int rowOffset = 0;
    int columnOffset = 0;
    pugi::xml_node element;
  };
  int rows = 0;
  int columns = 0;
  std::vector<Cell> cells;
  // Offsets from the top left corner; `sheet` is unused.
  std::vector<CellRange> merges;
  std::unique_ptr<pugi::xml_document> store = std::make_unique<pugi::xml_document>();
};

class Worksheet {
 public:
  // Throws WorkbookError naming `bookPath` when the part holds no cell data or a cell off the
  // sheet.
  Worksheet(std::unique_ptr<pugi::xml_document> part, int index, std::string bookPath);

  std::optional<CellValue> Value(CellRef cell, const SharedStrings& strings) const;
  // Whether the text was longer than a cell holds and was clipped (see SetCellElementValue).
  bool SetValue(CellRef cell, const CellValue& value);
  // Values of the row's cells in the columns go; their formats stay.
  void ClearValues(int row, int firstColumn, int lastColumn);

  // Cells of the range's columns at and below its first row move down by its height, merged
  // areas as ShiftedForInsert says. Row attributes (height, row format) belong to whole rows and
  // move with every row at and below the first one, whatever the columns: when the range covers
  // only some of the used columns, the cells of the other columns stay where they are and so sit
  // in rows whose attributes came from above. The inserted rows take the attributes of the
  // range's first row. Throws WorkbookError, changing nothing, when cells or merged areas would be
  // pushed off the sheet.
  void InsertShiftingDown(const CellRange& range);
  CellBlock Copy(const CellRange& range) const;
  // Throws WorkbookError when the block would not fit on the sheet.
  void Paste(const CellBlock& block, CellRef topLeft);
  void Merge(const CellRange& range);

  const std::vector<CellRange>& MergedAreas() const { return merges_; }
  std::optional<double> RowHeight(int row) const;

  bool Changed() const { return changed_; }
  std::string Serialize() const;

 private:
  void LoadRows(pugi::xml_node sheetData);
  void LoadMerges(pugi::xml_node root);
  pugi::xml_node FindCell(CellRef cell) const;
  pugi::xml_node CellForWriting(CellRef cell);
  // Drops the element when it holds neither value nor format, and the row when it is left
  // with nothing.
  void Tidy(CellRef cell);
  void DropEmptyRows(int firstRow, int lastRow);
  void NoteColumn(int column) {
    leftmostColumn_ = std::min(leftmostColumn_, column);
    rightmostColumn_ = std::max(rightmostColumn_, column);
  }
  std::optional<std::string> InheritedStyle(CellRef cell) const;
  void WriteRows(pugi::xml_node sheetData) const;
  void WriteMerges(pugi::xml_node root) const;
  WorkbookError OffSheet() const;

  std::unique_ptr<pugi::xml_document> part_;
  std::unique_ptr<pugi::xml_document> cells_ = std::make_unique<pugi::xml_document>();
  // Their cell elements live in `cells_`.
  SheetRows rows_;
  // Bounds of every column a cell was ever put in: no cell lies outside them.
  int leftmostColumn_ = kMaxSheetColumns + 1;
  int rightmostColumn_ = 0;
  std::vector<CellRange> merges_;
  std::string prefix_;
  int index_ = 0;
  std::string bookPath_;
  bool changed_ = false;
};

}  // namespace quillon
