#pragma once
// Base against controller: which rows differ, and the scale lines that follow the base values
// of parameter lists.
#include <optional>
#include <vector>

#include "variables/view_list.h"

namespace quillon {

// One entry per variable: whether its base and controller hex texts differ; nothing for a
// variable without a cell in the controller (its rows keep their colour).
std::vector<std::optional<bool>> CompareBaseAndController(TViewList& list);

// Every parameter list that keeps its entries in a scale line gets the line's last item (the
// selected value) set to its base value; then the scales are evaluated again.
void UpdateListScaleLines(TViewList& list);

}  // namespace quillon
