#include "sim/faults.h"

#include <stdexcept>

#include "text/items.h"
#include "text/numbers.h"

namespace quillon::sim {
namespace {

double ReadRate(const std::string& key, const std::string& value) {
  const auto rate = TryReadReal(value);
  if (!rate || *rate < 0.0 || *rate > 1.0) {
    throw std::invalid_argument("fault " + key + ": rate must be a number from 0 to 1, got \"" + value + "\"");
  }
  return *rate;
}

long long ReadCount(const std::string& key, const std::string& value, long long limit) {
  const auto number = TryReadInteger(value);
  if (!number || *number < 0 || *number > limit) {
    throw std::invalid_argument("fault " + key + ": expected a whole number from 0 to " + std::to_string(limit) +
                                ", got \"" + value + "\"");
  }
  return *number;
}

}  // namespace

FaultSpec ParseFaultSpec(const std::string& text) {
  FaultSpec spec;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = Trimmed(text.substr(start, comma - start));
    start = comma + 1;
    if (item.empty()) continue;
    const auto equals = item.find('=');
    if (equals == std::string::npos) throw std::invalid_argument("fault item without \"=\": \"" + item + "\"");
    const std::string key = Trimmed(item.substr(0, equals));
    const std::string value = Trimmed(item.substr(equals + 1));
    if (key == "crc") {
      spec.crc = ReadRate(key, value);
    } else if (key == "drop") {
      spec.drop = ReadRate(key, value);
    } else if (key == "short") {
      spec.cut = ReadRate(key, value);
    } else if (key == "delay") {
      spec.delayMs = static_cast<int>(ReadCount(key, value, 10000));
    } else if (key == "seed") {
      spec.seed = static_cast<std::uint32_t>(ReadCount(key, value, 0xFFFFFFFFLL));
    } else if (key == "limit") {
      spec.limit = static_cast<std::uint64_t>(ReadCount(key, value, 1LL << 40));
    } else {
      throw std::invalid_argument("unknown fault \"" + key + "\" (known: crc, drop, short, delay, seed, limit)");
    }
  }
  if (spec.crc + spec.drop + spec.cut > 1.0 + 1e-9) {
    throw std::invalid_argument("fault rates crc + drop + short add up to more than 1");
  }
  return spec;
}

FaultKind FaultInjector::Next() {
  ++count_;
  lastAffected_ = spec_.limit == 0 || count_ <= spec_.limit;
  // Drawn for every request, affected or not, so the sequence does not depend on the limit.
  const double draw = static_cast<double>(generator_()) / 4294967296.0;
  if (!lastAffected_) return FaultKind::None;
  if (draw < spec_.drop) return FaultKind::Drop;
  if (draw < spec_.drop + spec_.crc) return FaultKind::Corrupt;
  if (draw < spec_.drop + spec_.crc + spec_.cut) return FaultKind::Cut;
  return FaultKind::None;
}

void FaultInjector::Apply(FaultKind kind, std::vector<std::uint8_t>& answer) {
  switch (kind) {
    case FaultKind::None:
      return;
    case FaultKind::Drop:
      answer.clear();
      return;
    case FaultKind::Corrupt:
      if (!answer.empty()) answer.back() ^= 0xA5;
      return;
    case FaultKind::Cut:
      answer.resize(answer.size() / 2);
      return;
  }
}

}  // namespace quillon::sim
