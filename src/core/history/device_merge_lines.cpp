#include "history/device_merge_lines.h"

#include <utility>

#include "text/cp1251.h"
#include "text/items.h"

namespace quillon::device_merge {
namespace {

bool IsHeader(std::string_view trimmed) {
  return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.find(']') != npos;
}

std::string_view HeaderName(std::string_view trimmed) { return TrimmedBytes(trimmed.substr(1, trimmed.find(']') - 1)); }

std::vector<RawLine> SplitLines(std::string_view bytes) {
  std::vector<RawLine> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t newline = bytes.find('\n', start);
    if (newline == npos) {
      lines.push_back({bytes.substr(start), {}});
      break;
    }
    std::size_t textEnd = newline;
    if (textEnd > start && bytes[textEnd - 1] == '\r') --textEnd;
    lines.push_back({bytes.substr(start, textEnd - start), bytes.substr(textEnd, newline + 1 - textEnd)});
    start = newline + 1;
  }
  return lines;
}

std::string NewLineEnd(const std::vector<RawLine>& lines) {
  bool lf = false;
  for (const auto& line : lines) {
    if (line.eol == "\r\n") return "\r\n";
    lf = lf || line.eol == "\n";
  }
  return lf ? "\n" : "\r\n";
}

// Sorts one line into its section the way the readers do: comments and lines without "=" are
// no keys, and only the first line of a key counts.
void AddLine(RawSection& section, std::string_view trimmed, std::size_t index, std::size_t& lastKey) {
  if (trimmed.empty()) return;
  section.lastContent = index;
  const std::size_t eq = trimmed.find('=');
  if (section.header == npos || trimmed.front() == ';' || eq == npos) {
    section.others.push_back({trimmed, index});
    return;
  }
  std::string id = NameId(trimmed.substr(0, eq));
  lastKey = index;
  if (section.FindKey(id) != nullptr) return;
  section.keys.push_back({std::move(id), TrimmedBytes(trimmed.substr(eq + 1)), index});
}

void FinishSection(RawFile& file, RawSection& section, std::size_t end, std::size_t lastKey) {
  section.end = end;
  if (lastKey != npos) {
    section.insertAt = lastKey + 1;
  } else if (section.lastContent != npos) {
    section.insertAt = section.lastContent + 1;
  } else {
    section.insertAt = section.header == npos ? 0 : section.header + 1;
  }
  if (file.Find(section.id) == nullptr) file.sections.push_back(std::move(section));
}

}  // namespace

std::string_view TrimmedBytes(std::string_view text) { return TrimmedView(text); }

std::string NameId(std::string_view raw) { return LowerCaseText(Cp1251ToUtf8(TrimmedBytes(raw))); }

const KeyLine* RawSection::FindKey(std::string_view id) const {
  for (const auto& key : keys) {
    if (key.id == id) return &key;
  }
  return nullptr;
}

const RawSection* RawFile::Find(std::string_view id) const {
  for (const auto& section : sections) {
    if (section.id == id) return &section;
  }
  return nullptr;
}

RawFile ParseRawFile(std::string_view bytes) {
  RawFile file;
  file.lines = SplitLines(bytes);
  file.eol = NewLineEnd(file.lines);
  RawSection current;
  current.id = kPreambleId;
  std::size_t lastKey = npos;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    const std::string_view trimmed = TrimmedBytes(file.lines[i].text);
    if (!IsHeader(trimmed)) {
      AddLine(current, trimmed, i, lastKey);
      continue;
    }
    FinishSection(file, current, i, lastKey);
    current = RawSection{};
    const std::string_view name = HeaderName(trimmed);
    current.id = NameId(name);
    current.name = Cp1251ToUtf8(name);
    current.header = i;
    current.lastContent = i;
    lastKey = npos;
  }
  FinishSection(file, current, file.lines.size(), lastKey);
  return file;
}

LineEdits::LineEdits(const RawFile& file)
    : file_(file),
      replaced_(file.lines.size()),
      isReplaced_(file.lines.size(), false),
      erased_(file.lines.size(), false),
      inserted_(file.lines.size() + 1) {}

void LineEdits::Replace(std::size_t line, std::string text) {
  replaced_[line] = std::move(text);
  isReplaced_[line] = true;
}

void LineEdits::Erase(std::size_t line) { erased_[line] = true; }

void LineEdits::InsertBefore(std::size_t index, std::string text) { inserted_[index].push_back(std::move(text)); }

void LineEdits::Append(std::string text) { appended_.push_back(std::move(text)); }

std::vector<RawLine> LineEdits::Output() const {
  std::vector<RawLine> out;
  const std::string_view eol = file_.eol;
  for (std::size_t i = 0; i <= file_.lines.size(); ++i) {
    for (const auto& text : inserted_[i]) out.push_back({text, eol});
    if (i == file_.lines.size() || erased_[i]) continue;
    out.push_back({isReplaced_[i] ? std::string_view(replaced_[i]) : file_.lines[i].text, file_.lines[i].eol});
  }
  for (const auto& text : appended_) out.push_back({text, eol});
  return out;
}

bool LineEdits::EndsBlank() const {
  const auto out = Output();
  return out.empty() || TrimmedBytes(out.back().text).empty();
}

std::string LineEdits::Bytes() const {
  const auto out = Output();
  std::string bytes;
  for (std::size_t i = 0; i < out.size(); ++i) {
    bytes += out[i].text;
    // A last line without a line end keeps it that way, unless lines now follow it.
    bytes += out[i].eol.empty() && i + 1 < out.size() ? std::string_view(file_.eol) : out[i].eol;
  }
  return bytes;
}

}  // namespace quillon::device_merge
