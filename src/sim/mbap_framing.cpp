#include "sim/mbap_framing.h"

#include "link/mbap_frames.h"

namespace quillon::sim {

ScanResult ScanMbap(std::span<const std::uint8_t> bytes) {
  if (MbapHeaderRefusal(bytes) != MbapRefusal::None) return {ScanStatus::Unknown, 0};
  const auto whole = MbapAduLength(bytes);
  if (!whole || bytes.size() < *whole) return {ScanStatus::NeedMore, 0};
  return {ScanStatus::Complete, *whole};
}

std::vector<std::uint8_t> RtuRequestOf(std::span<const std::uint8_t> adu) { return RtuFromMbap(adu, std::nullopt).rtu; }

std::vector<std::uint8_t> MbapAnswerOf(const Response& response, std::uint16_t transaction) {
  auto adu = MbapFromRtu(response.bytes, transaction);
  if (!adu) return {};
  if (response.wireFault != FaultKind::None) FaultInjector::Apply(response.wireFault, *adu, true);
  return std::move(*adu);
}

}  // namespace quillon::sim
