#include "maintenance/area_reference.h"

#include <algorithm>

#include "maintenance/cell_address.h"

namespace quillon {
namespace {

// One side of "A1:B2", "5:7" or "A:B"; a missing row or column is 0.
struct Corner {
  int column = 0;
  int row = 0;
  bool columnAbsolute = false;
  bool rowAbsolute = false;
};

std::optional<Corner> ParseCorner(std::string_view text) {
  Corner corner;
  std::size_t pos = 0;
  bool dollar = pos < text.size() && text[pos] == '$';
  if (dollar) ++pos;
  const std::size_t lettersStart = pos;
  while (pos < text.size() && ((text[pos] >= 'A' && text[pos] <= 'Z') || (text[pos] >= 'a' && text[pos] <= 'z'))) ++pos;
  if (pos > lettersStart) {
    const auto column = ParseColumnLetters(text.substr(lettersStart, pos - lettersStart));
    if (!column) return std::nullopt;
    corner.column = *column;
    corner.columnAbsolute = dollar;
    dollar = pos < text.size() && text[pos] == '$';
    if (dollar) ++pos;
  }
  if (pos < text.size()) {
    const auto row = ParseRowNumber(text.substr(pos));
    if (!row) return std::nullopt;
    corner.row = *row;
    corner.rowAbsolute = dollar;
  } else if (dollar || corner.column == 0) {
    return std::nullopt;
  }
  return corner;
}

// Splits "'Sheet 1'!$A$1" into the prefix with its "!" and the rest; the name is unquoted.
bool SplitSheetPrefix(std::string_view text, AreaReference& area, std::string_view& rest) {
  if (!text.empty() && text.front() == '\'') {
    std::string name;
    std::size_t pos = 1;
    for (;;) {
      if (pos >= text.size()) return false;
      if (text[pos] == '\'') {
        if (pos + 1 < text.size() && text[pos + 1] == '\'') {
          name += '\'';
          pos += 2;
          continue;
        }
        break;
      }
      name += text[pos++];
    }
    if (name.empty() || pos + 1 >= text.size() || text[pos + 1] != '!') return false;
    area.sheetName = name;
    area.sheetPrefix = std::string(text.substr(0, pos + 2));
    rest = text.substr(pos + 2);
    return true;
  }
  const std::size_t bang = text.find('!');
  if (bang == std::string_view::npos) {
    rest = text;
    return true;
  }
  const std::string_view name = text.substr(0, bang);
  // Other workbooks ("[1]Sheet1") and sheet spans ("Sheet1:Sheet3") are not areas of this one.
  if (name.empty() || name.find_first_of("[]:' ,()\"") != std::string_view::npos) return false;
  area.sheetName = std::string(name);
  area.sheetPrefix = std::string(text.substr(0, bang + 1));
  rest = text.substr(bang + 1);
  return true;
}

std::string FormatCorner(int column, bool columnAbsolute, int row, bool rowAbsolute) {
  std::string text;
  if (column > 0) {
    if (columnAbsolute) text += '$';
    text += ColumnLetters(column);
  }
  if (row > 0) {
    if (rowAbsolute) text += '$';
    text += std::to_string(row);
  }
  return text;
}

}  // namespace

std::optional<AreaReference> ParseAreaReference(std::string_view text) {
  AreaReference area;
  std::string_view rest;
  if (!SplitSheetPrefix(text, area, rest) || rest.empty()) return std::nullopt;
  const std::size_t colon = rest.find(':');
  const auto a = ParseCorner(rest.substr(0, colon));
  if (!a) return std::nullopt;
  Corner b = *a;
  area.single = colon == std::string_view::npos;
  if (!area.single) {
    const auto parsed = ParseCorner(rest.substr(colon + 1));
    if (!parsed) return std::nullopt;
    b = *parsed;
  }
  const bool aCell = a->column > 0 && a->row > 0;
  const bool bCell = b.column > 0 && b.row > 0;
  if (aCell && bCell) {
    area.kind = AreaReference::Kind::Cells;
  } else if (area.single || aCell || bCell || (a->column > 0) != (b.column > 0)) {
    return std::nullopt;
  } else {
    area.kind = a->column > 0 ? AreaReference::Kind::Columns : AreaReference::Kind::Rows;
  }
  area.absolute = {a->columnAbsolute, a->rowAbsolute, b.columnAbsolute, b.rowAbsolute};
  const auto lowest = [](int x, int y, int whole) { return x == 0 ? whole : std::min(x, y); };
  const auto highest = [](int x, int y, int whole) { return x == 0 ? whole : std::max(x, y); };
  area.first = {lowest(a->row, b.row, 1), lowest(a->column, b.column, 1)};
  area.last = {highest(a->row, b.row, kMaxSheetRows), highest(a->column, b.column, kMaxSheetColumns)};
  return area;
}

std::string FormatAreaReference(const AreaReference& area) {
  const bool rows = area.kind != AreaReference::Kind::Columns;
  const bool columns = area.kind != AreaReference::Kind::Rows;
  std::string text = area.sheetPrefix + FormatCorner(columns ? area.first.column : 0, area.absolute[0],
                                                     rows ? area.first.row : 0, area.absolute[1]);
  if (area.single && area.first == area.last) return text;
  return text + ":" +
         FormatCorner(columns ? area.last.column : 0, area.absolute[2], rows ? area.last.row : 0, area.absolute[3]);
}

std::optional<std::vector<AreaReference>> ParseReferenceList(std::string_view text) {
  std::vector<AreaReference> areas;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t pos = 0; pos <= text.size(); ++pos) {
    if (pos < text.size() && text[pos] == '\'') quoted = !quoted;
    if (pos < text.size() && (quoted || text[pos] != ',')) continue;
    auto area = ParseAreaReference(text.substr(start, pos - start));
    if (!area) return std::nullopt;
    areas.push_back(std::move(*area));
    start = pos + 1;
  }
  return areas;
}

std::string FormatReferenceList(const std::vector<AreaReference>& areas) {
  std::string text;
  for (const auto& area : areas) {
    if (!text.empty()) text += ',';
    text += FormatAreaReference(area);
  }
  return text;
}

}  // namespace quillon
