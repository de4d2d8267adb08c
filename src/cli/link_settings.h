#pragma once
// The link options of the commands that talk to a controller, as the main window's link fields
// would hold them (the checks on them are the main window's own, in core).
#include "cli/commands.h"
#include "link/link_check.h"

namespace quillon::cli {

// Takes --bus, --port, --baud, --fe, --ip, --ipport and --addr out of `args` (what is left stays
// there). Empty fields get the main window's defaults: frame end 8, address 1, TCP port 502.
// Under MODBUS TCP the IP address goes where the main window keeps it, in the frame-end field.
// Throws std::invalid_argument for an option without its value.
LinkFieldTexts TakeLinkOptions(Args& args);

}  // namespace quillon::cli
