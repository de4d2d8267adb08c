#include "text/items.h"

namespace quillon {

std::vector<std::string> SplitItems(std::string_view text, char separator) {
  std::vector<std::string> items;
  std::string current;
  for (char c : text) {
    if (c == separator) {
      items.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty() || items.empty()) items.push_back(std::move(current));
  return items;
}

std::string JoinItems(const std::vector<std::string>& items, char separator) {
  std::string text;
  for (const auto& item : items) {
    text += item;
    text += separator;
  }
  return text;
}

void KeepChars(std::string& text, std::string_view allowed) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (allowed.find(c) != std::string_view::npos) kept += c;
  }
  text = std::move(kept);
}

void KeepNumberChars(std::string& text) { KeepChars(text, "0123456789abcdefABCDEFxX$-+,."); }

std::string_view TrimmedView(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Trimmed(std::string_view text) { return std::string(TrimmedView(text)); }

}  // namespace quillon
