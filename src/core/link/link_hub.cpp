#include "link/link_hub.h"

#include "link/port_names.h"

namespace quillon {

LinkHub::LinkHub(std::string programDirectory)
    : programDirectory_(std::move(programDirectory)), serial_(programDirectory_) {
  serial_.SetTrafficTap(&traffic_);
  tcp_.SetTrafficTap(&traffic_);
}

SerialTimings LinkHub::TimingsFor(const std::string& port) const {
  if (timingsRule_) return timingsRule_(port);
  return IsPseudoTerminal(port, programDirectory_) ? SerialTimings::None() : SerialTimings{};
}

}  // namespace quillon
