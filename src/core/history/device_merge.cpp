#include "history/device_merge.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "history/device_merge_lines.h"
#include "text/cp1251.h"
#include "text/datetime.h"

namespace quillon {
namespace {

using device_merge::KeyLine;
using device_merge::LineEdits;
using device_merge::npos;
using device_merge::RawFile;
using device_merge::RawSection;
using device_merge::TrimmedBytes;

using Value = std::optional<std::string_view>;

// One section as the three versions hold it; nullptr where a version has no such section.
struct SectionSides {
  const RawSection* base;
  const RawSection* ours;
  const RawSection* theirs;
};

// What one side did to a section's other lines, as sorted multisets of their texts.
struct OtherChange {
  std::vector<std::string_view> added;
  std::vector<std::string_view> removed;

  bool Empty() const { return added.empty() && removed.empty(); }
  bool operator==(const OtherChange&) const = default;
};

std::vector<std::string_view> SortedOthers(const RawSection* section) {
  std::vector<std::string_view> texts;
  if (section != nullptr) {
    for (const auto& other : section->others) texts.push_back(other.text);
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

OtherChange ChangeOf(const RawSection* base, const RawSection* side) {
  const auto before = SortedOthers(base);
  const auto after = SortedOthers(side);
  OtherChange change;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(change.added));
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(change.removed));
  return change;
}

Value ValueOf(const KeyLine* key) { return key != nullptr ? Value(key->value) : std::nullopt; }

std::optional<std::string> Shown(Value value) {
  return value ? std::optional<std::string>(Cp1251ToUtf8(*value)) : std::nullopt;
}

std::string KeyName(std::string_view line) { return Cp1251ToUtf8(TrimmedBytes(line.substr(0, line.find('=')))); }

class Merger {
 public:
  Merger(const RawFile& base, const RawFile& ours, const RawFile& theirs)
      : base_(base), ours_(ours), theirs_(theirs), edits_(ours) {}

  DeviceMergeResult Run() {
    for (const auto& section : ours_.sections) {
      MergeSection({base_.Find(section.id), &section, theirs_.Find(section.id)});
    }
    for (const auto& section : base_.sections) {
      if (ours_.Find(section.id) == nullptr) MergeSection({&section, nullptr, theirs_.Find(section.id)});
    }
    for (const auto& section : theirs_.sections) {
      if (ours_.Find(section.id) == nullptr && base_.Find(section.id) == nullptr) AppendSection(section);
    }
    return {edits_.Bytes(), std::move(conflicts_)};
  }

 private:
  void MergeSection(const SectionSides& sides) {
    if (sides.base != nullptr && sides.ours != nullptr && sides.theirs == nullptr && Unchanged(sides)) {
      // Removed by theirs and untouched by us: the whole section goes, its blank lines too.
      for (std::size_t i = sides.ours->header; i < sides.ours->end; ++i) edits_.Erase(i);
      return;
    }
    std::vector<std::string_view> ids;
    for (const RawSection* side : {sides.ours, sides.theirs, sides.base}) {
      if (side == nullptr) continue;
      for (const auto& key : side->keys) {
        if (std::find(ids.begin(), ids.end(), key.id) == ids.end()) ids.push_back(key.id);
      }
    }
    for (const auto id : ids) MergeKey(sides, id);
    MergeOthers(sides);
  }

  // Ours holds the section as the common version did (keys and other lines).
  static bool Unchanged(const SectionSides& sides) {
    if (sides.base->keys.size() != sides.ours->keys.size() || !ChangeOf(sides.base, sides.ours).Empty()) return false;
    return std::all_of(sides.base->keys.begin(), sides.base->keys.end(),
                       [&](const KeyLine& key) { return ValueOf(sides.ours->FindKey(key.id)) == Value(key.value); });
  }

  void MergeKey(const SectionSides& sides, std::string_view id) {
    const KeyLine* base = sides.base != nullptr ? sides.base->FindKey(id) : nullptr;
    const KeyLine* ours = sides.ours != nullptr ? sides.ours->FindKey(id) : nullptr;
    const KeyLine* theirs = sides.theirs != nullptr ? sides.theirs->FindKey(id) : nullptr;
    const Value baseValue = ValueOf(base);
    const Value oursValue = ValueOf(ours);
    const Value theirsValue = ValueOf(theirs);
    if (oursValue == theirsValue) return;
    // A section one side removed cannot take the other side's change of one of its keys, not
    // even a new key: whether the section is still wanted is the engineer's call.
    const bool oursRemoved = sides.base != nullptr && sides.ours == nullptr;
    const bool theirsRemoved = sides.base != nullptr && sides.theirs == nullptr;
    if (theirsValue == baseValue && !theirsRemoved) return;
    if (oursValue == baseValue && !oursRemoved) {
      TakeTheirsKey(*sides.ours, ours, theirs);
      return;
    }
    if (const std::optional<bool> theirsLater = LaterSaveTime(sides, id, oursValue, theirsValue)) {
      if (*theirsLater) TakeTheirsKey(*sides.ours, ours, theirs);
      return;
    }
    DeviceMergeConflict conflict = SectionConflict(sides);
    const KeyLine* named = ours != nullptr ? ours : theirs != nullptr ? theirs : base;
    const RawFile& namedFile = ours != nullptr ? ours_ : theirs != nullptr ? theirs_ : base_;
    conflict.key = KeyName(namedFile.lines[named->line].text);
    conflict.base = Shown(baseValue);
    conflict.ours = Shown(oursValue);
    conflict.theirs = Shown(theirsValue);
    if (ours != nullptr) conflict.oursLines.emplace_back(ours_.lines[ours->line].text);
    if (theirs != nullptr) conflict.theirsLines.emplace_back(theirs_.lines[theirs->line].text);
    conflicts_.push_back(std::move(conflict));
  }

  // Every save writes its time into DEVICE's LastDateTime: two engineers' saves of one file
  // would always conflict there. The later time is the merged file's; nullopt when the key is
  // another or either side's value is not a time.
  static std::optional<bool> LaterSaveTime(const SectionSides& sides, std::string_view id, Value ours, Value theirs) {
    if (sides.ours == nullptr || sides.ours->id != "device" || id != "lastdatetime" || !ours || !theirs)
      return std::nullopt;
    const std::optional<DateTime> oursTime = ParseDateTimeText(TrimmedBytes(*ours));
    const std::optional<DateTime> theirsTime = ParseDateTimeText(TrimmedBytes(*theirs));
    if (!oursTime || !theirsTime) return std::nullopt;
    return *theirsTime > *oursTime;
  }

  void TakeTheirsKey(const RawSection& section, const KeyLine* ours, const KeyLine* theirs) {
    if (theirs == nullptr) {
      if (ours != nullptr) edits_.Erase(ours->line);
      return;
    }
    std::string line(theirs_.lines[theirs->line].text);
    if (ours != nullptr) {
      edits_.Replace(ours->line, std::move(line));
    } else {
      edits_.InsertBefore(section.insertAt, std::move(line));
    }
  }

  void MergeOthers(const SectionSides& sides) {
    const OtherChange theirs = ChangeOf(sides.base, sides.theirs);
    const OtherChange ours = ChangeOf(sides.base, sides.ours);
    if (theirs.Empty() || theirs == ours) return;
    if (ours.Empty() && !(sides.base != nullptr && sides.ours == nullptr)) {
      TakeTheirsOthers(sides, theirs);
      return;
    }
    // Lines known only by their text cannot be paired up when both sides changed them.
    DeviceMergeConflict conflict = SectionConflict(sides);
    conflict.base = ShownOthers(sides.base, base_);
    conflict.ours = ShownOthers(sides.ours, ours_);
    conflict.theirs = ShownOthers(sides.theirs, theirs_);
    conflict.oursLines = RawOthers(sides.ours, ours_);
    conflict.theirsLines = RawOthers(sides.theirs, theirs_);
    conflicts_.push_back(std::move(conflict));
  }

  void TakeTheirsOthers(const SectionSides& sides, const OtherChange& change) {
    for (const auto text : change.removed) {
      for (const auto& other : sides.ours->others) {
        if (other.text == text && !edits_.Erased(other.line)) {
          edits_.Erase(other.line);
          break;
        }
      }
    }
    std::vector<std::string_view> pending = change.added;
    // Where each inserted line of theirs went, so that a run of new lines stays together.
    std::vector<std::pair<std::size_t, std::size_t>> placed;
    for (const auto& other : sides.theirs->others) {
      const auto found = std::find(pending.begin(), pending.end(), other.text);
      if (found == pending.end()) continue;
      pending.erase(found);
      const std::size_t at = PlaceAfterNeighbour(*sides.theirs, other.line, *sides.ours, placed);
      edits_.InsertBefore(at, std::string(theirs_.lines[other.line].text));
      placed.emplace_back(other.line, at);
    }
  }

  // The place in ours after the line that comes before `line` in theirs, or the section's end.
  std::size_t PlaceAfterNeighbour(const RawSection& theirs, std::size_t line, const RawSection& ours,
                                  const std::vector<std::pair<std::size_t, std::size_t>>& placed) const {
    const std::size_t first = theirs.header == npos ? 0 : theirs.header;
    std::size_t before = line;
    while (before > first && TrimmedBytes(theirs_.lines[before - 1].text).empty()) --before;
    if (before == first && theirs.header == npos) return 0;
    --before;
    if (before == theirs.header) return ours.header + 1;
    for (const auto& [theirsLine, at] : placed) {
      if (theirsLine == before) return at;
    }
    for (const auto& key : theirs.keys) {
      if (key.line != before) continue;
      const KeyLine* match = ours.FindKey(key.id);
      return match != nullptr ? match->line + 1 : ours.insertAt;
    }
    const std::string_view text = TrimmedBytes(theirs_.lines[before].text);
    for (const auto& other : ours.others) {
      if (other.text == text) return other.line + 1;
    }
    return ours.lastContent == npos ? ours.insertAt : ours.lastContent + 1;
  }

  void AppendSection(const RawSection& section) {
    if (!edits_.EndsBlank()) edits_.Append({});
    for (std::size_t i = section.header; i <= section.lastContent; ++i) {
      edits_.Append(std::string(theirs_.lines[i].text));
    }
  }

  static DeviceMergeConflict SectionConflict(const SectionSides& sides) {
    DeviceMergeConflict conflict;
    const RawSection* named = sides.ours != nullptr ? sides.ours : sides.theirs != nullptr ? sides.theirs : sides.base;
    conflict.section = named->name;
    return conflict;
  }

  static std::optional<std::string> ShownOthers(const RawSection* section, const RawFile& file) {
    if (section == nullptr) return std::nullopt;
    std::string text;
    for (const auto& other : section->others) {
      if (!text.empty()) text += '\n';
      text += Cp1251ToUtf8(TrimmedBytes(file.lines[other.line].text));
    }
    return text;
  }

  static std::vector<std::string> RawOthers(const RawSection* section, const RawFile& file) {
    std::vector<std::string> lines;
    if (section == nullptr) return lines;
    for (const auto& other : section->others) lines.emplace_back(file.lines[other.line].text);
    return lines;
  }

  const RawFile& base_;
  const RawFile& ours_;
  const RawFile& theirs_;
  LineEdits edits_;
  std::vector<DeviceMergeConflict> conflicts_;
};

// `line` with its value replaced, the spacing around it kept ("key = old" gives "key = new").
std::string WithValue(std::string_view line, std::string_view value) {
  const std::size_t eq = line.find('=');
  if (eq == npos) return std::string(value);
  std::size_t begin = eq + 1;
  while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
  const std::string_view rest = line.substr(begin);
  const std::size_t end = begin + TrimmedBytes(rest).size();
  std::string result(line.substr(0, begin));
  result += value;
  result += line.substr(end);
  return result;
}

std::vector<std::string> ChosenLines(const DeviceMergeConflict& conflict, const DeviceMergeChoice& choice) {
  if (choice.take == DeviceMergeChoice::Take::kOurs) return conflict.oursLines;
  if (choice.take == DeviceMergeChoice::Take::kTheirs) return conflict.theirsLines;
  const std::string value = Utf8ToCp1251(choice.value);
  if (!conflict.key.empty()) {
    if (!conflict.oursLines.empty()) return {WithValue(conflict.oursLines.front(), value)};
    if (!conflict.theirsLines.empty()) return {WithValue(conflict.theirsLines.front(), value)};
    return {Utf8ToCp1251(conflict.key) + "=" + value};
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= value.size()) {
    const std::size_t end = std::min(value.find('\n', start), value.size());
    const std::string_view line = TrimmedBytes(std::string_view(value).substr(start, end - start));
    if (!line.empty()) lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

// Makes the section's other lines those of `lines`. Lines found by their text stay where they
// are; the others take, in order, the places of the lines that go, so that a rewritten comment
// stays above the key it explains. What is left over goes after the section's last line.
void SetOtherLines(const RawSection& section, const std::vector<std::string>& lines, LineEdits& edits) {
  std::vector<bool> kept(lines.size(), false);
  std::vector<std::size_t> freed;
  for (const auto& other : section.others) {
    std::size_t i = 0;
    while (i < lines.size() && (kept[i] || TrimmedBytes(lines[i]) != other.text)) ++i;
    if (i < lines.size()) {
      kept[i] = true;
    } else {
      freed.push_back(other.line);
    }
  }
  std::size_t next = 0;
  const std::size_t at = section.lastContent == npos ? section.insertAt : section.lastContent + 1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (kept[i]) continue;
    if (next < freed.size()) {
      edits.Replace(freed[next++], lines[i]);
    } else {
      edits.InsertBefore(at, lines[i]);
    }
  }
  for (; next < freed.size(); ++next) edits.Erase(freed[next]);
}

std::string ApplyChoice(const std::string& bytes, const DeviceMergeConflict& conflict,
                        const std::vector<std::string>& lines) {
  const RawFile file = device_merge::ParseRawFile(bytes);
  LineEdits edits(file);
  const std::string id =
      conflict.section.empty() ? std::string(device_merge::kPreambleId) : LowerCaseText(TrimmedBytes(conflict.section));
  const RawSection* section = file.Find(id);
  if (section == nullptr) {
    if (lines.empty()) return bytes;
    if (!edits.EndsBlank()) edits.Append({});
    edits.Append("[" + Utf8ToCp1251(conflict.section) + "]");
    for (const auto& line : lines) edits.Append(line);
    return edits.Bytes();
  }
  if (conflict.key.empty()) {
    SetOtherLines(*section, lines, edits);
    return edits.Bytes();
  }
  const KeyLine* key = section->FindKey(LowerCaseText(TrimmedBytes(conflict.key)));
  if (lines.empty()) {
    if (key != nullptr) edits.Erase(key->line);
  } else if (key != nullptr) {
    edits.Replace(key->line, lines.front());
  } else {
    edits.InsertBefore(section->insertAt, lines.front());
  }
  return edits.Bytes();
}

}  // namespace

DeviceMergeResult MergeDeviceFile(std::string_view base, std::string_view ours, std::string_view theirs) {
  const RawFile baseFile = device_merge::ParseRawFile(base);
  const RawFile oursFile = device_merge::ParseRawFile(ours);
  const RawFile theirsFile = device_merge::ParseRawFile(theirs);
  return Merger(baseFile, oursFile, theirsFile).Run();
}

std::string ResolveConflicts(const DeviceMergeResult& result, const std::vector<DeviceMergeChoice>& choices) {
  if (choices.size() != result.conflicts.size()) {
    throw std::invalid_argument("Число решений не совпадает с числом конфликтов слияния");
  }
  std::string bytes = result.merged;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    bytes = ApplyChoice(bytes, result.conflicts[i], ChosenLines(result.conflicts[i], choices[i]));
  }
  return bytes;
}

}  // namespace quillon
