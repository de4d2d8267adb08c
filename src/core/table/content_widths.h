#pragma once
// Widths that show what the columns hold: each column as wide as its caption and its widest
// text, within the width the table has. Used when no widths were stored for a table.
#include <functional>
#include <vector>

#include "table/table_model.h"

namespace quillon {

// What a column needs, in pixels.
struct ColumnNeed {
  // Everything shown whole: the caption and the widest text. Unused for a group, whose
  // content is its sub-columns'.
  double content = 0;
  // The caption shown whole; no column is made narrower while the room allows it.
  double minimum = 0;
};

// Widths for columns side by side in `available` pixels, each at least its minimum (a content
// below the minimum counts as the minimum):
// - when all contents fit, the room left over is shared in proportion to the contents, so
//   every column keeps its share of the width and none stands out empty;
// - when they do not, the widest are narrowed first, to a common width, none below its minimum;
// - when not even the minimums fit, the minimums are scaled down together.
// The widths sum to `available`; with no room at all (available <= 0) they are the contents.
std::vector<double> FitContentWidths(const std::vector<ColumnNeed>& needs, double available);

// Sizes every column of `table` by FitContentWidths to `available` pixels. `need` is asked for
// every column, groups included: a group is as wide as its sub-columns together, and when its
// own minimum (a wider caption) asks for more, its sub-columns' needs grow in proportion.
void SizeColumnsToContents(TableModel& table, const std::function<ColumnNeed(const TTableItem&)>& need,
                           double available);

}  // namespace quillon
