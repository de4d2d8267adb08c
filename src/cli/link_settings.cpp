#include "cli/link_settings.h"

#include <stdexcept>

namespace quillon::cli {

LinkFieldTexts TakeLinkOptions(Args& args) {
  LinkFieldTexts fields;
  std::string frameEnd;
  std::string ip;
  Args rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* target = nullptr;
    const std::string& arg = args[i];
    if (arg == "--bus") target = &fields.protocol;
    else if (arg == "--port") target = &fields.port;
    else if (arg == "--baud") target = &fields.baud;
    else if (arg == "--fe") target = &frameEnd;
    else if (arg == "--ip") target = &ip;
    else if (arg == "--ipport") target = &fields.tcpPort;
    else if (arg == "--addr") target = &fields.address;
    if (target == nullptr) {
      rest.push_back(arg);
      continue;
    }
    if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
    *target = args[++i];
  }
  fields.frameEnd = fields.Tcp() ? ip : (frameEnd.empty() ? "8" : frameEnd);
  if (fields.address.empty()) fields.address = "1";
  if (fields.tcpPort.empty()) fields.tcpPort = "502";
  args = rest;
  return fields;
}

}  // namespace quillon::cli
