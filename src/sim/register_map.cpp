#include "sim/register_map.h"

#include <algorithm>
#include <map>

namespace quillon::sim {
namespace {

std::int64_t LowHalfAddress(const RegisterHint& hint) {
  return static_cast<std::int64_t>(hint.address) - (hint.highByte ? 1 : 0);
}

// The offset shared by most variables of the area; ties go to the smaller offset so the
// result does not depend on the order of the lines.
std::int64_t MajorityOffset(const std::vector<RegisterHint>& hints, Area area) {
  std::map<std::int64_t, int> votes;
  for (const auto& hint : hints) {
    if (hint.area == area) ++votes[LowHalfAddress(hint) - 2 * static_cast<std::int64_t>(hint.reg)];
  }
  std::int64_t best = 0;
  int bestVotes = 0;
  for (const auto& [offset, count] : votes) {
    if (count > bestVotes) {
      best = offset;
      bestVotes = count;
    }
  }
  return best;
}

}  // namespace

RegisterMap RegisterMap::FromHints(const std::vector<RegisterHint>& hints) {
  RegisterMap map;
  map.flashOffset_ = MajorityOffset(hints, Area::Flash);
  map.ramOffset_ = MajorityOffset(hints, Area::Ram);
  bool anyRam = false;
  for (const auto& hint : hints) {
    if (hint.area != Area::Ram) continue;
    // A master asks for the highest register plus half the size plus one (see the span
    // computation of the frame layer), so the block reaches that far.
    const std::uint32_t end = std::min<std::uint32_t>(hint.reg + static_cast<std::uint32_t>(hint.size >> 1) + 1, 65536);
    if (!anyRam) {
      map.ramFirst_ = hint.reg;
      map.ramEnd_ = end;
      anyRam = true;
    } else {
      map.ramFirst_ = std::min<std::uint32_t>(map.ramFirst_, hint.reg);
      map.ramEnd_ = std::max(map.ramEnd_, end);
    }
  }
  return map;
}

std::optional<RegisterPlace> RegisterMap::Locate(std::uint16_t reg) const {
  const Area area = (reg >= ramFirst_ && reg < ramEnd_) ? Area::Ram : Area::Flash;
  const std::int64_t address = 2 * static_cast<std::int64_t>(reg) + Offset(area);
  if (address < 0 || address + 1 >= static_cast<std::int64_t>(kAreaSize)) return std::nullopt;
  return RegisterPlace{area, static_cast<std::uint32_t>(address)};
}

}  // namespace quillon::sim
