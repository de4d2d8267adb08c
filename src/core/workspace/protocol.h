#pragma once
// The three link kinds, and their names as settings, scope window files and protocol lists
// store them. Everything past the link fields compares the kind, never the text. It lives with
// the settings, which store it, so that the link code above reads it and nothing below depends
// on the link code.
#include <optional>
#include <string_view>

namespace quillon {

enum class Protocol { QuBUS, MODBUSRTU, MODBUSTCP };

inline constexpr std::string_view kProtocolQuBUS = "QuBUS";
inline constexpr std::string_view kProtocolMODBUSRTU = "MODBUS RTU";
inline constexpr std::string_view kProtocolMODBUSTCP = "MODBUS TCP";
// In the order the protocol lists offer them.
inline constexpr std::string_view kProtocolNames[] = {kProtocolQuBUS, kProtocolMODBUSRTU, kProtocolMODBUSTCP};

// The kind by its exact (case-sensitive) name; nothing for any other text.
constexpr std::optional<Protocol> ProtocolNamed(std::string_view name) {
  if (name == kProtocolQuBUS) return Protocol::QuBUS;
  if (name == kProtocolMODBUSRTU) return Protocol::MODBUSRTU;
  if (name == kProtocolMODBUSTCP) return Protocol::MODBUSTCP;
  return std::nullopt;
}

constexpr std::string_view NameOf(Protocol protocol) {
  switch (protocol) {
    case Protocol::QuBUS:
      return kProtocolQuBUS;
    case Protocol::MODBUSRTU:
      return kProtocolMODBUSRTU;
    case Protocol::MODBUSTCP:
      return kProtocolMODBUSTCP;
  }
  return kProtocolQuBUS;
}

// MODBUS frames, slave address and CRC included ("MODBUS TCP" carries RTU frames over TCP).
constexpr bool IsMODBUS(Protocol protocol) { return protocol != Protocol::QuBUS; }
constexpr bool OverTcp(Protocol protocol) { return protocol == Protocol::MODBUSTCP; }

}  // namespace quillon
