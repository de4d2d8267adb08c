#include "scope/scope_menu_text.h"

#include "link/buses.h"

namespace quillon {

std::string ScopeWindowMenuText(const TBaseProperty& property, const std::string& caption) {
  std::string text;
  const auto protocol = ProtocolOf(property);
  if (protocol == Protocol::MODBUSRTU) text = property.SlaveAddr + " ";
  if (OverTcp(protocol)) text = property.IPAddress + " " + property.IPPort + " ";
  text += property.PortName + " " + property.Protocol + " " + property.Baud + " " + property.MemArea;
  return text + ": " + caption;
}

}  // namespace quillon
