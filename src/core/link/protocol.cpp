#include "link/protocol.h"

namespace quillon {

std::optional<Protocol> ProtocolNamed(std::string_view name) {
  if (name == kProtocolQuBUS) return Protocol::QuBUS;
  if (name == kProtocolMODBUSRTU) return Protocol::MODBUSRTU;
  if (name == kProtocolMODBUSTCP) return Protocol::MODBUSTCP;
  return std::nullopt;
}

std::string_view NameOf(Protocol protocol) {
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

}  // namespace quillon
