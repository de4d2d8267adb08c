#include "maintenance/worksheet.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "maintenance/area_reference.h"
#include "maintenance/cell_address.h"
#include "maintenance/cell_content.h"
#include "maintenance/xml_part.h"

namespace quillon {
namespace {

// The elements a worksheet may hold before its merged areas, in the order the schema fixes;
// Excel refuses a part whose elements are out of order.
constexpr std::array<std::string_view, 9> kBeforeMergeCells = {
    "sheetData",  "sheetCalcPr", "sheetProtection", "protectedRanges", "scenarios",
    "autoFilter", "sortState",   "dataConsolidate", "customSheetViews"};

bool IsTrue(std::string_view value) { return value == "1" || value == "true"; }

std::optional<int> IntegerAttribute(pugi::xml_node node, const char* name) {
  const std::string_view text = node.attribute(name).value();
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

Worksheet::Worksheet(std::unique_ptr<pugi::xml_document> part, int index, std::string bookPath)
    : part_(std::move(part)), index_(index), bookPath_(std::move(bookPath)) {
  const pugi::xml_node root = part_->document_element();
  prefix_ = PrefixOf(root);
  pugi::xml_node sheetData = FirstChild(root, "sheetData");
  if (!HasLocalName(root, "worksheet") || !sheetData) {
    throw WorkbookError("Файл " + bookPath_ + " повреждён: лист " + std::to_string(index + 1) + " не содержит ячеек");
  }
  LoadRows(sheetData);
  sheetData.remove_children();
  LoadMerges(root);
}

WorkbookError Worksheet::OffSheet() const {
  return WorkbookError("Вставка ячеек в книге " + bookPath_ + " вытеснила бы ячейки за последнюю строку листа");
}

void Worksheet::LoadRows(pugi::xml_node sheetData) {
  const auto damaged = [&](std::string_view what) {
    return WorkbookError("Файл " + bookPath_ + " повреждён: адрес вне листа («" + std::string(what) + "»)");
  };
  int previousRow = 0;
  for (pugi::xml_node rowElement : sheetData.children()) {
    if (!HasLocalName(rowElement, "row")) continue;
    // Rows and cells without a number follow the previous one, as the schema allows.
    int number = previousRow + 1;
    if (const pugi::xml_attribute r = rowElement.attribute("r")) {
      const auto parsed = ParseRowNumber(r.value());
      if (!parsed) throw damaged(r.value());
      number = *parsed;
    }
    if (number > kMaxSheetRows) throw damaged(std::to_string(number));
    previousRow = number;
    SheetRow& row = rows_.Obtain(number);
    for (pugi::xml_attribute attribute : rowElement.attributes()) {
      const std::string name = attribute.name();
      if (name == "r" || name == "spans") continue;
      const bool known = std::any_of(row.attributes.begin(), row.attributes.end(),
                                     [&](const auto& existing) { return existing.first == name; });
      if (!known) row.attributes.emplace_back(name, attribute.value());
    }
    int previousColumn = 0;
    for (pugi::xml_node cellElement : rowElement.children()) {
      if (!HasLocalName(cellElement, "c")) continue;
      int column = previousColumn + 1;
      if (const pugi::xml_attribute r = cellElement.attribute("r")) {
        const auto parsed = ParseCellName(r.value());
        if (!parsed) throw damaged(r.value());
        column = parsed->column;
      }
      if (column > kMaxSheetColumns) throw damaged(std::to_string(column));
      previousColumn = column;
      pugi::xml_node stored = cells_->append_copy(cellElement);
      stored.remove_attribute("r");
      NoteColumn(column);
      auto [it, inserted] = row.cells.emplace(column, stored);
      if (!inserted) {
        cells_->remove_child(it->second);
        it->second = stored;
      }
    }
  }
}

void Worksheet::LoadMerges(pugi::xml_node root) {
  pugi::xml_node mergeCells = FirstChild(root, "mergeCells");
  if (!mergeCells) return;
  for (pugi::xml_node mergeCell : mergeCells.children()) {
    if (!HasLocalName(mergeCell, "mergeCell")) continue;
    // An area that cannot be read merges nothing Excel would show; it is left out.
    const auto area = ParseAreaReference(mergeCell.attribute("ref").value());
    if (!area || area->kind != AreaReference::Kind::Cells || !area->sheetPrefix.empty()) continue;
    merges_.push_back(CellRange{index_, area->first, area->last});
  }
  mergeCells.remove_children();
}

pugi::xml_node Worksheet::FindCell(CellRef cell) const {
  const SheetRow* row = rows_.Find(cell.row);
  if (!row) return {};
  const auto found = row->cells.find(cell.column);
  return found == row->cells.end() ? pugi::xml_node() : found->second;
}

std::optional<std::string> Worksheet::InheritedStyle(CellRef cell) const {
  if (const SheetRow* row = rows_.Find(cell.row)) {
    const auto& attributes = row->attributes;
    const auto find = [&](std::string_view name) {
      return std::find_if(attributes.begin(), attributes.end(), [&](const auto& a) { return a.first == name; });
    };
    const auto customFormat = find("customFormat");
    const auto style = find("s");
    if (customFormat != attributes.end() && IsTrue(customFormat->second) && style != attributes.end()) {
      return style->second;
    }
  }
  for (pugi::xml_node column : FirstChild(part_->document_element(), "cols").children()) {
    if (!HasLocalName(column, "col")) continue;
    const auto min = IntegerAttribute(column, "min");
    const auto max = IntegerAttribute(column, "max");
    if (min && max && *min <= cell.column && cell.column <= *max && column.attribute("style")) {
      return std::string(column.attribute("style").value());
    }
  }
  return std::nullopt;
}

pugi::xml_node Worksheet::CellForWriting(CellRef cell) {
  if (pugi::xml_node existing = FindCell(cell)) return existing;
  // A new cell shows the format of its row or column, as a cell typed into in Excel does.
  const std::optional<std::string> style = InheritedStyle(cell);
  pugi::xml_node created = cells_->append_child((prefix_ + "c").c_str());
  if (style && *style != "0") created.append_attribute("s") = style->c_str();
  rows_.Obtain(cell.row).cells.emplace(cell.column, created);
  NoteColumn(cell.column);
  return created;
}

void Worksheet::Tidy(CellRef cell) {
  SheetRow* row = rows_.Find(cell.row);
  if (!row) return;
  const auto found = row->cells.find(cell.column);
  if (found != row->cells.end() && IsBareCellElement(found->second)) {
    cells_->remove_child(found->second);
    row->cells.erase(found);
  }
  rows_.EraseIfEmpty(cell.row);
}

void Worksheet::DropEmptyRows(int firstRow, int lastRow) {
  for (auto it = rows_.LowerBound(firstRow); it != rows_.end() && it->number <= lastRow;) {
    if (it->row->Empty()) {
      it = rows_.Erase(it);
    } else {
      ++it;
    }
  }
}

std::optional<CellValue> Worksheet::Value(CellRef cell, const SharedStrings& strings) const {
  const pugi::xml_node element = FindCell(cell);
  if (!element) return std::nullopt;
  return CellElementValue(element, strings);
}

bool Worksheet::SetValue(CellRef cell, const CellValue& value) {
  const bool clipped = SetCellElementValue(CellForWriting(cell), value, prefix_);
  Tidy(cell);
  changed_ = true;
  return clipped;
}

void Worksheet::ClearValues(int row, int firstColumn, int lastColumn) {
  SheetRow* found = rows_.Find(row);
  if (!found) return;
  auto& cells = found->cells;
  for (auto it = cells.lower_bound(firstColumn); it != cells.end() && it->first <= lastColumn;) {
    ClearCellElementValue(it->second);
    if (IsBareCellElement(it->second)) {
      cells_->remove_child(it->second);
      it = cells.erase(it);
    } else {
      ++it;
    }
  }
  rows_.EraseIfEmpty(row);
  changed_ = true;
}

std::optional<double> Worksheet::RowHeight(int row) const {
  const SheetRow* found = rows_.Find(row);
  if (!found) return std::nullopt;
  for (const auto& [name, value] : found->attributes) {
    if (name != "ht") continue;
    double height = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), height);
    if (error == std::errc() && end == value.data() + value.size()) return height;
  }
  return std::nullopt;
}

std::string Worksheet::Serialize() const {
  pugi::xml_document out;
  out.reset(*part_);
  pugi::xml_node root = out.document_element();
  WriteRows(FirstChild(root, "sheetData"));
  WriteMerges(root);
  if (pugi::xml_node dimension = FirstChild(root, "dimension")) {
    int top = 0, bottom = 0, left = kMaxSheetColumns + 1, right = 0;
    for (const auto& [number, row] : rows_) {
      if (row->cells.empty()) continue;
      if (top == 0) top = number;
      bottom = number;
      left = std::min(left, row->cells.FirstColumn());
      right = std::max(right, row->cells.LastColumn());
    }
    const CellRange used = top == 0 ? CellRange{} : CellRange{index_, {top, left}, {bottom, right}};
    const std::string ref =
        used.first == used.last ? CellName(used.first) : CellName(used.first) + ":" + CellName(used.last);
    if (!dimension.attribute("ref")) dimension.append_attribute("ref");
    dimension.attribute("ref").set_value(ref.c_str());
  }
  return SerializeXmlPart(out);
}

void Worksheet::WriteRows(pugi::xml_node sheetData) const {
  const std::string rowName = prefix_ + "row";
  for (const auto& [number, row] : rows_) {
    pugi::xml_node rowElement = sheetData.append_child(rowName.c_str());
    rowElement.append_attribute("r") = number;
    for (const auto& [name, value] : row->attributes) rowElement.append_attribute(name.c_str()) = value.c_str();
    for (const auto& [column, cell] : row->cells) {
      pugi::xml_node written = rowElement.append_copy(cell);
      written.prepend_attribute("r") = CellName({number, column}).c_str();
    }
  }
}

void Worksheet::WriteMerges(pugi::xml_node root) const {
  pugi::xml_node mergeCells = FirstChild(root, "mergeCells");
  if (merges_.empty()) {
    if (mergeCells) root.remove_child(mergeCells);
    return;
  }
  if (!mergeCells) {
    pugi::xml_node after;
    for (pugi::xml_node child : root.children()) {
      const std::string_view local = LocalName(child.name());
      if (child.type() == pugi::node_element &&
          std::find(kBeforeMergeCells.begin(), kBeforeMergeCells.end(), local) != kBeforeMergeCells.end()) {
        after = child;
      }
    }
    mergeCells = root.insert_child_after((prefix_ + "mergeCells").c_str(), after);
  }
  if (!mergeCells.attribute("count")) mergeCells.append_attribute("count");
  mergeCells.attribute("count").set_value(static_cast<unsigned long long>(merges_.size()));
  const std::string mergeName = prefix_ + "mergeCell";
  for (const auto& merge : merges_) {
    const std::string ref = CellName(merge.first) + ":" + CellName(merge.last);
    mergeCells.append_child(mergeName.c_str()).append_attribute("ref") = ref.c_str();
  }
}

}  // namespace quillon
