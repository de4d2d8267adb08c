#pragma once
// The identification string a controller reports about itself:
//   serial type vD.F date [additional text with spaces]
// A device's identity is serial number, device type and device version; the firmware may
// change under the same identity.
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

struct Identification {
  std::string serial;
  std::string deviceType;
  std::string deviceVersion;
  std::string firmwareVersion;
  std::string firmwareDate;
  std::string extra;  // the fifth token, spaces included; meaningful only with hasExtra
  bool hasExtra = false;
};

// Tokens separated by single spaces (two spaces make an empty token); after the fourth space
// the rest of the line is the fifth token. Fewer than four tokens: nullopt.
// A third token without "." is taken whole (after its leading character) as the device
// version with an empty firmware version, so such a device keeps a usable identity.
std::optional<Identification> ParseIdentification(std::string_view text);

// Device type followed by device version ("TK" + "3" = "TK3").
std::string DeviceTypeKey(const Identification& id);

// Serial number, device type and device version equal.
bool SameDevice(const Identification& a, const Identification& b);

// Name of the backup copy of a device: type key + "_" + serial + ".ini" ("TK3_123.ini").
std::string BackupFileName(const Identification& id);

// Keeps printable ASCII (0x20..0x7E) except the apostrophe: what an identification answer is
// cleaned with before it is parsed.
std::string FilterIdentificationText(std::string_view text);

}  // namespace quillon
