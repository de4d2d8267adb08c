#include "scope/record_header.h"

#include <limits>
#include <vector>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/view.h"

namespace quillon {

namespace {

// Item `index` of a slash list as a number; the fallback when it is missing or unreadable (a
// record from elsewhere may have a window of any shape, but never one that overflows an int).
int IntItem(const std::vector<std::string>& items, std::size_t index, int fallback) {
  if (index >= items.size()) return fallback;
  const auto value = TryReadInteger(items[index]);
  if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) return fallback;
  return static_cast<int>(*value);
}

// An item that is present but empty counts as missing.
std::string TextItem(const std::vector<std::string>& items, std::size_t index, const std::string& fallback) {
  return index < items.size() && !items[index].empty() ? items[index] : fallback;
}

}  // namespace

std::string PositionSizeText(const RecordHeader& header) {
  return JoinItems({std::to_string(header.Left), std::to_string(header.Top), std::to_string(header.Width),
                    std::to_string(header.Height)});
}

std::string OptionText(const RecordHeader& header) {
  return JoinItems({std::to_string(header.ColWidths[0]), std::to_string(header.ColWidths[1]),
                    std::to_string(header.ColWidths[2]), std::to_string(header.ColWidths[3]), header.Zoom,
                    header.Scroll});
}

void ReadPositionSize(std::string_view text, RecordHeader& header) {
  const RecordHeader defaults;
  const std::vector<std::string> items = SplitItems(text);
  header.Left = IntItem(items, 0, defaults.Left);
  header.Top = IntItem(items, 1, defaults.Top);
  header.Width = IntItem(items, 2, defaults.Width);
  header.Height = IntItem(items, 3, defaults.Height);
}

void ReadOption(std::string_view text, RecordHeader& header) {
  const RecordHeader defaults;
  const std::vector<std::string> items = SplitItems(text);
  for (std::size_t i = 0; i < header.ColWidths.size(); ++i)
    header.ColWidths[i] = IntItem(items, i, defaults.ColWidths[i]);
  header.Zoom = TextItem(items, 4, defaults.Zoom);
  header.Scroll = TextItem(items, 5, defaults.Scroll);
}

std::string ZoomText(double pixelsPerSample) { return FormatFixed(pixelsPerSample, 2, false); }

std::string CounterText(int records) { return "x" + HexDigits(static_cast<std::uint32_t>(records), 8); }

int ReadCounter(std::string_view text) {
  const auto value = TryReadInteger(text);
  if (!value || *value < 0) return 0;
  return *value > kHistoryLength ? kHistoryLength : static_cast<int>(*value);
}

}  // namespace quillon
