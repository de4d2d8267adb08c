#pragma once
// Serial port names as the user sees them. A name never contains "/" (names are kept in
// "/"-separated lists). "COM<n>" is /dev/ttyS<n-1>; any other name is looked up as
// <program dir>/Ports/<name> (e.g. a link to a simulator's pseudo-terminal), then as
// /dev/serial/by-id/<name> (USB adapters keep that name across re-plugging), then /dev/<name>.
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// The device path of a port name, or nothing for a name that cannot be one. Except for
// "COM<n>", only existing paths are returned. `programDirectory` ends in "/".
std::optional<std::string> PortDevicePath(const std::string& name, const std::string& programDirectory);

// Whether the name leads to a pseudo-terminal (a simulator's line), which needs none of the
// settling pauses real adapters want.
bool IsPseudoTerminal(const std::string& name, const std::string& programDirectory);

// Whether the name leads to a device this user may not both read and write (EACCES), so that
// its failed open is told as a question of rights, not of a missing or busy port.
bool PortAccessDenied(const std::string& name, const std::string& programDirectory);

// Names that may be serial ports, in listing order: the entries of Ports/, the by-id names of
// USB adapters, then the other terminal devices backed by hardware ("COM<n>" for ttyS<n-1>),
// each once. Whether they open is for the caller to find out.
std::vector<std::string> CandidatePortNames(const std::string& programDirectory);

}  // namespace quillon
