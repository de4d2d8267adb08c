#pragma once
// A window's side of a request for the worker tests: its buffers, its record and what its
// handler saw; and the scripts of the devices on the far end.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "link/link_request.h"
#include "pty_peer.h"

namespace quillon::testing {

struct RequestOwner {
  using Clock = std::chrono::steady_clock;

  // A polling owner asks again as soon as its answer is handled.
  explicit RequestOwner(Bytes frame, bool polling = true, std::size_t answerCapacity = 256)
      : request(std::move(frame)), answer(answerCapacity) {
    record.RequestBuf = request.data();
    record.RequestLen = static_cast<std::uint32_t>(request.size());
    record.AnswerBuf = answer.data();
    record.AnswerCapacity = answer.size();
    record.DelayMs = 1;
    record.OnAnswer = [this, polling](TLinkRequest& served) {
      {
        std::lock_guard lock(mutex);
        const std::size_t length = std::min<std::size_t>(served.AnswerLen.load(), answer.size());
        answers.emplace_back(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(length));
        answeredAt = Clock::now();
      }
      ++count;
      if (polling) served.Busy = false;
    };
  }
  std::vector<Bytes> Answers() {
    std::lock_guard lock(mutex);
    return answers;
  }

  Bytes request;
  std::vector<std::uint8_t> answer;
  TLinkRequest record;
  std::atomic<int> count{0};
  std::mutex mutex;
  std::vector<Bytes> answers;
  Clock::time_point answeredAt;
};

// A device that answers every request with `marker` followed by the request itself.
inline auto EchoAfter(std::uint8_t marker) {
  return [marker](const Bytes& request) -> std::vector<AnswerChunk> {
    Bytes answer{marker};
    answer.insert(answer.end(), request.begin(), request.end());
    return {{0, answer}};
  };
}

inline std::vector<AnswerChunk> Silent(const Bytes&) { return {}; }

}  // namespace quillon::testing
