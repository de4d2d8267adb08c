#include "maintenance/insert_shift.h"

#include <algorithm>

#include "maintenance/cell_address.h"

namespace quillon {

CellRange ShiftedForInsert(const CellRange& area, const CellRange& inserted) {
  const bool within = area.first.column >= inserted.first.column && area.last.column <= inserted.last.column;
  const bool spans = area.first.column <= inserted.first.column && area.last.column >= inserted.last.column;
  if (area.sheet != inserted.sheet || (!within && !spans) || area.last.row < inserted.first.row) return area;
  CellRange shifted = area;
  const int height = inserted.Rows();
  if (area.first.row >= inserted.first.row) shifted.first.row = std::min(area.first.row + height, kMaxSheetRows);
  shifted.last.row = std::min(area.last.row + height, kMaxSheetRows);
  return shifted;
}

}  // namespace quillon
