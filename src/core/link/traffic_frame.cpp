#include "link/traffic_frame.h"

#include <algorithm>
#include <cstring>

namespace quillon {

std::string_view TrafficFrame::Link() const {
  return std::string_view(link.data(), ::strnlen(link.data(), link.size()));
}

void TrafficFrame::SetLink(std::string_view name) {
  const std::size_t count = std::min(name.size(), link.size() - 1);
  std::memcpy(link.data(), name.data(), count);
  link[count] = '\0';
}

void TrafficFrame::SetBytes(const std::uint8_t* data, std::size_t count) {
  wireLength = static_cast<std::uint32_t>(count);
  length = static_cast<std::uint16_t>(std::min(count, bytes.size()));
  if (length > 0) std::memcpy(bytes.data(), data, length);
}

void TrafficFrame::SetRequestHead(const std::uint8_t* data, std::size_t count) {
  requestLength = static_cast<std::uint8_t>(std::min(count, request.size()));
  if (requestLength > 0) std::memcpy(request.data(), data, requestLength);
}

}  // namespace quillon
