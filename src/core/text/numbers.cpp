#include "text/numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace quillon {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string IntegerError(std::string_view text) {
  return "'" + std::string(text) + "' не является допустимым целым значением";
}

std::string RealError(std::string_view text) {
  return "'" + std::string(text) + "' не является допустимым значением с плавающей точкой";
}

}  // namespace

std::optional<std::int64_t> TryReadInteger(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  bool hex = false;
  if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
    hex = true;
    ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }
  if (pos >= text.size()) return std::nullopt;
  std::uint64_t value = 0;
  if (hex) {
    std::size_t digits = 0;
    for (; pos < text.size(); ++pos) {
      const int d = HexValue(text[pos]);
      if (d < 0) return std::nullopt;
      // Leading zeros do not count towards the 16-digit limit.
      if (value != 0 || d != 0) ++digits;
      if (digits > 16) return std::nullopt;
      value = (value << 4) | static_cast<std::uint64_t>(d);
    }
    const auto bits = static_cast<std::int64_t>(value);
    return negative ? static_cast<std::int64_t>(0 - value) : bits;
  }
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c < '0' || c > '9') return std::nullopt;
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (value > (limit - d) / 10) return std::nullopt;
    value = value * 10 + d;
  }
  if (negative) return static_cast<std::int64_t>(0 - value);
  return static_cast<std::int64_t>(value);
}

std::int64_t ReadInteger(std::string_view text) {
  if (auto value = TryReadInteger(text)) return *value;
  throw ConversionError(IntegerError(text));
}

std::optional<double> TryReadReal(std::string_view text) {
  std::string s(text);
  if (auto dot = s.find('.'); dot != std::string::npos) s[dot] = ',';
  std::size_t pos = 0;
  while (pos < s.size() && IsBlank(s[pos])) ++pos;
  std::string plain;  // the number in the C locale's spelling for strtod
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) plain += s[pos++];
  std::size_t digits = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
    plain += s[pos++];
    ++digits;
  }
  if (pos < s.size() && s[pos] == ',') {
    plain += '.';
    ++pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      plain += s[pos++];
      ++digits;
    }
  }
  if (digits == 0) return std::nullopt;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    plain += 'e';
    ++pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) plain += s[pos++];
    std::size_t exponentDigits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      plain += s[pos++];
      ++exponentDigits;
    }
    if (exponentDigits == 0) return std::nullopt;
  }
  while (pos < s.size() && IsBlank(s[pos])) ++pos;
  if (pos != s.size()) return std::nullopt;
  errno = 0;
  const double value = std::strtod(plain.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

double ReadReal(std::string_view text) {
  if (auto value = TryReadReal(text)) return *value;
  throw ConversionError(RealError(text));
}

std::string FormatFixed(double value, int decimals, bool strip) {
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text(buffer);
  if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos) {
    text.erase(0, 1);
  }
  if (auto dot = text.find('.'); dot != std::string::npos) text[dot] = ',';
  if (strip && text.find(',') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == ',') text.pop_back();
  }
  return text;
}

std::string HexDigits(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (digits <= 0) return {};
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0 && (digits - 1 - i) < 16; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return text;
}

double RoundHalfEven(double value) {
  // nearbyint rounds in the current mode, which is round-to-nearest-even unless changed.
  return std::nearbyint(value);
}

}  // namespace quillon
