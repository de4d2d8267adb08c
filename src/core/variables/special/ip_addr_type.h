#pragma once
// TIPAddr: an IPv4 address in a double word, shown most significant byte (the byte at the
// highest address) first.
#include <cstdint>
#include <string>

#include "variables/integer_types.h"

namespace quillon {

class TIPAddr : public TDWORD {
 public:
  TIPAddr() : TDWORD("TIPAddr") {}

  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override;
  // "=a.b.c.d" gives the address with a as its most significant byte (a part that is no
  // integer is a ConversionError); any other entry is read as a double word.
  std::uint32_t ParseInput(std::string& text) override;
};

// "a.b.c.d" of a 32-bit value, a being its most significant byte.
std::string DottedAddressText(std::uint32_t value);

}  // namespace quillon
