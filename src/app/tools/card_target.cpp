#include "app/tools/card_target.h"

#include "link/serial_port.h"
#include "link/tcp_connection.h"
#include "text/numbers.h"

namespace quillon {

std::uint8_t CardAddressOf(const TBaseProperty& link) {
  const auto address = TryReadInteger(link.SlaveAddr);
  return static_cast<std::uint8_t>(address && *address >= 0 && *address <= 255 ? *address : 1);
}

Endpoint CardEndpointFor(const TBaseProperty& link) {
  Endpoint endpoint;
  endpoint.protocol = ProtocolNamed(link.Protocol).value_or(Protocol::MODBUSRTU);
  endpoint.address = CardAddressOf(link);
  if (endpoint.Tcp()) {
    endpoint.ip = link.IPAddress;
    endpoint.peer = {ParseIPv4(link.IPAddress), static_cast<std::uint16_t>(TryReadInteger(link.IPPort).value_or(502)),
                     FramedWithMBAP(endpoint.protocol)};
  } else {
    endpoint.port = link.PortName;
    endpoint.baud = static_cast<unsigned>(TryReadInteger(link.Baud).value_or(0));
    endpoint.frameEndMs = static_cast<unsigned>(TryReadInteger(link.FrameEnd).value_or(kDefaultFrameEndMs));
  }
  return endpoint;
}

}  // namespace quillon
