#include "device/comparison.h"

#include "device/cell_commit.h"
#include "text/items.h"

namespace quillon {

std::string ShownCellText(const DeviceParameters& parameters, TView& variable, int kind) {
  if (IsControllerKind(kind) && !variable.Definition().NotInMemory && !parameters.IsRead(variable)) return {};
  return variable.ColumnTextAt(kind, variable.History.Head());
}

std::vector<std::optional<bool>> CompareBaseAndController(DeviceParameters& parameters) {
  TViewList& list = parameters.List();
  std::vector<std::optional<bool>> differs;
  differs.reserve(list.Variables.size());
  for (auto& variable : list.Variables) {
    if (variable->Definition().NotInMemory) {
      differs.emplace_back();
      continue;
    }
    if (!parameters.IsRead(*variable)) {
      differs.emplace_back(false);
      continue;
    }
    differs.emplace_back(variable->ColumnTextAt(kBaseHexKind, variable->History.Head()) !=
                         variable->ColumnTextAt(kControllerHexKind, variable->History.Head()));
  }
  return differs;
}

void UpdateListScaleLines(TViewList& list) {
  for (auto& variable : list.Variables) {
    if (variable->Kind() != ViewKind::ParameterList || variable->Definition().ScaleText.empty()) continue;
    const auto value = list.Scales.Value(variable->Definition().ScaleText);
    if (!value) continue;
    std::vector<std::string> parts = SplitItems(*value);
    if (parts.empty()) continue;
    parts.back() = variable->BaseValue;
    list.Scales.SetValue(variable->Definition().ScaleText, JoinItems(parts));
  }
  list.Rescale();
}

}  // namespace quillon
