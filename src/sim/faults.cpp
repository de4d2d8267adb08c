#include "sim/faults.h"

#include <stdexcept>

#include "sim/controller.h"
#include "text/items.h"
#include "text/numbers.h"

namespace quillon::sim {
namespace {

struct RateKey {
  const char* key;
  double FaultSpec::*rate;
  FaultKind kind;
};

// In the order the draw is compared with: the first three keep the sequences they always gave.
constexpr RateKey kRateKeys[] = {
    {"drop", &FaultSpec::drop, FaultKind::Drop},
    {"crc", &FaultSpec::crc, FaultKind::Corrupt},
    {"short", &FaultSpec::cut, FaultKind::Cut},
    {"late", &FaultSpec::late, FaultKind::Late},
    {"exc", &FaultSpec::exception, FaultKind::Exception},
    {"addr", &FaultSpec::otherAddress, FaultKind::OtherAddress},
    {"func", &FaultSpec::otherFunction, FaultKind::OtherFunction},
    {"count", &FaultSpec::byteCount, FaultKind::ByteCount},
    {"dup", &FaultSpec::twice, FaultKind::Twice},
};

// Another address a slave may have: 247 is followed by 1.
constexpr int kHighestSlave = 247;
constexpr std::uint8_t kExceptionBit = 0x80;
// Other values in an otherwise well-formed answer: no byte keeps its value.
constexpr std::uint8_t kValueChange = 0x5A;
constexpr std::uint8_t kFunctionChange = 0x04;  // leaves the exception bit as it was

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

// Whether the third byte of a MODBUS answer counts the data after it. The write echoes carry a
// register address there, whose high byte may happen to equal the length.
bool HasByteCount(const std::vector<std::uint8_t>& answer) {
  const std::uint8_t function = answer[1];
  if (function & kExceptionBit) return false;
  if (function == 0x05 || function == 0x06 || function == 0x0F || function == 0x10) return false;
  return answer.size() >= 5 && answer[2] == answer.size() - 5;
}

// The answer with its values changed and a CRC that checks out again: only the header tells it
// from a good one.
void ChangeValues(std::vector<std::uint8_t>& answer) {
  const std::size_t dataStart = HasByteCount(answer) ? 3 : 2;
  for (std::size_t i = dataStart; i + 2 < answer.size(); ++i) answer[i] ^= kValueChange;
  answer.resize(answer.size() - 2);
  AppendCRC(answer);
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
    const RateKey* rateKey = nullptr;
    for (const RateKey& candidate : kRateKeys) {
      if (key == candidate.key) rateKey = &candidate;
    }
    if (rateKey) {
      spec.*(rateKey->rate) = ReadRate(key, value);
    } else if (key == "delay") {
      spec.delayMs = static_cast<int>(ReadCount(key, value, 10000));
    } else if (key == "seed") {
      spec.seed = static_cast<std::uint32_t>(ReadCount(key, value, 0xFFFFFFFFLL));
    } else if (key == "limit") {
      spec.limit = static_cast<std::uint64_t>(ReadCount(key, value, 1LL << 40));
    } else {
      throw std::invalid_argument(
          "unknown fault \"" + key +
          "\" (known: crc, drop, short, late, exc, addr, func, count, dup, delay, seed, limit)");
    }
  }
  double sum = 0.0;
  for (const RateKey& rateKey : kRateKeys) sum += spec.*(rateKey.rate);
  if (sum > 1.0 + 1e-9) {
    throw std::invalid_argument(
        "fault rates crc + drop + short + late + exc + addr + func + count + dup add up to more than 1");
  }
  return spec;
}

FaultKind FaultInjector::Next() {
  ++count_;
  lastAffected_ = spec_.limit == 0 || count_ <= spec_.limit;
  last_ = FaultKind::None;
  // Drawn for every request, affected or not, so the sequence does not depend on the limit.
  const double draw = static_cast<double>(generator_()) / 4294967296.0;
  if (!lastAffected_) return last_;
  double bound = 0.0;
  for (const RateKey& rateKey : kRateKeys) {
    bound += spec_.*(rateKey.rate);
    if (draw < bound) {
      last_ = rateKey.kind;
      break;
    }
  }
  return last_;
}

int FaultInjector::DelayMs() const {
  if (!lastAffected_) return 0;
  return spec_.delayMs + (last_ == FaultKind::Late ? kLateAnswerMs : 0);
}

bool FaultInjector::Apply(FaultKind kind, std::vector<std::uint8_t>& answer, bool modbus) {
  switch (kind) {
    case FaultKind::None:
      return false;
    case FaultKind::Drop:
      answer.clear();
      return true;
    case FaultKind::Corrupt:
      if (!answer.empty()) answer.back() ^= 0xA5;
      return true;
    case FaultKind::Cut:
      answer.resize(answer.size() / 2);
      return true;
    case FaultKind::Late:
    case FaultKind::Twice:
      // Their bytes stay; the line server sends them late or twice.
      return true;
    default:
      break;
  }
  // Slave, function and CRC at the least.
  if (!modbus || answer.size() < 4) return false;
  switch (kind) {
    case FaultKind::Exception:
      answer = MODBUSException(answer[0], answer[1], kSlaveDeviceFailure);
      return true;
    case FaultKind::OtherAddress:
      answer[0] = static_cast<std::uint8_t>(answer[0] % kHighestSlave + 1);
      ChangeValues(answer);
      return true;
    case FaultKind::OtherFunction:
      answer[1] ^= kFunctionChange;
      ChangeValues(answer);
      return true;
    case FaultKind::ByteCount:
      if (!HasByteCount(answer) || answer[2] < 2) return false;
      answer[2] = static_cast<std::uint8_t>(answer[2] - 2);
      answer.resize(answer.size() - 4);
      AppendCRC(answer);
      return true;
    default:
      return false;
  }
}

}  // namespace quillon::sim
