#pragma once
// settings.ini: every key of its one section "Settings" with the value used when the key (or
// the file) is missing. There is no in-memory model: each read and write goes to the file.
#include <array>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr std::string_view kSettingsSection = "Settings";

struct SettingKey {
  std::string_view key;
  std::string_view defaultValue;
};

inline constexpr std::array<SettingKey, 30> kSettingKeys{{
    {"Top", "0"},
    {"Left", "0"},
    {"Width", "400"},
    {"Height", "400"},
    {"TVWidth", "125"},
    {"VPWidth", "275"},
    {"SortType", "0"},
    {"BUS", "QuBUS"},
    {"COM", "COM1"},
    {"BPS", "19200"},
    {"FE", "20"},
    {"DA", "1"},
    {"ServerIP", "192.168.001.003"},
    {"IPPort", "502"},
    {"p0w", "40"},
    {"p1w", "40"},
    {"p0m0", "120"},
    {"p0m1", "120"},
    {"p1m0", "120"},
    {"p2m0", "120"},
    {"TrasserTime", "60"},
    {"TrasserFileSize", "1000"},
    {"TrasserTypeTime", "0"},
    {"TrasserTypeFileSize", "0"},
    {"ScopeCRC16Check", "1"},
    {"FastFrameEnd", "1"},
    {"SilentInterval", "1"},
    {"Organization", "ООО Тихая заводь"},
    {"ReportNumber", "1"},
    {"ReportNumAutoInc", "1"},
}};

// Default of a key (names compare without regard to case). Throws std::out_of_range for a key
// that is not in the table: asking for one is a programming error.
std::string SettingDefault(std::string_view key);

// The stored value, or the default when the file or the key is missing.
std::string ReadSetting(const std::string& settingsFile, std::string_view key);

// Whether the file holds the key at all (a first start has none): the window then chooses for
// itself what the defaults would get wrong on today's screens.
bool SettingStored(const std::string& settingsFile, std::string_view key);

// The stored value as a decimal integer. A value that is not a decimal integer in int range
// (after trimming) gives the key's default, as if it were missing.
int ReadSettingInt(const std::string& settingsFile, std::string_view key);

// Creates the file on the first write. Throws std::runtime_error when it cannot be written.
void WriteSetting(const std::string& settingsFile, std::string_view key, std::string_view value);

// Column widths are kept as reals and stored rounded to the nearest integer ("120"), ties to even.
std::string RoundedWidthText(double width);

// The catalogue variant: anything outside 0..4 is variant 0.
int NormalizedSortType(int sortType);

// The link fields whose meaning depends on the protocol: under a TCP kind ("MODBUS TCP",
// "MODBUS TCP/IP") the first is the device's IP address and the TCP port is used; under the
// serial protocols the first is the frame-end pause and the TCP port is unused.
struct LinkFieldValues {
  std::string frameEndOrIp;
  std::string addressText;
  std::string tcpPort;
};

// A TCP kind: ServerIP, DA, IPPort. Any other protocol: FE, DA (tcpPort left empty).
LinkFieldValues ReadProtocolLinkKeys(const std::string& settingsFile, std::string_view protocol);

// A TCP kind: ServerIP and IPPort only, so FE and DA keep the serial line's values.
// Any other protocol: FE and DA.
void WriteProtocolLinkKeys(const std::string& settingsFile, std::string_view protocol, const LinkFieldValues& values);

}  // namespace quillon
