#include "variables/scale_table.h"

#include <cmath>
#include <cstdio>

#include "text/cp1251.h"
#include "text/items.h"
#include "text/numbers.h"

namespace quillon {

std::string ScaleLineName(std::string_view line) {
  return Trimmed(line.substr(0, line.find('=')));
}

std::string ScaleLineValue(std::string_view line) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return {};
  return Trimmed(line.substr(equals + 1));
}

std::optional<std::string> ScaleTable::Value(std::string_view name) const {
  for (const auto& line : Lines) {
    if (SameTextIgnoringCase(ScaleLineName(line), name)) return ScaleLineValue(line);
  }
  return std::nullopt;
}

void ScaleTable::SetValue(std::string_view name, std::string_view value) {
  std::string line = std::string(name) + "=" + std::string(value);
  for (auto& existing : Lines) {
    if (SameTextIgnoringCase(ScaleLineName(existing), name)) {
      existing = std::move(line);
      return;
    }
  }
  Lines.push_back(std::move(line));
}

std::string ChoiceValue(std::string_view value, bool keyMode) {
  const std::vector<std::string> parts = SplitItems(value);
  const std::string& selected = parts.back();
  if (keyMode) return selected;
  for (std::size_t i = parts.size() - 1; i-- > 0;) {
    const std::vector<std::string> option = SplitItems(parts[i], '#');
    if (option[0] == selected) return option.size() > 2 ? option[2] : std::string();
  }
  return std::string(value);
}

std::string ScaleTable::Resolve(std::string_view reference, bool keyMode) const {
  const auto op = reference.find_last_of("%*");
  const std::string_view name = op == std::string_view::npos ? reference : reference.substr(0, op);
  const std::string value = Value(name).value_or(std::string());

  std::string result = TryReadReal(value) ? value : ChoiceValue(value, keyMode);
  if (op == std::string_view::npos) return result;

  const auto k = TryReadReal(reference.substr(op + 1));
  const auto number = TryReadReal(result);
  if (!k || !number) return {};
  const double computed = reference[op] == '%' ? *number / *k : *k * *number;
  if (!std::isfinite(computed)) return {};
  return GeneralNumberText(computed);
}

std::string GeneralNumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text(buffer);
  if (auto dot = text.find('.'); dot != std::string::npos) text[dot] = ',';
  return text;
}

double EvaluateScale(const ScaleTable* table, std::string_view item, double fallback) {
  if (auto value = TryReadReal(item)) return *value;
  if (table == nullptr) return fallback;
  return TryReadReal(table->Resolve(item, false)).value_or(fallback);
}

std::int64_t EvaluateOffset(const ScaleTable* table, std::string_view item, std::int64_t fallback) {
  if (auto value = TryReadInteger(item)) return *value;
  if (table == nullptr) return fallback;
  return TryReadInteger(table->Resolve(item, false)).value_or(fallback);
}

}  // namespace quillon
