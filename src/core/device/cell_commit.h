#pragma once
// What an edit of a value cell of the parameter table does: a base cell changes the stored
// base value (through the ratio for a dependent variable), a controller cell produces the
// bytes to write to the device at once.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_parameters.h"
#include "variables/view.h"

namespace quillon {

// Cell kinds of the parameter table's value columns.
inline constexpr int kBaseHexKind = 3;
inline constexpr int kBasePhysicalKind = 4;
inline constexpr int kControllerHexKind = 5;
inline constexpr int kControllerPhysicalKind = 6;

bool IsBaseKind(int kind);
bool IsControllerKind(int kind);

// A variable whose base value follows another variable's through a ratio.
bool IsDependent(const TView& variable);

// Whether a click on the cell opens an editor. Controller cells of a variable without a cell
// in the controller open none; nor do they while the variable's value has not been read
// (`controllerRead`), because a bit or a byte written through its MODBUS register takes its
// neighbours from the last read.
bool OpensEditor(const TView& variable, int kind, bool controllerRead);

struct CellCommit {
  bool baseChanged = false;
  // The variable refused the text: nothing changed, and the user should hear why
  // (TellRefusedEntry).
  bool refused = false;
  // A dependent variable's entry that gives no ratio (its scale is zero): the ratio is kept and
  // the user should hear why (caption "Предупреждение").
  std::optional<std::string> ratioWarning;
  // Controller cells: the bytes to write, least significant first.
  std::optional<std::vector<std::uint8_t>> write;
};

// Applies the text typed into a cell of `kind`, keeping only the characters that can be part
// of a number (KeepNumberChars; line breaks go too). Text the variable refuses changes nothing.
CellCommit CommitCell(TView& variable, int kind, std::string text);

// "x" and two upper-case hexadecimal digits per byte of the variable.
std::string BaseValueText(const TView& variable, std::uint32_t raw);

// The write of one value: QuBUS to `area` (FLASH for the parameter table) at the variable's
// address, MODBUS to its register at the device address (a one-byte variable as its whole
// register, its neighbour taken from the value buffer). Throws std::runtime_error for a
// variable that cannot be written (no address, outside the buffer, an odd size over MODBUS).
LinkFrame BuildValueWrite(const TView& variable, const std::vector<std::uint8_t>& data, const LinkFieldTexts& fields,
                          std::span<const std::uint8_t> valueBuffer, std::string_view area = "FLASH");

}  // namespace quillon
