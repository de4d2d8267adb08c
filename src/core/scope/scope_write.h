#pragma once
// Writing one value from a scope window: what the command line asks for, the word a bit
// writes back, and the write frame to the settings' memory area or register.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/device_parameters.h"
#include "scope/base_property.h"

namespace quillon {

class Prompt;

class TView;
class TViewList;

// The word a TBit writes back: the current word at its data (1, 2 or 4 bytes as the address
// step says; bytes outside the image read as 0) with its mask set or cleared.
std::uint32_t BitWriteWord(const TView& bit, int addressStep, bool set);

struct CommandLineValue {
  TView* variable = nullptr;
  std::uint32_t raw = 0;
};

// "name=value" typed into the command line: the named variable and the raw value it parses the
// value into (for a TBit the whole word it writes back). Nothing when there is no "=", no such
// variable, or the variable refuses the value (which `prompt` is told).
std::optional<CommandLineValue> ParseCommandLine(TViewList& list, std::string_view text, Prompt& prompt);

// The write of `raw` to the device: QuBUS to the settings' memory area at the variable's
// address with its size (least significant byte first), MODBUS to its register at the
// settings' slave address, a one-byte variable widened to its whole register with its
// neighbour from `image`. Nothing for a variable without a device address; throws
// std::runtime_error for one that cannot be written in one frame.
std::optional<LinkFrame> BuildScopeWrite(const TView& variable, std::uint32_t raw, const TBaseProperty& settings,
                                         std::span<const std::uint8_t> image);

}  // namespace quillon
