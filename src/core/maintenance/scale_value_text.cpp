#include "maintenance/scale_value_text.h"

#include <vector>

#include "text/items.h"

namespace quillon {

std::string ScaleValueText(std::string_view value) {
  if (value.find('/') == std::string_view::npos) return std::string(value);
  const std::vector<std::string> items = SplitItems(value);
  const std::string& selector = items.back();
  std::string text(value);
  for (std::size_t i = items.size() - 1; i-- > 0;) {
    const std::vector<std::string> parts = SplitItems(items[i], '#');
    if (parts[0] != selector) continue;
    const std::string second = parts.size() > 1 ? parts[1] : std::string();
    const std::string third = parts.size() > 2 ? parts[2] : std::string();
    text = second + " / " + third;
  }
  return text;
}

}  // namespace quillon
