#pragma once
// What a definition line says a variable is: its key, type, names, cell and scale and
// reference items. It is filled while the line is parsed and read-only afterwards; the two
// things that may change it later (a scale-table change re-resolving an offset, a property
// dialog giving a new scale or reference) go through the variable, which owns it.
#include <cstdint>
#include <string>

namespace quillon {

// The roles some types play beyond turning bytes into text: the code that treats a type
// specially asks for its kind, never for its name.
enum class ViewKind {
  Value,          // a number in a cell, drawn as a trend
  Bit,            // one bit of a cell, written by read-modify-write of its register
  Float,          // a 32-bit real, whose raw hex is the whole cell
  ParameterList,  // a value from a named list (the scale text names the list)
  TimeMark,       // the scope window's own row of marks and times; no controller cell
};

struct TViewDefinition {
  std::string Key;
  std::string TypeName;
  std::string Name;
  std::string Description;
  std::string Units;
  std::string ScaleText;
  std::string OffsetText;
  std::string RegisterText;
  // Another variable this one follows ("@" marks a cell that does not exist in the controller).
  std::string DependsOn;
  // Where the variable's bytes lie in the owner's memory image, and its MODBUS register.
  std::uint16_t Address = 0;
  std::uint16_t Register = 0;
  bool HighByte = false;
  std::uint32_t Mask = 1;
  std::int32_t Size = 1;
  // No cell in the controller: the value lives only in the device file.
  bool NotInMemory = false;
  // A word written without an address item.
  bool NoAddress = false;
  float SensorCorrection = 1.0f;

  // A dependency on another variable of the list ("@" is no variable).
  bool HasDependency() const { return !DependsOn.empty() && DependsOn != "@"; }
  // Whether the controller holds a cell for this variable at all.
  bool HasCell() const { return !NotInMemory && !NoAddress; }
};

}  // namespace quillon
