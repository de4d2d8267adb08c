#include "table/column_widths.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quillon {

std::vector<double> DistributeWidth(const std::vector<double>& current, const std::vector<double>& minimums,
                                    double target) {
  const std::size_t count = current.size();
  std::vector<double> result(count, 0.0);
  if (count == 0) return result;
  const double minimumTotal = std::accumulate(minimums.begin(), minimums.end(), 0.0);
  if (minimumTotal >= target) return minimums;

  // Entries that proportional sharing would push below their minimum are pinned there and the
  // rest is shared again among the others; each round pins at least one entry or ends.
  std::vector<bool> pinned(count, false);
  for (;;) {
    double pinnedWidth = 0;
    double freeWeight = 0;
    std::size_t freeCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (pinned[i]) {
        pinnedWidth += minimums[i];
      } else {
        freeWeight += std::max(current[i], 0.0);
        ++freeCount;
      }
    }
    const double remaining = target - pinnedWidth;
    bool pinnedMore = false;
    for (std::size_t i = 0; i < count; ++i) {
      if (pinned[i]) {
        result[i] = minimums[i];
        continue;
      }
      result[i] = freeWeight > 0 ? std::max(current[i], 0.0) * remaining / freeWeight
                                 : remaining / static_cast<double>(freeCount);
      if (result[i] < minimums[i]) {
        pinned[i] = true;
        pinnedMore = true;
      }
    }
    if (!pinnedMore) break;
  }

  // Rounding must not move the outer edge: the last free entry absorbs what is left over.
  const double total = std::accumulate(result.begin(), result.end(), 0.0);
  for (std::size_t i = count; i-- > 0;) {
    if (!pinned[i]) {
      result[i] = std::max(minimums[i], result[i] + (target - total));
      break;
    }
  }
  return result;
}

double MinimumWidth(const TTableItem& column) {
  if (!column.HasSubColumns()) return kMinimumColumnWidth;
  double minimum = 0;
  for (const auto& child : column.Items()) minimum += MinimumWidth(*child);
  return minimum;
}

namespace {

void RescaleSubColumns(TTableItem& column) {
  if (!column.HasSubColumns()) return;
  std::vector<double> current;
  std::vector<double> minimums;
  for (const auto& child : column.Items()) {
    current.push_back(child->Width);
    minimums.push_back(MinimumWidth(*child));
  }
  const std::vector<double> widths = DistributeWidth(current, minimums, column.Width);
  for (std::size_t i = 0; i < widths.size(); ++i) {
    column.Items()[i]->Width = widths[i];
    RescaleSubColumns(*column.Items()[i]);
  }
}

}  // namespace

void SetColumnWidth(TTableItem& column, double width) {
  if (!std::isfinite(width)) return;
  column.Width = std::max(width, MinimumWidth(column));
  RescaleSubColumns(column);
}

void FitSubColumns(TTableItem& column) {
  if (!column.HasSubColumns()) return;
  column.Width = std::max(column.Width, MinimumWidth(column));
  const auto& children = column.Items();
  double others = 0;
  for (std::size_t i = 0; i + 1 < children.size(); ++i) {
    TTableItem& child = *children[i];
    child.Width = std::max(child.Width, MinimumWidth(child));
    others += child.Width;
  }
  TTableItem& last = *children.back();
  if (column.Width - others >= MinimumWidth(last)) {
    last.Width = column.Width - others;
    for (const auto& child : children) FitSubColumns(*child);
  } else {
    RescaleSubColumns(column);
  }
}

bool ResizeColumn(TTableItem& column, double width) {
  if (!column.IsColumn() || !std::isfinite(width)) return false;
  TTableItem* neighbour = column.NextSibling();
  if (neighbour == nullptr) return false;

  const double lowest = MinimumWidth(column);
  const double highest = column.Width + neighbour->Width - MinimumWidth(*neighbour);
  if (highest < lowest) return false;
  const double newWidth = std::clamp(width, lowest, highest);
  if (newWidth == column.Width) return false;
  const double pair = column.Width + neighbour->Width;
  column.Width = newWidth;
  neighbour->Width = pair - newWidth;
  RescaleSubColumns(column);
  RescaleSubColumns(*neighbour);
  return true;
}

void FitColumnsToWidth(const std::vector<std::unique_ptr<TTableItem>>& columns, double width) {
  std::vector<double> current;
  std::vector<double> minimums;
  for (const auto& column : columns) {
    minimums.push_back(MinimumWidth(*column));
    current.push_back(std::max(column->Width, minimums.back()));
  }
  const std::vector<double> widths = DistributeWidth(current, minimums, width);
  for (std::size_t i = 0; i < widths.size(); ++i) SetColumnWidth(*columns[i], widths[i]);
}

}  // namespace quillon
