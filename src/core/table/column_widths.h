#pragma once
// Width arithmetic of a column tree. Groups keep their edges: whatever one column gains, its
// right-hand neighbour gives, and the sub-columns of a group always fill it exactly.
#include <memory>
#include <vector>

#include "table/table_item.h"

namespace quillon {

// Shares `target` among the entries in proportion to their current widths (equally when they
// have none yet), no entry below its minimum. When the minimums alone exceed the target every
// entry gets its minimum. The result sums to the target whenever the minimums allow it.
std::vector<double> DistributeWidth(const std::vector<double>& current, const std::vector<double>& minimums,
                                    double target);

// The narrowest a column may become: the minimum width for each column without sub-columns
// below it, so that a group never gets narrower than its sub-columns can be.
double MinimumWidth(const TTableItem& column);

// Gives the column a width (not below its minimum) and rescales its sub-columns in proportion.
void SetColumnWidth(TTableItem& column, double width);

// Makes the sub-columns of `column` (and theirs, all the way down) fill it exactly: the last
// sub-column takes what the others leave, and when they leave it less than its minimum all are
// rescaled in proportion.
void FitSubColumns(TTableItem& column);

// A user resize: the column takes `width` and the next column on its level gives or takes the
// difference, both kept at their minimums and their sub-columns rescaled. The last column of a
// level has no neighbour to absorb the change and is left alone. Returns whether widths changed.
bool ResizeColumn(TTableItem& column, double width);

// The control was resized: the columns are scaled together to `width`, none below its minimum.
void FitColumnsToWidth(const std::vector<std::unique_ptr<TTableItem>>& columns, double width);

}  // namespace quillon
