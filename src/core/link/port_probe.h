#pragma once
// Whether a serial port could be had, found out without disturbing whoever may be using it:
// filling a port list must never cost a terminal program its settings or its unread input.
#include <string>

namespace quillon {

// true when the device opens, is a terminal, and nobody holds it (neither an exclusive flock
// nor the terminal's exclusive mode). Only opens, asks and closes: no settings are written,
// nothing is flushed, the exclusive mode is left as it was.
bool PortIsAvailable(const std::string& path);

}  // namespace quillon
