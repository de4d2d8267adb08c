#include "device/changes_rows.h"

#include "text/items.h"

namespace quillon {

std::vector<ChangesRow> ChangesViewerRows(const std::vector<std::string>& lines) {
  std::vector<ChangesRow> rows;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    std::vector<std::string> parts = SplitItems(*line);
    // A list's split drops the empty item after a final "/", but here that item is a value:
    // a field cleared by the engineer changes to "" and must still be listed.
    if (!line->empty() && line->back() == '/') parts.emplace_back();
    if (parts.size() <= 2) continue;
    rows.push_back({parts[0], parts[1], parts[2]});
  }
  return rows;
}

}  // namespace quillon
