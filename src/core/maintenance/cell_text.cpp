#include "maintenance/cell_text.h"

#include <algorithm>
#include <cstdint>

namespace quillon {
namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Whether an escape "_xHHHH_" starts at `pos`.
bool IsEscapeAt(std::string_view text, std::size_t pos) {
  if (pos + 7 > text.size() || text[pos] != '_' || text[pos + 1] != 'x' || text[pos + 6] != '_') return false;
  for (std::size_t i = pos + 2; i < pos + 6; ++i) {
    if (!IsHexDigit(text[i])) return false;
  }
  return true;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Decodes one well-formed UTF-8 character at `pos`; its length, or 0 when malformed.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(pos + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsXmlCharacter(std::uint32_t code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
}

}  // namespace

StoredCellText EncodeCellText(std::string_view utf8) {
  StoredCellText stored;
  std::string& out = stored.text;
  out.reserve(std::min(utf8.size(), 4 * kMaxCellTextLength));
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::uint32_t code = 0;
    const std::size_t length = DecodeUtf8(utf8, pos, code);
    if (length == 0) {
      ++pos;
      continue;
    }
    if (IsXmlCharacter(code)) {
      units += code >= 0x10000 ? 2 : 1;
      if (units > kMaxCellTextLength) {
        stored.clipped = true;
        break;
      }
      if (IsEscapeAt(utf8, pos)) out += "_x005F";
      out.append(utf8.substr(pos, length));
    }
    pos += length;
  }
  return stored;
}

std::string DecodeCellText(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  std::size_t pos = 0;
  while (pos < stored.size()) {
    if (IsEscapeAt(stored, pos)) {
      const auto code = static_cast<std::uint32_t>(std::stoul(std::string(stored.substr(pos + 2, 4)), nullptr, 16));
      if (code < 0xD800 || code > 0xDFFF) {
        AppendUtf8(code, out);
        pos += 7;
        continue;
      }
    }
    out += stored[pos++];
  }
  return out;
}

}  // namespace quillon
