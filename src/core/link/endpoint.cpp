#include "link/endpoint.h"

#include "link/tcp_connection.h"
#include "text/numbers.h"

namespace quillon {

namespace {

std::optional<std::int64_t> InRange(const std::string& text, std::int64_t low, std::int64_t high) {
  const auto value = TryReadInteger(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

}  // namespace

bool Endpoint::SamePlace(const Endpoint& other) const {
  if (Tcp() != other.Tcp()) return false;
  return Tcp() ? peer == other.peer : port == other.port;
}

std::optional<Endpoint> EndpointOf(const LinkFieldTexts& fields) {
  const auto protocol = ProtocolNamed(fields.protocol);
  if (!protocol) return std::nullopt;
  Endpoint endpoint;
  endpoint.protocol = *protocol;
  endpoint.address = static_cast<std::uint8_t>(InRange(fields.address, 0, 255).value_or(1));
  if (endpoint.Tcp()) {
    const auto tcpPort = fields.tcpPort.empty() ? std::optional<std::int64_t>(502) : InRange(fields.tcpPort, 1, 65535);
    if (!tcpPort) return std::nullopt;
    endpoint.ip = fields.Ip();
    endpoint.peer = {ParseIPv4(endpoint.ip), static_cast<std::uint16_t>(*tcpPort), FramedWithMBAP(endpoint.protocol)};
    return endpoint;
  }
  const auto baud = InRange(fields.baud, 1, 4000000);
  const auto frameEnd = fields.frameEnd.empty() ? std::optional<std::int64_t>(8) : InRange(fields.frameEnd, 0, 1000);
  if (fields.port.empty() || !baud || !frameEnd) return std::nullopt;
  endpoint.port = fields.port;
  endpoint.baud = static_cast<unsigned>(*baud);
  endpoint.frameEndMs = static_cast<unsigned>(*frameEnd);
  return endpoint;
}

}  // namespace quillon
