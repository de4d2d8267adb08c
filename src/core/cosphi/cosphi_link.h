#pragma once
// The cos-phi tuning tool's side of the link: its lists and the five request records. The RAM
// and FLASH polls and the buffer read stay registered while the tool is attached to a port and
// are sent again when their Busy is cleared; the two writes go out once each.
//
// The registry work (Attach, Write, Detach) runs on the link task queue's thread, never the
// window's. Answer handlers run on the worker's thread: they sample the lists and count under
// this object's mutex, and hand a buffer that came in to the window. The window shares the
// object with its queued tasks, so the records outlive a window that closes while a worker
// still holds them.
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cosphi/cosphi_frames.h"
#include "cosphi/cosphi_lists.h"
#include "link/attachment.h"
#include "link/link_request.h"

namespace quillon {

class LinkHub;
class Prompt;

inline constexpr std::uint32_t kCosPhiDelayMs = 10;

// What the window shows, taken from the newest samples; nothing for a variable the lists lack.
struct CosPhiValues {
  std::optional<std::string> angle;          // physical value
  std::optional<std::string> cosine;         // of the angle
  std::optional<std::string> statorVoltage;  // physical value
  std::optional<std::string> statorCurrent;  // raw value in hexadecimal
  bool hasBufferRequest = false;
};

struct CosPhiStatus {
  int goodReplies = 0;
  bool failed = false;
};

// The pens of the two strips: the trend colours of the XRAM list's two bits.
struct StripColours {
  std::optional<Colour> voltage;
  std::optional<Colour> current;
};

class CosPhiLink {
 public:
  enum class Area { Ram, Flash };
  // Worker thread: a phase buffer came in whole; must hand on and return without blocking.
  using BufferLoaded = std::function<void(const std::array<std::uint8_t, kPhaseImageSize>& buffer)>;
  // Worker thread: the offset as read from the controller.
  using OffsetLoaded = std::function<void(const std::string& text)>;

  // `hub` outlives the link.
  CosPhiLink(LinkHub& hub, BufferLoaded buffer, OffsetLoaded offset);
  CosPhiLink(const CosPhiLink&) = delete;
  CosPhiLink& operator=(const CosPhiLink&) = delete;

  // Task queue thread. Withdraws every record, builds the lists from the device file, takes the
  // endpoint's line and registers the polls. False when the line cannot be had: then nothing is
  // registered.
  bool Attach(const Endpoint& endpoint, const std::string& devicePath);
  // Task queue thread. Withdraws every record.
  void Detach();
  // Task queue thread. Writes `text` to the named variable; a FLASH write then asks for the
  // FLASH poll again. False when nothing was sent (no port, no variable, a refused text, which
  // `prompt` is told).
  bool Write(Area area, std::string_view name, const std::string& text, Prompt& prompt);

  // Any thread. The values of the last good RAM answer; none before the first since attaching.
  CosPhiValues Values();
  CosPhiStatus TakeStatus();
  StripColours Colours();
  void RearmRamPoll() { ramPoll_.Busy = false; }
  void RearmBufferRead() { bufferRead_.Busy = false; }

 private:
  void RamAnswered(TLinkRequest& request);
  void FlashAnswered(TLinkRequest& request);
  void BufferAnswered(TLinkRequest& request);

  BufferLoaded bufferLoaded_;
  OffsetLoaded offsetLoaded_;

  mutable std::mutex mutex_;
  CosPhiLists lists_;
  CosPhiStatus status_;
  bool ramAnswered_ = false;  // a good RAM answer came since the last attach

  PollFrame ramFrame_;
  PollFrame flashFrame_;
  PollFrame bufferFrame_;
  std::array<std::uint8_t, 256> ramAnswer_{};
  std::array<std::uint8_t, 256> flashAnswer_{};
  std::array<std::uint8_t, 256> writeAnswer_{};
  std::vector<std::uint8_t> ramWriteFrame_;
  std::vector<std::uint8_t> flashWriteFrame_;
  TLinkRequest ramPoll_;
  TLinkRequest flashPoll_;
  TLinkRequest bufferRead_;
  TLinkRequest ramWrite_;
  TLinkRequest flashWrite_;

  // Task queue thread only: where the records were given. Last, so that it withdraws them
  // before they go.
  Attachment attachment_;
};

}  // namespace quillon
