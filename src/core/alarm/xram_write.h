#pragma once
// Writes of the alarm buffer tool to the controller, all through one request record. A change
// of the counters is two exchanges: the data write, then the commit byte 0x1B to XRAM 0x05A5,
// which tells the controller to take the change. A clock set is one exchange. Writes made while
// others are on their way wait in a queue and go out in the order they were made (a worker
// serves the newest record first, so separate records would reverse them); the worker drops
// the record after the last exchange of the last write.
#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/buses.h"
#include "link/link_request.h"

namespace quillon {

inline constexpr std::uint16_t kCommitAddress = 0x05A5;  // XRAM
inline constexpr std::uint8_t kCommitByte = 0x1B;
inline constexpr std::uint16_t kCounterClearAddress = 0x065E;
inline constexpr int kCounterClearLength = 34;
inline constexpr std::uint16_t kMotorTimeAddress = 0x0680;
inline constexpr std::uint16_t kMaintenanceAddress = 0x0684;

// 34 zero bytes from the two before the counter block on: every trip counter, the unshown words
// and the last record number; the work times stay.
std::vector<std::uint8_t> BuildCounterClearFrame();
// Four zero bytes over the motor work time.
std::vector<std::uint8_t> BuildMotorTimeResetFrame();
// The most hours the controller's 32-bit count of seconds can hold.
inline constexpr std::uint32_t kMaxMaintenanceHours = 0xFFFFFFFFu / 3600u;

// The hours typed as the time left to maintenance, or why they are refused (`hours` empty):
// not a number (the usual integer message), below zero or more than the counter holds. A refused value is never sent:
// the controller would take a wrapped count (-5 h read back as 1193041:28:16).
struct MaintenanceHoursInput {
  std::optional<std::uint32_t> hours;
  std::string message;
};
MaintenanceHoursInput ReadMaintenanceHours(std::string_view text);

// `hours` × 3600 as a little-endian 32-bit count of seconds left to maintenance. Throws
// std::out_of_range above kMaxMaintenanceHours.
std::vector<std::uint8_t> BuildMaintenanceFrame(std::uint32_t hours);
std::vector<std::uint8_t> BuildCommitFrame();

class XramWrites {
 public:
  enum class Kind {
    Once,        // one exchange
    WithCommit,  // the data write, then the commit write
  };

  XramWrites();
  XramWrites(const XramWrites&) = delete;
  XramWrites& operator=(const XramWrites&) = delete;

  // Queues a write. True when the record is with no worker: the caller then withdraws it (a
  // worker may still be letting go of it), calls Arm and registers it.
  bool Push(Kind kind, std::span<const std::uint8_t> frame);
  // Loads the first queued write into the record, to be served from its first exchange.
  void Arm();
  // Nothing queued or on its way.
  bool Idle() const;
  // Forgets what is queued; only once the record has been withdrawn from its worker.
  void Clear();

  TLinkRequest& Request() { return request_; }

 private:
  struct Pending {
    Kind kind;
    std::vector<std::uint8_t> frame;
  };

  // Worker thread, between two services of the record: the frame may change here.
  void Answered(TLinkRequest& request);
  void Load(const std::vector<std::uint8_t>& frame);

  mutable std::mutex mutex_;
  std::deque<Pending> queue_;
  bool committing_ = false;
  bool registered_ = false;
  std::array<std::uint8_t, kMaxFrameLength> frame_{};
  std::array<std::uint8_t, 256> answer_{};
  TLinkRequest request_;
};

}  // namespace quillon
