#pragma once
// How an area (a merged area, a defined name's area) follows an insert of cells that shifts the
// cells of the inserted columns down. An area concerned by the insert is one whose columns lie
// within the inserted columns, or one that spans all of them (whole rows, a print area wider
// than the table): it moves down when it starts at or below the first inserted row, and grows
// when it starts above and reaches into the shifted rows. An area that only partly overlaps the
// inserted columns, or ends above them, stays as it is. Rows never pass the last row of a sheet.
#include "maintenance/workbook.h"

namespace quillon {

CellRange ShiftedForInsert(const CellRange& area, const CellRange& inserted);

}  // namespace quillon
