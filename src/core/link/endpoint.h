#pragma once
// Where a window's requests go: the link kind, the serial line (port, bit rate, frame-end pause)
// or the TCP peer (IP address and port), and the device address. Made once from the link
// fields a window or command holds; everything that attaches to a line takes one of these.
#include <cstdint>
#include <optional>
#include <string>

#include "link/link_check.h"
#include "workspace/protocol.h"

namespace quillon {

// A TCP worker's peer: the address in network byte order, the TCP port, and whether the frames
// go with an MBAP header ("MODBUS TCP/IP") or as bare RTU frames ("MODBUS TCP"). The framing is
// part of the peer: a connection speaks one of the two, so the same address and port under the
// two protocols are two workers.
struct TcpPeer {
  std::uint32_t ip = 0;
  std::uint16_t port = 0;
  bool mbap = false;
  bool operator==(const TcpPeer&) const = default;
};

// ParseIPv4's answer for a text that is no IPv4 address.
inline constexpr std::uint32_t kNoIPv4Address = 0xFFFFFFFFu;

struct Endpoint {
  Protocol protocol = Protocol::QuBUS;
  std::string port;  // serial kinds
  unsigned baud = 0;
  unsigned frameEndMs = 8;
  std::string ip;  // the TCP kinds, as typed (messages name it)
  TcpPeer peer;    // the TCP kinds; peer.ip is kNoIPv4Address when `ip` is no address
  std::uint8_t address = 1;

  bool Tcp() const { return OverTcp(protocol); }
  // What a message names: the serial port, or the IP address.
  const std::string& Place() const { return Tcp() ? ip : port; }
  // The same worker serves both: the same serial port, or the same TCP peer.
  bool SamePlace(const Endpoint& other) const;
};

// The endpoint the fields describe, or nothing when they cannot describe one: an unknown
// protocol; on a serial kind an empty port, or a bit rate (1..4000000) or frame end (0..1000)
// that is no number in range; under a TCP kind a TCP port out of 1..65535. An empty frame end
// stands for 8 ms, an empty TCP port for 502 and an address that is no number in 0..255 for 1
// (the checks with the engineer's messages, CheckLinkFields, come first where a window has
// them). An IP address that does not parse still makes an endpoint; attaching to it fails.
std::optional<Endpoint> EndpointOf(const LinkFieldTexts& fields);

}  // namespace quillon
