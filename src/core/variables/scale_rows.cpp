#include "variables/scale_rows.h"

#include "text/items.h"

namespace quillon {

namespace {

struct Option {
  std::string key;
  std::string text;
  std::string value;
  int parts = 1;
};

// key#text#value. A "#" inside the value stays in the value, so nothing after the second "#"
// is lost when the option is written back.
Option OptionOf(std::string_view element) {
  Option option;
  const auto first = element.find('#');
  option.key = std::string(element.substr(0, first));
  if (first == std::string_view::npos) return option;
  const auto second = element.find('#', first + 1);
  option.text = std::string(element.substr(first + 1, second == std::string_view::npos ? second : second - first - 1));
  option.parts = 2;
  if (second == std::string_view::npos) return option;
  option.value = std::string(element.substr(second + 1));
  option.parts = 3;
  return option;
}

}  // namespace

int TScale::SelectedOption() const {
  if (EditKind != ScaleEditKind::ComboBox) return -1;
  for (std::size_t i = 0; i < Keys.size(); ++i) {
    if (Keys[i] == SelectedKey) return static_cast<int>(i);
  }
  return -1;
}

std::string TScale::CellText() const {
  if (EditKind == ScaleEditKind::Edit) return Keys.empty() ? std::string() : Keys.front();
  const int selected = SelectedOption();
  return selected >= 0 ? Texts[static_cast<std::size_t>(selected)] : ValueText();
}

std::string TScale::ValueText() const {
  if (EditKind == ScaleEditKind::Edit) return Keys.empty() ? std::string() : Keys.front();
  std::string value;
  for (std::size_t i = Keys.size(); i-- > 0;) {
    const int parts = i < OptionParts.size() ? OptionParts[i] : 3;
    value += Keys[i];
    // A part that was not there is written only when something was put into it since.
    if (parts >= 2 || !Texts[i].empty() || !Values[i].empty()) value += "#" + Texts[i];
    if (parts >= 3 || !Values[i].empty()) value += "#" + Values[i];
    value += "/";
  }
  return value + SelectedKey + "/";
}

std::string TScale::SetNumber(std::string_view typed) {
  std::string kept(typed);
  KeepNumberChars(kept);
  Keys = {kept};
  return kept;
}

bool TScale::ChooseOption(std::size_t index) {
  if (EditKind != ScaleEditKind::ComboBox || index >= Keys.size()) return false;
  SelectedKey = Keys[index];
  return true;
}

TScale ScaleRowOf(std::string_view line) {
  TScale row;
  row.ScaleName = ScaleLineName(line);
  const std::string value = ScaleLineValue(line);
  if (value.find('/') == std::string::npos) {
    row.Keys = {value};
    return row;
  }
  row.EditKind = ScaleEditKind::ComboBox;
  const std::vector<std::string> elements = SplitItems(value);
  row.SelectedKey = elements.back();
  for (std::size_t i = elements.size() - 1; i-- > 0;) {
    Option option = OptionOf(elements[i]);
    row.Keys.push_back(std::move(option.key));
    row.Texts.push_back(std::move(option.text));
    row.Values.push_back(std::move(option.value));
    row.OptionParts.push_back(option.parts);
  }
  return row;
}

std::vector<TScale> BuildScaleRows(const ScaleTable& table) {
  std::vector<TScale> rows;
  rows.reserve(table.Lines.size());
  for (auto line = table.Lines.rbegin(); line != table.Lines.rend(); ++line) rows.push_back(ScaleRowOf(*line));
  return rows;
}

void ApplyScaleRows(const std::vector<TScale>& rows, ScaleTable& table) {
  table.Clear();
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) table.Add(row->Line());
}

std::string ChoiceItemText(const TScale& row, std::size_t option) {
  if (option >= row.Keys.size()) return {};
  std::string text = row.Keys[option];
  if (!row.Texts[option].empty() || !row.Values[option].empty()) text += " " + row.Texts[option];
  if (!row.Values[option].empty()) text += " " + row.Values[option];
  return text;
}

}  // namespace quillon
