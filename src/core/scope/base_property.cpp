#include "scope/base_property.h"

#include "workspace/protocol.h"

namespace quillon {

std::optional<Protocol> ProtocolOf(const TBaseProperty& settings) { return ProtocolNamed(settings.Protocol); }

LinkFieldTexts LinkFieldsOf(const TBaseProperty& settings) {
  LinkFieldTexts fields;
  fields.protocol = settings.Protocol;
  fields.port = settings.PortName;
  fields.baud = settings.Baud;
  fields.frameEnd = OverTcp(ProtocolOf(settings)) ? settings.IPAddress : settings.FrameEnd;
  fields.address = settings.SlaveAddr;
  fields.tcpPort = settings.IPPort;
  return fields;
}

}  // namespace quillon
