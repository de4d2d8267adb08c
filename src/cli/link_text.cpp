#include "cli/link_text.h"

#include <cctype>
#include <stdexcept>

#include "text/numbers.h"

namespace quillon::cli {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<std::uint8_t> ParseHexBytes(const Args& args) {
  std::vector<std::uint8_t> bytes;
  for (const auto& arg : args) {
    // Each blank-separated word is one or more whole bytes.
    std::size_t i = 0;
    while (i < arg.size()) {
      if (std::isspace(static_cast<unsigned char>(arg[i]))) {
        ++i;
        continue;
      }
      std::size_t end = i;
      while (end < arg.size() && !std::isspace(static_cast<unsigned char>(arg[end]))) ++end;
      std::string word = arg.substr(i, end - i);
      i = end;
      if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) word.erase(0, 2);
      if (word.size() % 2 != 0) throw std::invalid_argument("\"" + word + "\" is not a whole number of hex bytes");
      for (std::size_t k = 0; k < word.size(); k += 2) {
        const int high = HexValue(word[k]);
        const int low = HexValue(word[k + 1]);
        if (high < 0 || low < 0) throw std::invalid_argument("\"" + word + "\" is not hex bytes");
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
      }
    }
  }
  return bytes;
}

std::string FormatHexBytes(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += HexDigits(bytes[i], 2);
  }
  return text;
}

}  // namespace quillon::cli
