#include "scope/scope_menu_text.h"

#include "link/buses.h"

namespace quillon {

std::string ScopeWindowMenuText(const TBaseProperty& property, const std::string& caption) {
  std::string text;
  if (property.Protocol == kProtocolMODBUSRTU) text = property.SlaveAddr + " ";
  if (property.Protocol == kProtocolMODBUSTCP) text = property.IPAddress + " " + property.IPPort + " ";
  text += property.PortName + " " + property.Protocol + " " + property.Baud + " " + property.MemArea;
  return text + ": " + caption;
}

}  // namespace quillon
