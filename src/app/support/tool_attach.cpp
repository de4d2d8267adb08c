#include "app/support/tool_attach.h"

#include "app/support/current_prompt.h"
#include "link/serial_port.h"
#include "text/numbers.h"

namespace quillon {

std::optional<Endpoint> ReadToolEndpoint(const TBaseProperty& link) {
  try {
    Endpoint endpoint;
    endpoint.protocol = Protocol::QuBUS;
    endpoint.port = link.PortName;
    endpoint.baud = static_cast<unsigned>(ReadInteger(link.Baud));
    endpoint.frameEndMs =
        link.FrameEnd.empty() ? kDefaultFrameEndMs : static_cast<unsigned>(ReadInteger(link.FrameEnd));
    return endpoint;
  } catch (const ConversionError& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return std::nullopt;
  }
}

}  // namespace quillon
