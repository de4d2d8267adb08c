#pragma once
// The history of a variable is written by the thread that takes samples (a port worker's answer
// handler) and read by the window that draws it, without a lock between them. Entries and the
// index of the newest one are therefore atomics: a sample costs two plain stores on the usual
// processors, and a redraw never sees half of an entry.
#include <atomic>
#include <cstdint>
#include <variant>
#include <vector>

namespace quillon {

// An index shared between the sampling thread and the window: the newest entry of a ring, the
// first visible one, the one the value column shows. Reading it converts to a plain index
// (acquire), assigning publishes (release), so the record's fields read as before.
class PublishedIndex {
 public:
  PublishedIndex() = default;
  // Explicit, so that `flag ? index : 0` reads the index instead of being ambiguous.
  explicit PublishedIndex(std::int32_t index) : value_(index) {}
  PublishedIndex(const PublishedIndex& other) : value_(other.Load()) {}
  PublishedIndex& operator=(const PublishedIndex& other) { return *this = other.Load(); }
  PublishedIndex& operator=(std::int32_t index) {
    value_.store(index, std::memory_order_release);
    return *this;
  }
  operator std::int32_t() const { return Load(); }  // NOLINT: reads as the plain field
  std::int32_t Load() const { return value_.load(std::memory_order_acquire); }

 private:
  std::atomic<std::int32_t> value_{0};
};

// A fixed ring of unsigned entries of 1, 2, 4 or 8 bytes. Each entry is loaded and stored whole,
// so a reader sees either the old or the new value of an entry that is being overwritten, never
// a mixture. Ordering between entries is the business of the index that publishes them.
class SampleRing {
 public:
  SampleRing(int entryBytes, int length);

  int Length() const { return length_; }
  int EntryBytes() const { return entryBytes_; }
  // `index` must lie in [0, Length()).
  std::uint64_t Load(int index) const;
  // The value is cut to the entry's width.
  void Store(int index, std::uint64_t value);
  // Sets or clears bits of an entry without losing a concurrent change of its other bits (the
  // window marks cursor and ruler samples while the worker keeps sampling).
  void SetBits(int index, std::uint64_t bits);
  void ClearBits(int index, std::uint64_t bits);

  // `count` entries from `first` on (wrapping at the end of the ring), each as `width` bytes, low
  // byte first, as record files hold them: one pass instead of an entry at a time, since a
  // record moves the whole history of every variable. `first` must lie in [0, Length()),
  // `width` in 1..8, and the buffer must hold count × width bytes.
  void CopyOut(int first, int count, int width, std::uint8_t* dest) const;
  void CopyIn(int first, int count, int width, const std::uint8_t* src);

 private:
  template <typename T>
  using Cells = std::vector<std::atomic<T>>;
  using AnyCells = std::variant<Cells<std::uint8_t>, Cells<std::uint16_t>, Cells<std::uint32_t>, Cells<std::uint64_t>>;
  static AnyCells MakeCells(int entryBytes, int length);

  int entryBytes_;
  int length_;
  AnyCells cells_;
};

}  // namespace quillon
