#pragma once
// Base against controller: what the controller columns show, which rows differ, and the scale
// lines that follow the base values of parameter lists.
#include <optional>
#include <string>
#include <vector>

#include "device/device_parameters.h"

namespace quillon {

// The text of a value cell of `kind` as the parameter table shows it. A controller cell of a
// variable whose value was not read from this controller is empty: the buffer's bytes there
// are no value of the device. A variable without a cell in the controller shows its base.
std::string ShownCellText(const DeviceParameters& parameters, TView& variable, int kind);

// One entry per variable: whether its base and controller hex texts differ; nothing for a
// variable without a cell in the controller (its rows keep their colour); false for one whose
// controller value was not read, so it is not painted as different.
std::vector<std::optional<bool>> CompareBaseAndController(DeviceParameters& parameters);

// Every parameter list that keeps its entries in a scale line gets the line's last item (the
// selected value) set to its base value; then the scales are evaluated again.
void UpdateListScaleLines(TViewList& list);

}  // namespace quillon
