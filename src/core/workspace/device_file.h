#pragma once
// Device files: one INI file per controller, one directory level below Devices/, with the
// sections DEVICE, vars (the scale table), FLASH, RAM and CD (definition lines).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/paths.h"

namespace quillon {

inline constexpr std::string_view kDeviceSection = "DEVICE";
inline constexpr std::string_view kVarsSection = "vars";

// Value of the first line in the whole file that starts with key + "=" (key compared without
// regard to case), trimmed. nullopt when the file cannot be read or has no such line. The
// DEVICE keys are looked up this way, which is why no other section may reuse their names.
std::optional<std::string> FirstLineValue(const std::string& path, std::string_view key);
// The same lookup on lines already read.
std::optional<std::string> FirstLineValue(const std::vector<std::string>& lines, std::string_view key);

// Summary of a device file. The identity fields stay empty when ID has fewer than four tokens;
// `extra` stays empty when ID has no fifth token. A missing file gives an empty record.
struct TDeviceInfo4 {
  std::string path;
  std::string location;
  std::string serial;
  std::string typeKey;
  std::string lastDateTime;
  std::string description;
  std::string firmwareVersion;
  std::string firmwareDate;
  std::string extra;
};

TDeviceInfo4 ReadDeviceInfo(const std::string& path);

// Which sections ReadDeviceSections fills (combine with |).
enum DeviceSectionMask : unsigned {
  kReadDevice = 1u << 0,
  kReadVars = 1u << 1,
  kReadFlash = 1u << 2,
  kReadRam = 1u << 3,
  kReadCd = 1u << 4,
  kReadAllSections = 0x1Fu,
};

// The key=value lines of each section, in file order.
struct DeviceSections {
  std::vector<std::string> device, vars, flash, ram, cd;
};

// Fills the requested lists; the others stay empty, and so does a missing file or section.
DeviceSections ReadDeviceSections(const std::string& path, unsigned which);

// Lines of one parameter section named as the memory selector names them: "FLASH", "CD", "RAM".
std::vector<std::string> ReadParameterSection(const std::string& path, std::string_view sectionName);

// Flags of a match: the firmware differs from the requested identification string.
inline constexpr int kFirmwareVersionDiffers = 1;
inline constexpr int kFirmwareDateDiffers = 2;

struct DeviceMatch {
  std::string path;  // empty when no device file matches
  int flags = 0;
};

// The device file whose ID has the identity of `idText`. Groups are visited from the last
// listed to the first and the files of each group likewise; the first match ends a group and
// the last match visited wins. A backup copy (under Devices/BackUp/) counts only when no
// other file matches, so the engineer never ends up editing the backup.
DeviceMatch FindDeviceFile(const WorkspacePaths& paths, std::string_view idText);

// What became of a backup copy: `failure` names why none was made, empty when it was.
struct BackupOutcome {
  std::string failure;
  bool Done() const { return failure.empty(); }
  explicit operator bool() const { return Done(); }
};

// Copies the file to Devices/BackUp/<type key>_<serial>.ini (overwriting an older copy),
// creating BackUp/ when needed. Fails, with the reason, when BackUp/ cannot be made, the ID does
// not parse or would name a file outside BackUp/, or the copy cannot be written. A caller about
// to replace the file stops then: the backup is what makes the replace undoable.
BackupOutcome BackupDeviceFile(const WorkspacePaths& paths, const std::string& path);

// Replaces the vars section with the scale table lines ("Name=Value"). The file is saved
// atomically in Windows-1251 with CRLF. Throws std::runtime_error when it cannot be written.
void RewriteVarsSection(const std::string& path, const std::vector<std::string>& lines);

// The path lies under Devices/BackUp/ (separators and letter case do not matter).
bool IsBackupPath(const WorkspacePaths& paths, const std::string& path);

}  // namespace quillon
