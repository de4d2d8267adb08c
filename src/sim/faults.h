#pragma once
// Faults the simulator injects into its answers, for tests and training: corrupted, missing and
// truncated answers and an extra delay. A seeded generator makes every run with the same
// requests fail in the same places.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quillon::sim {

struct FaultSpec {
  double crc = 0.0;   // rate of answers with a corrupted last byte (the CRC of a MODBUS answer)
  double drop = 0.0;  // rate of requests left unanswered
  double cut = 0.0;   // rate of answers cut to their first half ("short")
  int delayMs = 0;    // added before every answer
  std::uint32_t seed = 1;
  // Only the first `limit` requests are affected (0: all of them), so a test can see a reader
  // fail and then recover.
  std::uint64_t limit = 0;

  bool Any() const { return crc > 0 || drop > 0 || cut > 0 || delayMs > 0; }
};

// "crc=0.1,drop=0.05,short=0.05,delay=30,seed=7,limit=3"; any subset, in any order. Throws
// std::invalid_argument naming the offending item.
FaultSpec ParseFaultSpec(const std::string& text);

enum class FaultKind { None, Drop, Corrupt, Cut };

class FaultInjector {
 public:
  explicit FaultInjector(const FaultSpec& spec = {}) : spec_(spec), generator_(spec.seed) {}

  // Decides the fault for the next request (one draw per request).
  FaultKind Next();
  // Milliseconds to wait before the answer to the request just decided.
  int DelayMs() const { return lastAffected_ ? spec_.delayMs : 0; }
  // Applies a decision to an answer; a dropped answer becomes empty.
  static void Apply(FaultKind kind, std::vector<std::uint8_t>& answer);

  const FaultSpec& Spec() const { return spec_; }

 private:
  FaultSpec spec_;
  std::mt19937 generator_;
  std::uint64_t count_ = 0;
  bool lastAffected_ = false;
};

}  // namespace quillon::sim
