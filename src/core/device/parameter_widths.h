#pragma once
// The parameter table's widths kept in settings.ini: the "Параметр" and "База" groups (p0w,
// p1w) and the columns "PN", "Имя" and the two "hex" (p0m0, p0m1, p1m0, p2m0).
#include <string>

namespace quillon {

// 0 stands for a width that is not stored.
struct ParameterColumnWidths {
  double parameterGroup = 0;
  double baseGroup = 0;
  double number = 0;
  double name = 0;
  double baseHex = 0;
  double controllerHex = 0;

  // Every width is stored.
  bool Complete() const;
};

// A key that is absent, or holds no positive whole number, reads as 0: the table decides that
// width itself (from its contents) instead of taking a default that squeezes the columns.
ParameterColumnWidths ReadParameterColumnWidths(const std::string& settingsFile);

// Writes every width that is not 0, rounded to the nearest integer; a key for a width of 0 is
// left as it is in the file.
void WriteParameterColumnWidths(const std::string& settingsFile, const ParameterColumnWidths& widths);

}  // namespace quillon
