#pragma once
// The polling of a scope window: its poll and write records with their buffers, the answer
// handlers the port worker calls, and the status the window shows once a second. The worker
// side touches only atomics, the records' buffers and the memory image, so the window reads
// rings and status without a lock.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_parameters.h"
#include "link/link_request.h"
#include "scope/base_property.h"

namespace quillon {

class TViewList;

// Port name of a window that shows a record instead of polling.
inline constexpr std::string_view kViewRecordPort = "View Record";
// Low part of the status word: answers processed since the last one-second tick.
inline constexpr std::uint32_t kScopeAnswerCountMask = 0x00FFFFFF;
inline constexpr std::size_t kScopeFrameBufferSize = 256;

class ScopePoll {
 public:
  // `list` is laid out over `image` (device memory from the span start); both belong to the
  // window and outlive this object.
  ScopePoll(TViewList& list, std::span<std::uint8_t> image);
  ScopePoll(const ScopePoll&) = delete;
  ScopePoll& operator=(const ScopePoll&) = delete;

  // Lays the variables out over the image and fills the poll record for the settings'
  // protocol, ready for AddRequest. The record must not be registered with any worker. Returns
  // false, touching nothing, for a window that shows a record or a protocol that is not polled.
  // An unknown memory area under QuBUS throws std::invalid_argument.
  bool PreparePoll(const TBaseProperty& settings);
  // Fills the write record with `frame` for one service; it must not be registered.
  void PrepareWrite(const LinkFrame& frame);

  TLinkRequest& PollRecord() { return poll_; }
  TLinkRequest& WriteRecord() { return write_; }
  // Data of the time mark: set once a second, taken by every sample.
  std::uint8_t* TickByte() { return &tick_; }
  int OddStart() const { return oddStart_; }

  // "Проверка CRC16" of the options dialog; on unless switched off.
  void SetCrcCheck(bool on) { crcCheck_.store(on, std::memory_order_relaxed); }
  // A paused window is not served again after the answer in progress.
  void SetPaused(bool paused) { paused_.store(paused, std::memory_order_relaxed); }

  // Called on the worker thread after the variables took their sample of an accepted answer
  // (the trace line, waking the redraw). It must not block on the window's thread.
  std::function<void()> AfterSample;

  // The answer handlers, on the worker thread.
  void ReceiveDataFromQuBUS(TLinkRequest& request);
  void ReceiveDataFromMODBUS(TLinkRequest& request);

  std::uint32_t Status() const { return status_.load(std::memory_order_relaxed); }
  // Once a second on the window's thread: the text of status panel 1 ("CRC!", "DNR!", "EXC nn"
  // for a read the device refused, or the answers counted), then a fresh count and a tick for
  // the next sample.
  std::string OneSecondTick();

 private:
  void ProcessAnswer(TLinkRequest& request);
  void Reject(TLinkRequest& request, std::uint32_t bits);
  void ServeAgain(TLinkRequest& request);

  TViewList& list_;
  std::span<std::uint8_t> image_;
  std::vector<std::uint8_t> answer_;
  std::array<std::uint8_t, kScopeFrameBufferSize> request_{};
  std::array<std::uint8_t, kScopeFrameBufferSize> writeBuffer_{};
  std::uint8_t tick_ = 0;
  int oddStart_ = 0;
  std::atomic<std::uint32_t> status_{0};
  std::atomic<std::uint8_t> exceptionCode_{0};
  std::atomic<bool> crcCheck_{true};
  std::atomic<bool> paused_{false};
  TLinkRequest poll_;
  TLinkRequest write_;
};

// One trace line: the physical value of the sample just taken of every variable but the time
// mark, from the last to the first, each followed by ";". Every line is its own sample, whatever
// the window shows at the cursor or drew last.
std::string ScopeTraceLine(TViewList& list);

}  // namespace quillon
