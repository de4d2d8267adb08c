#include "tools/tool_attach.h"

#include "link/serial_port.h"
#include "platform/prompt.h"
#include "text/numbers.h"

namespace quillon {

std::optional<SerialNumbers> ReadSerialNumbers(const TBaseProperty& link) {
  try {
    SerialNumbers numbers;
    numbers.baud = static_cast<unsigned>(ReadInteger(link.Baud));
    numbers.frameEndMs = link.FrameEnd.empty() ? kDefaultFrameEndMs : static_cast<unsigned>(ReadInteger(link.FrameEnd));
    return numbers;
  } catch (const ConversionError& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return std::nullopt;
  }
}

}  // namespace quillon
