#pragma once
// The search for devices on a MODBUS line: every address of a range (the search window's: 1 to
// 255 and then 0) is asked once for its slave ID, one request record re-armed by its own answer
// handler.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_request.h"
#include "workspace/paths.h"

namespace quillon {

inline constexpr std::size_t kSearchFrameLength = 4;
inline constexpr std::size_t kSearchAnswerCapacity = 1025;
// Between two addresses, so a slow device has left the line before the next one is asked.
inline constexpr std::uint32_t kSearchNextDelayMs = 10;

// Report slave ID to `address`: address, 0x11, CRC16 low byte, high byte.
std::array<std::uint8_t, kSearchFrameLength> BuildSearchFrame(std::uint8_t address);

// What one answer handler call hands to the window.
struct SweepStep {
  std::uint8_t asked = 0;    // the address this step answers for
  std::uint8_t counter = 0;  // the address asked next (the first again once all were asked)
  // The counted text of a report-slave-ID answer from the address asked, its CRC good. Bytes
  // that fail that (line noise, a late answer from the address before) find nobody.
  std::optional<std::string> found;
  bool last = false;  // the record will be dropped: nothing more comes
};

class DeviceSweep {
 public:
  // Called on the worker's thread; it must hand the step on and return without blocking.
  using StepHandler = std::function<void(SweepStep)>;

  explicit DeviceSweep(StepHandler onStep);
  DeviceSweep(const DeviceSweep&) = delete;
  DeviceSweep& operator=(const DeviceSweep&) = delete;

  // Arms the record for the search window's sweep: 1 to 255, then 0. Only while the record is
  // in no worker.
  void Start();
  // Arms the record for `count` addresses (1 to 256) from `first` on, wrapping from 255 to 0.
  void Start(std::uint8_t first, unsigned count);
  // The record finishes the service in progress and is dropped; no further address is asked.
  void Stop();
  bool Stopped() const { return stopped_.load(); }
  std::uint8_t Counter() const { return counter_.load(); }

  TLinkRequest& Request() { return request_; }
  const std::uint8_t* Frame() const { return frame_.data(); }

 private:
  void HandleAnswer(TLinkRequest& request);

  StepHandler onStep_;
  std::array<std::uint8_t, kSearchFrameLength> frame_{};
  std::vector<std::uint8_t> answer_;
  std::atomic<std::uint8_t> counter_{1};
  std::uint8_t first_ = 1;
  unsigned count_ = 256;
  unsigned asked_ = 0;  // only the worker's thread touches it while the record is registered
  std::atomic<bool> stopped_{false};
  TLinkRequest request_;
};

// One identification string the search found, flagged when no device file has its identity.
struct FoundDevice {
  std::string id;
  bool noDeviceFile = false;
  std::string devicePath;  // the device file found for it; empty when flagged
};

// The counted text of an answer ends in the run indicator, and the line may add noise: the last
// character goes, then whatever no identification contains. Fewer than four tokens: nullopt.
std::optional<FoundDevice> ProcessFoundText(const WorkspacePaths& paths, std::string_view text);

// The progress drawn on the stop panel, rectangles with exclusive right and bottom edges.
struct SearchProgressRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct SearchProgressGeometry {
  SearchProgressRect outline;
  SearchProgressRect bar;  // filled; empty when right == left
};
SearchProgressGeometry SearchProgress(int panelWidth, int panelHeight, std::uint8_t counter);

}  // namespace quillon
