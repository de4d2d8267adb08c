#include "device/parameter_widths.h"

#include <array>
#include <charconv>
#include <utility>

#include "platform/profile.h"
#include "text/items.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

using WidthField = double ParameterColumnWidths::*;

constexpr std::array<std::pair<const char*, WidthField>, 6> kWidthKeys{{
    {"p0w", &ParameterColumnWidths::parameterGroup},
    {"p1w", &ParameterColumnWidths::baseGroup},
    {"p0m0", &ParameterColumnWidths::number},
    {"p0m1", &ParameterColumnWidths::name},
    {"p1m0", &ParameterColumnWidths::baseHex},
    {"p2m0", &ParameterColumnWidths::controllerHex},
}};

double StoredWidth(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  int value = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (error != std::errc() || end != trimmed.data() + trimmed.size() || value <= 0) return 0;
  return value;
}

}  // namespace

bool ParameterColumnWidths::Complete() const {
  for (const auto& [key, field] : kWidthKeys) {
    if (this->*field <= 0) return false;
  }
  return true;
}

ParameterColumnWidths ReadParameterColumnWidths(const std::string& settingsFile) {
  ParameterColumnWidths widths;
  for (const auto& [key, field] : kWidthKeys) {
    widths.*field = StoredWidth(ReadProfileString(settingsFile, kSettingsSection, key));
  }
  return widths;
}

void WriteParameterColumnWidths(const std::string& settingsFile, const ParameterColumnWidths& widths) {
  for (const auto& [key, field] : kWidthKeys) {
    if (widths.*field > 0) WriteSetting(settingsFile, key, RoundedWidthText(widths.*field));
  }
}

}  // namespace quillon
