#include "maintenance/cell_content.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "maintenance/cell_text.h"
#include "maintenance/xml_part.h"

namespace quillon {
namespace {

std::string NumberText(double number) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return std::string(buffer, result.ptr);
}

void RemoveAllButStyle(pugi::xml_node cell) {
  for (pugi::xml_attribute attribute = cell.first_attribute(); attribute;) {
    const pugi::xml_attribute next = attribute.next_attribute();
    if (std::string_view(attribute.name()) != "s" && std::string_view(attribute.name()) != "r") {
      cell.remove_attribute(attribute);
    }
    attribute = next;
  }
  cell.remove_children();
}

}  // namespace

std::optional<CellValue> CellElementValue(pugi::xml_node cell, const SharedStrings& strings) {
  const std::string_view type = cell.attribute("t").value();
  if (type == "inlineStr") {
    const pugi::xml_node item = FirstChild(cell, "is");
    if (!item) return std::nullopt;
    return StringItemText(item);
  }
  const pugi::xml_node valueElement = FirstChild(cell, "v");
  if (!valueElement) return std::nullopt;
  const std::string_view value = valueElement.text().get();
  if (type == "s") {
    const std::string* text = strings.Text(value);
    if (!text) return std::nullopt;
    return *text;
  }
  if (type == "str") return DecodeCellText(value);
  if (type == "e" || type == "d") return std::string(value);
  if (type == "b") return value == "1" || value == "true" ? 1.0 : 0.0;
  double number = 0;
  std::string_view digits = value;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

bool SetCellElementValue(pugi::xml_node cell, const CellValue& value, const std::string& prefix) {
  if (const auto* number = std::get_if<double>(&value)) {
    RemoveAllButStyle(cell);
    if (std::isfinite(*number)) {
      cell.append_child((prefix + "v").c_str()).text().set(NumberText(*number).c_str());
    } else {
      // A sheet has no infinities or NaN; Excel shows the error a formula would give.
      cell.append_attribute("t") = "e";
      cell.append_child((prefix + "v").c_str()).text().set("#NUM!");
    }
    return false;
  }
  const StoredCellText stored = EncodeCellText(std::get<std::string>(value));
  RemoveAllButStyle(cell);
  if (stored.text.empty()) return stored.clipped;
  cell.append_attribute("t") = "inlineStr";
  pugi::xml_node t = cell.append_child((prefix + "is").c_str()).append_child((prefix + "t").c_str());
  t.append_attribute("xml:space") = "preserve";
  t.text().set(stored.text.c_str());
  return stored.clipped;
}

void ClearCellElementValue(pugi::xml_node cell) { RemoveAllButStyle(cell); }

bool IsBareCellElement(pugi::xml_node cell) {
  for (pugi::xml_attribute attribute : cell.attributes()) {
    if (std::string_view(attribute.name()) != "r") return false;
  }
  return !cell.first_child();
}

}  // namespace quillon
