#include "scope_columns.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "text/numbers.h"

namespace quillon {
namespace {

long long Sum(const std::array<int, 4>& widths) { return std::accumulate(widths.begin(), widths.end(), 0LL); }

}  // namespace

std::array<int, 4> ResizeSection(std::array<int, 4> widths, int section, int newWidth, int panelWidth) {
  if (section < 0 || section >= 4) throw std::out_of_range("no column " + std::to_string(section));
  const auto at = static_cast<std::size_t>(section);
  widths[at] = std::clamp(newWidth, 0, kColumnMaxWidths[at]);
  const long long excess = Sum(widths) - panelWidth;
  if (excess > 0) widths[at] = static_cast<int>(std::max(0LL, widths[at] - excess));
  return widths;
}

std::array<int, 4> FitColumnsToPanel(std::array<int, 4> widths, int panelWidth) {
  const long long total = Sum(widths);
  if (total <= panelWidth || total <= 0) return widths;
  const double factor = std::max(panelWidth, 0) / static_cast<double>(total);
  // Rounding down keeps the four within the panel.
  for (int& width : widths) width = static_cast<int>(std::floor(width * factor));
  return widths;
}

int WheelRowHeight(int height, int steps) {
  return static_cast<int>(std::clamp(static_cast<long long>(height) + steps, static_cast<long long>(kMinRowHeight),
                                     static_cast<long long>(kMaxRowHeight)));
}

double ZoomStep(double step, bool increase) {
  const double next = increase ? step + kZoomStepChange : step - kZoomStepChange;
  return next >= kMinZoomStep ? next : step;
}

std::string ZoomPercentText(double step) {
  return std::to_string(static_cast<long long>(RoundHalfEven(step * 100))) + "%";
}

std::array<int, 4> ColumnWidthsOf(const std::array<std::string, 4>& texts) {
  std::array<int, 4> widths = kColumnDefaultWidths;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::optional<std::int64_t> number = TryReadInteger(texts[i]);
    if (number && *number >= std::numeric_limits<int>::min() && *number <= std::numeric_limits<int>::max()) {
      widths[i] = static_cast<int>(*number);
    }
  }
  return widths;
}

}  // namespace quillon
