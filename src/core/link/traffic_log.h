#pragma once
// The traffic monitor's store: the newest frames of every link the program has open, and the
// rows a filter shows of them. Frames arrive in batches every tenth of a second while a table
// shows up to the whole store, so nothing here may cost more than the frames it touches: an
// append is O(1) (a ring of fixed slots, allocated a block at a time as it first fills and never
// moved), and the rows of the filtered view are kept as a list of frame numbers that grows at
// its end with new frames and shrinks at its front as the oldest frames drop off; only a change
// of the filter goes over the whole store.
//
// One thread: the monitor's window drains the tap into it and reads it.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/traffic_frame.h"

namespace quillon {

// What the engineer may scroll back through before the oldest frames give way.
inline constexpr std::size_t kTrafficLogCapacity = 100000;

// Which frames the monitor shows; an empty field lets every frame through.
struct TrafficFilter {
  std::string link{};  // the link's name, exactly
  // The device address the frame names: frames that name none (QuBUS) are hidden.
  std::optional<std::uint8_t> address{};
  // Answers with this verdict. Requests have none and are hidden: an answer's summary names what
  // its request asked for, so the refused answers alone tell the whole story.
  std::optional<FrameVerdict> verdict{};

  bool Matches(const TrafficFrame& frame) const;
};

class TrafficLog {
 public:
  explicit TrafficLog(std::size_t capacity = kTrafficLogCapacity);
  TrafficLog(const TrafficLog&) = delete;
  TrafficLog& operator=(const TrafficLog&) = delete;

  std::size_t Capacity() const { return capacity_; }
  // Frames held, whether the filter shows them or not.
  std::size_t Size() const { return static_cast<std::size_t>(next_ - first_); }
  // Held frame `index`, 0 the oldest.
  const TrafficFrame& Frame(std::size_t index) const { return Slot(first_ + index); }

  // A full log drops its oldest frame to make room.
  void Append(const TrafficFrame& frame);
  // Drops the `count` oldest frames (all of them when fewer are held).
  void DropOldest(std::size_t count);
  // Forgets every frame; the links and addresses seen stay, as the links stay open.
  void Clear();

  // How many of the oldest frames an append of `incoming` frames pushes out, and how many rows
  // of the view those hold: a table removes those rows before the frames go.
  std::size_t Overflow(std::size_t incoming) const;
  std::size_t RowsAmongOldest(std::size_t frames) const;

  void SetFilter(TrafficFilter filter);
  const TrafficFilter& Filter() const { return filter_; }
  // The view: the frames the filter shows, oldest first.
  std::size_t Rows() const { return rows_.size(); }
  const TrafficFrame& Row(std::size_t row) const { return Slot(rows_[row]); }

  // What the filter choices offer: the links and device addresses seen so far, sorted.
  const std::vector<std::string>& Links() const { return links_; }
  std::vector<std::uint8_t> Addresses() const;

 private:
  // Slots are allocated in blocks, so a log that never fills never takes the whole store.
  static constexpr std::size_t kBlock = 1024;

  const TrafficFrame& Slot(std::uint64_t number) const;
  TrafficFrame& SlotForWrite(std::uint64_t number);
  void NoteChoices(const TrafficFrame& frame);

  std::size_t capacity_;
  std::vector<std::unique_ptr<TrafficFrame[]>> blocks_;
  // Every frame gets the next number; a frame lives in slot number % capacity.
  std::uint64_t first_ = 0;  // the oldest frame held
  std::uint64_t next_ = 0;
  TrafficFilter filter_;
  std::deque<std::uint64_t> rows_;  // numbers of the shown frames, ascending
  std::vector<std::string> links_;
  std::bitset<256> addresses_;
};

}  // namespace quillon
