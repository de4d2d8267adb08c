#pragma once
// The four link kinds, and their names as settings, scope window files and protocol lists
// store them. Everything past the link fields compares the kind, never the text. It lives with
// the settings, which store it, so that the link code above reads it and nothing below depends
// on the link code.
#include <optional>
#include <string_view>

namespace quillon {

enum class Protocol { QuBUS, MODBUSRTU, MODBUSTCP, MODBUSTCPIP };

inline constexpr std::string_view kProtocolQuBUS = "QuBUS";
inline constexpr std::string_view kProtocolMODBUSRTU = "MODBUS RTU";
inline constexpr std::string_view kProtocolMODBUSTCP = "MODBUS TCP";
inline constexpr std::string_view kProtocolMODBUSTCPIP = "MODBUS TCP/IP";
// In the order the protocol lists offer them.
inline constexpr std::string_view kProtocolNames[] = {kProtocolQuBUS, kProtocolMODBUSRTU, kProtocolMODBUSTCP,
                                                      kProtocolMODBUSTCPIP};

// The kind by its exact (case-sensitive) name; nothing for any other text.
constexpr std::optional<Protocol> ProtocolNamed(std::string_view name) {
  if (name == kProtocolQuBUS) return Protocol::QuBUS;
  if (name == kProtocolMODBUSRTU) return Protocol::MODBUSRTU;
  if (name == kProtocolMODBUSTCP) return Protocol::MODBUSTCP;
  if (name == kProtocolMODBUSTCPIP) return Protocol::MODBUSTCPIP;
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
    case Protocol::MODBUSTCPIP:
      return kProtocolMODBUSTCPIP;
  }
  return kProtocolQuBUS;
}

// MODBUS frames, slave address and CRC included, as every window builds and judges them.
// "MODBUS TCP" carries those RTU frames over TCP as they are; "MODBUS TCP/IP" is standard MODBUS
// TCP, whose MBAP header the TCP channel puts on and takes off, so above the channel both are the
// same kind of link: an IP address, a TCP port (502 by default) and a slave address.
constexpr bool IsMODBUS(Protocol protocol) { return protocol != Protocol::QuBUS; }
constexpr bool OverTcp(Protocol protocol) {
  return protocol == Protocol::MODBUSTCP || protocol == Protocol::MODBUSTCPIP;
}
// For a protocol text that may name no kind at all: an unknown text is no TCP link.
constexpr bool OverTcp(std::optional<Protocol> protocol) { return protocol && OverTcp(*protocol); }
// The TCP channel frames each request with an MBAP header and unframes the answer.
constexpr bool FramedWithMBAP(Protocol protocol) { return protocol == Protocol::MODBUSTCPIP; }

}  // namespace quillon
