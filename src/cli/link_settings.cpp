#include "cli/link_settings.h"

#include <stdexcept>

#include "link/buses.h"
#include "text/numbers.h"

namespace quillon::cli {

bool LinkSettings::Serial() const { return protocol == kProtocolQuBUS || protocol == kProtocolMODBUSRTU; }
bool LinkSettings::Tcp() const { return protocol == kProtocolMODBUSTCP; }
bool LinkSettings::Modbus() const { return protocol == kProtocolMODBUSRTU || protocol == kProtocolMODBUSTCP; }

LinkSettings TakeLinkOptions(Args& args) {
  LinkSettings settings;
  Args rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* target = nullptr;
    const std::string& arg = args[i];
    if (arg == "--bus") target = &settings.protocol;
    else if (arg == "--port") target = &settings.port;
    else if (arg == "--baud") target = &settings.baud;
    else if (arg == "--fe") target = &settings.frameEnd;
    else if (arg == "--ip") target = &settings.ip;
    else if (arg == "--ipport") target = &settings.ipPort;
    else if (arg == "--addr") target = &settings.address;
    if (target == nullptr) {
      rest.push_back(arg);
      continue;
    }
    if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
    *target = args[++i];
  }
  // The main window's defaults for empty fields.
  if (settings.frameEnd.empty()) settings.frameEnd = "8";
  if (settings.address.empty()) settings.address = "1";
  if (settings.ipPort.empty()) settings.ipPort = "502";
  args = rest;
  return settings;
}

std::optional<std::string> CheckLinkSettings(const LinkSettings& settings, LinkCheck check) {
  const bool identify = check == LinkCheck::Identify;
  const bool known = settings.Serial() || settings.Tcp();
  if (settings.Serial() && settings.port.empty()) {
    return std::string(identify ? "Не выбран COM порт!" : "Не выбран порт!");
  }
  if (!known) return std::string("Не выбран протокол!");
  if (settings.Serial() && settings.baud.empty()) return std::string("Не выбрана скорость передачи!");
  if (settings.Serial()) {
    const auto frameEnd = TryReadInteger(settings.frameEnd);
    if (!frameEnd || *frameEnd < 5 || *frameEnd > 100) return std::string("Frame End должно быть числом от 5 до 100");
    // A bit rate that is no number would be taken as 0 by the port; say so instead.
    const auto baud = TryReadInteger(settings.baud);
    if (!baud || *baud <= 0) return std::string("Не выбрана скорость передачи!");
  }
  if (settings.Tcp()) {
    const auto port = TryReadInteger(settings.ipPort);
    if (!port || *port < 1 || *port > 65535) {
      return std::string(identify ? "Не выбран TCP порт!" : "Не указан TCP/IP порт");
    }
  }
  const bool addressChecked = check == LinkCheck::WriteValue ? true
                              : check == LinkCheck::WriteImage ? settings.Modbus()
                                                               : settings.protocol == kProtocolMODBUSRTU;
  // The address travels as one byte under MODBUS TCP as well, so it is checked there too.
  if (addressChecked || settings.Tcp()) {
    const auto address = TryReadInteger(settings.address);
    if (!address || *address < 0 || *address > 255) return std::string("Адрес устройства - это число от 0 до 255");
  }
  return std::nullopt;
}

}  // namespace quillon::cli
