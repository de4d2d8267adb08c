#pragma once
// The request record a window hands to a port worker. The window owns it and keeps it alive
// and in place while it is registered; the worker only points to it. While registered the
// owner changes nothing in it except clearing Busy to ask for the next service.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace quillon {

struct TLinkRequest {
  // Where the worker stores the answer (may be RequestBuf itself). A serial worker stores at
  // most 256 bytes and a TCP worker at most 4096, never more than AnswerCapacity.
  std::uint8_t* AnswerBuf = nullptr;
  std::size_t AnswerCapacity = 0;
  std::atomic<std::uint32_t> AnswerLen{0};
  const std::uint8_t* RequestBuf = nullptr;
  std::uint32_t RequestLen = 0;
  // The worker drops the record from its list after serving it once.
  std::atomic<bool> OneShot{false};
  // Served only while clear; the worker sets it before sending, the owner clears it.
  std::atomic<bool> Busy{false};
  // Only its low byte is used, and only by the owner when judging the answer.
  std::int32_t ExpectedLen = 0;
  // Pause between sending the request and starting to read the answer.
  std::uint32_t DelayMs = 0;
  // Called on the worker thread after each service. It must not block on the user-interface
  // thread (the owner may be waiting in RemoveRequest); exceptions are swallowed.
  std::function<void(TLinkRequest&)> OnAnswer;

  TLinkRequest() = default;
  TLinkRequest(const TLinkRequest&) = delete;
  TLinkRequest& operator=(const TLinkRequest&) = delete;
};

}  // namespace quillon
