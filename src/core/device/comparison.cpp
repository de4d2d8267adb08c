#include "device/comparison.h"

#include "device/cell_commit.h"
#include "text/items.h"

namespace quillon {

std::string ShownCellText(const DeviceParameters& parameters, TView& variable, int kind) {
  if (IsControllerKind(kind) && !variable.NotInMemory && !parameters.IsRead(variable)) return {};
  variable.ShownIndex = variable.Head;
  return variable.ColumnText(kind);
}

std::vector<std::optional<bool>> CompareBaseAndController(DeviceParameters& parameters) {
  TViewList& list = parameters.List();
  std::vector<std::optional<bool>> differs;
  differs.reserve(list.Variables.size());
  for (auto& variable : list.Variables) {
    if (variable->NotInMemory) {
      differs.emplace_back();
      continue;
    }
    if (!parameters.IsRead(*variable)) {
      differs.emplace_back(false);
      continue;
    }
    variable->ShownIndex = variable->Head;
    differs.emplace_back(variable->ColumnText(kBaseHexKind) != variable->ColumnText(kControllerHexKind));
  }
  return differs;
}

void UpdateListScaleLines(TViewList& list) {
  for (auto& variable : list.Variables) {
    if (variable->TypeName != "TPrmList" || variable->ScaleText.empty()) continue;
    const auto value = list.Scales.Value(variable->ScaleText);
    if (!value) continue;
    std::vector<std::string> parts = SplitItems(*value);
    if (parts.empty()) continue;
    parts.back() = variable->BaseValue;
    list.Scales.SetValue(variable->ScaleText, JoinItems(parts));
  }
  list.Rescale();
}

}  // namespace quillon
