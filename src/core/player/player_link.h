#pragma once
// The player window's records on a serial port worker: the poll of its variables, which stays
// registered while the window exists and is sent again each time the window has shown its
// answer, and the one-shot write of the player word.
//
// Attach, Send and Detach touch the registry and may wait: they run on the link task queue's
// thread. The poll's handler runs on the worker's thread; it only decodes into the image, sets
// the message and tells the window that a good answer came. The window shares the object with
// its queued tasks, so the records outlive a window that goes while a worker still holds them.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/attachment.h"
#include "link/link_request.h"
#include "player/player_poll.h"
#include "variables/view.h"

namespace quillon {

class LinkHub;

inline constexpr std::uint32_t kPlayerWriteDelayMs = 100;

class PlayerLink {
 public:
  // Called on the worker's thread after a poll answer worth showing; it must hand on and
  // return without blocking.
  using GoodAnswer = std::function<void()>;

  // `hub` outlives the link.
  PlayerLink(LinkHub& hub, GoodAnswer onGoodAnswer);
  PlayerLink(const PlayerLink&) = delete;
  PlayerLink& operator=(const PlayerLink&) = delete;

  // Task queue thread. Leaves a place it was attached to before, takes the endpoint's line and,
  // given a poll, registers it (in place of an earlier one). False when the line cannot be had:
  // then nothing is registered.
  bool Attach(const Endpoint& endpoint, std::optional<PlayerPollFrame> poll);
  // Task queue thread. Takes the previous write out of the worker and hands over this one;
  // false when no line is attached.
  bool Send(std::vector<std::uint8_t> frame);
  // Task queue thread. Withdraws both records; a port left without records closes.
  void Detach();

  // Any thread. Lets the worker send the poll again.
  void Rearm();
  std::string Message() const;
  // Runs `action` while no answer is decoded into the image (the window samples under it).
  template <typename Action>
  void WithImage(Action action) {
    std::lock_guard lock(mutex_);
    action();
  }
  std::span<std::uint8_t> Image() { return image_; }
  // Inside WithImage: the byte of the first register the last good poll brought before the
  // image (a poll that starts in a register's high byte), or nothing.
  std::optional<std::uint8_t> ByteBeforeImage() const { return byteBeforeImage_; }

  const TLinkRequest& PollRequest() const { return poll_; }
  const TLinkRequest& WriteRequest() const { return write_; }

 private:
  void PollAnswered(TLinkRequest& request);

  GoodAnswer onGoodAnswer_;
  mutable std::mutex mutex_;  // the image, the message and the poll's frame
  std::vector<std::uint8_t> image_ = std::vector<std::uint8_t>(kImageSize, 0);
  std::string message_;
  int oddStart_ = 0;
  std::optional<std::uint8_t> byteBeforeImage_;
  std::vector<std::uint8_t> pollFrame_;
  std::array<std::uint8_t, 256> pollAnswer_{};
  std::vector<std::uint8_t> writeFrame_;
  std::array<std::uint8_t, 256> writeAnswer_{};
  TLinkRequest poll_;
  TLinkRequest write_;

  // Task queue thread only. Last, so that it withdraws the records before they go.
  Attachment attachment_;
};

}  // namespace quillon
