#include "text/cp1251_checked.h"

#include <algorithm>

#include "text/cp1251.h"

namespace quillon {

namespace {

// Bytes of the UTF-8 sequence a lead byte starts; 1 for a byte that starts none, which the
// round trip below then finds wrong.
std::size_t SequenceLength(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::optional<std::string> FirstCharacterOutsideCp1251(std::string_view utf8) {
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    const std::string_view character = utf8.substr(pos, length);
    // A character the code page holds comes back as it went; "?" stands for anything else.
    if (Cp1251ToUtf8(Utf8ToCp1251(character)) != character) return std::string(character);
    pos += length;
  }
  return std::nullopt;
}

std::optional<std::string> Utf8ToCp1251Exact(std::string_view utf8) {
  if (FirstCharacterOutsideCp1251(utf8)) return std::nullopt;
  return Utf8ToCp1251(utf8);
}

}  // namespace quillon
