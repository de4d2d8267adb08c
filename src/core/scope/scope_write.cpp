#include "scope/scope_write.h"

#include <algorithm>
#include <vector>

#include "device/cell_commit.h"
#include "link/link_check.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

std::uint32_t BitWriteWord(const TView& bit, int addressStep, bool set) {
  const std::size_t width = addressStep == 2 || addressStep == 4 ? static_cast<std::size_t>(addressStep) : 1;
  std::uint32_t word = 0;
  if (bit.DataPtr != nullptr) {
    const std::size_t available = std::min(width, bit.DataLimit);
    for (std::size_t i = 0; i < available; ++i) word |= static_cast<std::uint32_t>(bit.DataPtr[i]) << (8 * i);
  }
  return set ? word | bit.Definition().Mask : word & ~bit.Definition().Mask;
}

std::optional<CommandLineValue> ParseCommandLine(TViewList& list, std::string_view text, Prompt& prompt) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  TView* variable = list.FindVariable(text.substr(0, equals));
  if (variable == nullptr) return std::nullopt;
  std::string entry(text.substr(equals));
  const std::uint32_t raw = ParseTypedEntry(*variable, entry, prompt);
  if (entry == "Error") return std::nullopt;
  if (variable->Kind() == ViewKind::Bit)
    return CommandLineValue{variable, BitWriteWord(*variable, list.AddressStep, raw != 0)};
  return CommandLineValue{variable, raw};
}

std::optional<LinkFrame> BuildScopeWrite(const TView& variable, std::uint32_t raw, const TBaseProperty& settings,
                                         std::span<const std::uint8_t> image) {
  if (variable.Definition().NoAddress) return std::nullopt;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max(variable.Definition().Size, 1)), 0);
  for (std::size_t i = 0; i < data.size() && i < 4; ++i) data[i] = static_cast<std::uint8_t>(raw >> (8 * i));
  LinkFieldTexts fields;
  fields.protocol = settings.Protocol;
  fields.address = settings.SlaveAddr;
  return BuildValueWrite(variable, data, fields, image, settings.MemArea);
}

}  // namespace quillon
