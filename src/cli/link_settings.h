#pragma once
// The link options of the commands that talk to a controller, and the checks the main window
// makes on its link fields before it sends anything (same order, same messages).
#include <optional>
#include <string>

#include "cli/commands.h"

namespace quillon::cli {

struct LinkSettings {
  std::string protocol;    // "QuBUS", "MODBUS RTU", "MODBUS TCP"
  std::string port;        // serial port name
  std::string baud;        // bit rate text
  std::string frameEnd;    // frame-end pause text, ms ("8" when not given)
  std::string ip;          // MODBUS TCP
  std::string ipPort;      // MODBUS TCP ("502" when not given)
  std::string address;     // device address text ("1" when not given)

  bool Serial() const;
  bool Tcp() const;
  bool Modbus() const;
};

// Takes --bus, --port, --baud, --fe, --ip, --ipport and --addr out of `args` (what is left stays
// there). Throws std::invalid_argument for an option without its value.
LinkSettings TakeLinkOptions(Args& args);

// Which checks apply: identification has its own texts for two of them, and writes check the
// address under every protocol.
enum class LinkCheck { Identify, Read, WriteValue, WriteImage };

// The main window's message for the first link field that fails, or nothing.
std::optional<std::string> CheckLinkSettings(const LinkSettings& settings, LinkCheck check);

}  // namespace quillon::cli
