#pragma once
// Faults the simulator injects into its answers, for tests and training: corrupted, missing,
// truncated, late and repeated answers, answers a master must refuse although their CRC checks
// out, and an extra delay. A seeded generator makes every run with the same requests fail in the
// same places.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quillon::sim {

// A late answer comes this long after the request: past the 500 ms a master waits for it.
inline constexpr int kLateAnswerMs = 600;

struct FaultSpec {
  double crc = 0.0;   // rate of answers with a corrupted last byte (the CRC of a MODBUS answer)
  double drop = 0.0;  // rate of requests left unanswered
  double cut = 0.0;   // rate of answers cut to their first half ("short")
  double late = 0.0;  // rate of answers sent kLateAnswerMs late
  // The rest shape MODBUS answers only; QuBUS has no exceptions, addresses or byte counts.
  double exception = 0.0;      // rate of requests answered with the exception 04 ("exc")
  double otherAddress = 0.0;   // rate of answers as from another slave, other values ("addr")
  double otherFunction = 0.0;  // rate of answers with another function, other values ("func")
  double byteCount = 0.0;      // rate of answers with a byte count and data two short ("count")
  double twice = 0.0;          // rate of answers sent twice ("dup")
  int delayMs = 0;             // added before every answer
  std::uint32_t seed = 1;
  // Only the first `limit` requests are affected (0: all of them), so a test can see a reader
  // fail and then recover.
  std::uint64_t limit = 0;

  bool Any() const {
    return crc > 0 || drop > 0 || cut > 0 || late > 0 || exception > 0 || otherAddress > 0 || otherFunction > 0 ||
           byteCount > 0 || twice > 0 || delayMs > 0;
  }
};

// "crc=0.1,drop=0.05,short=0.05,late=0.05,exc=0.05,addr=0.05,func=0.05,count=0.05,dup=0.05,
// delay=30,seed=7,limit=3"; any subset, in any order. Throws std::invalid_argument naming the
// offending item.
FaultSpec ParseFaultSpec(const std::string& text);

enum class FaultKind { None, Drop, Corrupt, Cut, Late, Exception, OtherAddress, OtherFunction, ByteCount, Twice };

// The faults that spoil the bytes as they go on the wire (a changed last byte, an answer cut
// short) rather than what the answer says: a line with a framing of its own applies them to its
// own frame (see WireFaults).
constexpr bool SpoilsTheWire(FaultKind kind) { return kind == FaultKind::Corrupt || kind == FaultKind::Cut; }

// Where a controller applies the faults that spoil the wire: to the RTU answer it gives, or not
// at all, leaving them to the line that frames the answer its own way (MBAP has no CRC for a
// changed last byte to spoil).
enum class WireFaults { OnAnswer, LeftToLine };

class FaultInjector {
 public:
  explicit FaultInjector(const FaultSpec& spec = {}) : spec_(spec), generator_(spec.seed) {}

  // Decides the fault for the next request (one draw per request).
  FaultKind Next();
  // Milliseconds to wait before the answer to the request just decided.
  int DelayMs() const;
  // How many times the answer to the request just decided goes on the line.
  int Repeats() const { return last_ == FaultKind::Twice ? 2 : 1; }
  // Applies a decision to an answer; a dropped answer becomes empty. false when the decision
  // leaves this answer as it is: a MODBUS fault on a QuBUS answer, a byte count fault on an
  // answer without one.
  static bool Apply(FaultKind kind, std::vector<std::uint8_t>& answer, bool modbus);

  const FaultSpec& Spec() const { return spec_; }

 private:
  FaultSpec spec_;
  std::mt19937 generator_;
  std::uint64_t count_ = 0;
  bool lastAffected_ = false;
  FaultKind last_ = FaultKind::None;
};

}  // namespace quillon::sim
