#include "table/content_widths.h"

#include <algorithm>
#include <numeric>

namespace quillon {

namespace {

double Sum(const std::vector<double>& values) { return std::accumulate(values.begin(), values.end(), 0.0); }

// Each width min(content, cap) but not below its minimum.
double CappedTotal(const std::vector<double>& contents, const std::vector<double>& minimums, double cap) {
  double total = 0;
  for (std::size_t i = 0; i < contents.size(); ++i) total += std::max(minimums[i], std::min(contents[i], cap));
  return total;
}

// Multiplies the entries so they sum to `target` (equal shares when they sum to nothing).
void ScaleTo(std::vector<double>& values, double target) {
  if (values.empty()) return;
  const double total = Sum(values);
  for (double& value : values) value = total > 0 ? value * target / total : target / static_cast<double>(values.size());
}

// Raises `values` to sum to `target`, sharing what is missing in proportion to `weights`.
void RaiseTo(std::vector<double>& values, const std::vector<double>& weights, double target) {
  const double missing = target - Sum(values);
  if (missing <= 0) return;
  std::vector<double> shares = weights;
  ScaleTo(shares, missing);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] += shares[i];
}

// The needs of the columns without sub-columns below `column`, left to right, with the group
// minimums passed down to them.
void CollectLeafNeeds(const TTableItem& column, const std::function<ColumnNeed(const TTableItem&)>& need,
                      std::vector<ColumnNeed>& leaves) {
  const ColumnNeed own = need(column);
  if (!column.HasSubColumns()) {
    leaves.push_back({std::max(own.content, own.minimum), own.minimum});
    return;
  }
  const std::size_t first = leaves.size();
  for (const auto& child : column.Items()) CollectLeafNeeds(*child, need, leaves);
  std::vector<double> contents;
  std::vector<double> minimums;
  for (std::size_t i = first; i < leaves.size(); ++i) {
    contents.push_back(leaves[i].content);
    minimums.push_back(leaves[i].minimum);
  }
  // A caption wider than the sub-columns' own minimums widens them in proportion to what they
  // show, and they are never narrower than that.
  RaiseTo(minimums, contents, own.minimum);
  for (std::size_t i = first; i < leaves.size(); ++i) {
    leaves[i].minimum = minimums[i - first];
    leaves[i].content = std::max(contents[i - first], leaves[i].minimum);
  }
}

// Gives the columns without sub-columns their widths in order and every group the sum of its
// sub-columns'.
double AssignWidths(TTableItem& column, const std::vector<double>& widths, std::size_t& next) {
  if (!column.HasSubColumns()) {
    column.Width = widths.at(next++);
    return column.Width;
  }
  double total = 0;
  for (const auto& child : column.Items()) total += AssignWidths(*child, widths, next);
  column.Width = total;
  return total;
}

}  // namespace

std::vector<double> FitContentWidths(const std::vector<ColumnNeed>& needs, double available) {
  std::vector<double> contents;
  std::vector<double> minimums;
  for (const ColumnNeed& need : needs) {
    minimums.push_back(std::max(need.minimum, 0.0));
    contents.push_back(std::max(need.content, minimums.back()));
  }
  if (needs.empty() || available <= 0) return contents;

  if (Sum(contents) <= available) {
    ScaleTo(contents, available);
    return contents;
  }

  if (Sum(minimums) >= available) {
    ScaleTo(minimums, available);
    return minimums;
  }

  // The common width the widest are narrowed to: CappedTotal grows with the cap, from the
  // minimums' total (below `available`) at 0 to the contents' total (above it) at the widest.
  double low = 0;
  double high = *std::max_element(contents.begin(), contents.end());
  for (int step = 0; step < 60; ++step) {
    const double middle = (low + high) / 2;
    (CappedTotal(contents, minimums, middle) < available ? low : high) = middle;
  }
  std::vector<double> widths;
  for (std::size_t i = 0; i < contents.size(); ++i)
    widths.push_back(std::max(minimums[i], std::min(contents[i], high)));
  // What the search leaves over (a fraction of a pixel) goes to the widest, which was narrowed.
  *std::max_element(widths.begin(), widths.end()) += available - Sum(widths);
  return widths;
}

void SizeColumnsToContents(TableModel& table, const std::function<ColumnNeed(const TTableItem&)>& need,
                           double available) {
  std::vector<ColumnNeed> leaves;
  for (const auto& column : table.Columns()) CollectLeafNeeds(*column, need, leaves);
  const std::vector<double> widths = FitContentWidths(leaves, available);
  std::size_t next = 0;
  for (const auto& column : table.Columns()) AssignWidths(*column, widths, next);
  table.LayOut();
}

}  // namespace quillon
