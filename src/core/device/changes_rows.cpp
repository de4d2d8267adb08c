#include "device/changes_rows.h"

#include "text/items.h"

namespace quillon {

std::vector<ChangesRow> ChangesViewerRows(const std::vector<std::string>& lines) {
  std::vector<ChangesRow> rows;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const std::vector<std::string> parts = SplitItems(*line);
    if (parts.size() <= 2) continue;
    rows.push_back({parts[0], parts[1], parts[2]});
  }
  return rows;
}

}  // namespace quillon
