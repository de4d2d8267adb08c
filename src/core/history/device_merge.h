#pragma once
// Three-way merge of a device file: the team shares the files through git, and a line merge
// of two engineers' edits to one file either conflicts on neighbouring lines that have nothing
// to do with each other or silently keeps two values of one key. This merge compares the files
// the way the readers see them — sections and keys by name without regard to case, the first
// occurrence winning — and writes the result from "ours", changing only the lines that must
// change, so that everything else stays byte for byte (Windows-1251, line ends, comments, order).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A key (or a section's other lines) that both sides changed in different ways.
struct DeviceMergeConflict {
  std::string section;  // UTF-8, as the file spells it; empty for the lines before the first section
  // UTF-8; empty when the conflict is over the section's lines that are not keys (comments,
  // lines without "="), which both sides changed differently.
  std::string key;
  // UTF-8 for showing; nullopt when that side has no such key (or section). For the lines of a
  // section: the lines one under the other, separated by "\n".
  std::optional<std::string> base;
  std::optional<std::string> ours;
  std::optional<std::string> theirs;
  // The raw Windows-1251 lines each side holds (a key: none or its line; a section: its other
  // lines), which a choice writes back.
  std::vector<std::string> oursLines;
  std::vector<std::string> theirsLines;
};

struct DeviceMergeResult {
  // Windows-1251 bytes of the merged file. For a conflicting key it holds ours' state.
  std::string merged;
  std::vector<DeviceMergeConflict> conflicts;

  bool Clean() const { return conflicts.empty(); }
};

// Bytes of the common version and of both sides, as git hands them (Windows-1251, CRLF).
DeviceMergeResult MergeDeviceFile(std::string_view base, std::string_view ours, std::string_view theirs);

// The engineer's answer to one conflict.
struct DeviceMergeChoice {
  enum class Take { kOurs, kTheirs, kValue };
  Take take = Take::kOurs;
  // UTF-8, for kValue: the key's value, or a section's lines separated by "\n".
  std::string value;
};

// Writes the choices (one per conflict, in the order of result.conflicts) into the merged bytes
// and returns the resolved file. Throws std::invalid_argument when the counts differ.
std::string ResolveConflicts(const DeviceMergeResult& result, const std::vector<DeviceMergeChoice>& choices);

}  // namespace quillon
