#include "tools/card_target.h"

#include <stdexcept>

#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/serial_port.h"
#include "link/tcpip_list.h"
#include "text/numbers.h"

namespace quillon {

std::uint8_t CardAddressOf(const TBaseProperty& link) {
  const auto address = TryReadInteger(link.SlaveAddr);
  return static_cast<std::uint8_t>(address && *address >= 0 && *address <= 255 ? *address : 1);
}

CardTarget CardTargetFor(const TBaseProperty& link, const std::string& programDirectory) {
  CardTarget target;
  target.address = CardAddressOf(link);
  target.programDirectory = programDirectory;
  target.tcp = link.Protocol == kProtocolMODBUSTCP;
  if (target.tcp) {
    target.ip = link.IPAddress;
    target.tcpPort = static_cast<std::uint16_t>(TryReadInteger(link.IPPort).value_or(502));
  } else {
    target.port = link.PortName;
    target.baud = static_cast<unsigned>(TryReadInteger(link.Baud).value_or(0));
    target.frameEndMs = static_cast<unsigned>(TryReadInteger(link.FrameEnd).value_or(kDefaultFrameEndMs));
  }
  return target;
}

CardRegistries RegistriesOf(LinkHub& hub) { return CardRegistries{&hub.Serial(), &hub.Tcp()}; }

}  // namespace quillon
