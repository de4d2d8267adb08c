#include "variables/special/ip_addr_type.h"

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"

namespace quillon {

std::string DottedAddressText(std::uint32_t value) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!text.empty()) text += '.';
    text += std::to_string((value >> shift) & 0xFF);
  }
  return text;
}

std::string TIPAddr::ValueTextAt(int index, bool, int) {
  return DottedAddressText(static_cast<std::uint32_t>(SampleAt(index)));
}

std::string TIPAddr::BaseText(const std::string& text) {
  return DottedAddressText(static_cast<std::uint32_t>(ReadInteger(text)));
}

std::uint32_t TIPAddr::ParseInput(std::string& text) {
  const std::vector<std::string> parts = SplitItems(text, '.');
  if (parts.size() != 4 || text.ends_with('.')) return CommonParseInput(text, Scale);
  const auto equals = parts[0].find('=');
  const std::string first = equals == std::string::npos ? parts[0] : parts[0].substr(equals + 1);
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::int64_t part = ReadInteger(i == 0 ? first : parts[i]);
    value = value << 8 | static_cast<std::uint32_t>(part & 0xFF);
  }
  return value;
}

}  // namespace quillon
