#pragma once
// The history of a variable is written by the thread that takes samples (a port worker's answer
// handler) and read by the window that draws it, without a lock between them. Entries (and the
// index of the newest, see SampleHistory) are therefore atomics: a sample costs two plain stores
// on the usual processors, and a redraw never sees half of an entry.
#include <atomic>
#include <cstdint>
#include <variant>

namespace quillon {

// A fixed ring of unsigned entries of 1, 2, 4 or 8 bytes. Each entry is loaded and stored whole,
// so a reader sees either the old or the new value of an entry that is being overwritten, never
// a mixture. Ordering between entries is the business of the index that publishes them.
//
// The entries are made on the first write, all zero: a device of ten thousand parameters whose
// values are only read once (a report, a comparison) never holds their histories, which would
// take hundreds of megabytes. Until then every entry reads 0, as a fresh ring does.
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

  // Whether the entries have been made (by a write) yet.
  bool Allocated() const;

 private:
  // The entries of one width, made by whichever thread writes first: the sampling worker, or the
  // window marking a cursor. A thread that loses the race drops its own block.
  template <typename T>
  class Cells {
   public:
    explicit Cells(std::size_t size) : size_(size) {}
    Cells(Cells&& other) noexcept : size_(other.size_), block_(other.block_.exchange(nullptr)) {}
    Cells(const Cells&) = delete;
    Cells& operator=(const Cells&) = delete;
    Cells& operator=(Cells&&) = delete;
    ~Cells() { delete[] block_.load(std::memory_order_acquire); }

    using value_type = std::atomic<T>;
    std::size_t size() const { return size_; }
    // Null until the first write.
    const std::atomic<T>* Readable() const { return block_.load(std::memory_order_acquire); }
    std::atomic<T>* Existing() { return block_.load(std::memory_order_acquire); }
    std::atomic<T>* Writable();

   private:
    std::size_t size_;
    std::atomic<std::atomic<T>*> block_{nullptr};
  };
  using AnyCells = std::variant<Cells<std::uint8_t>, Cells<std::uint16_t>, Cells<std::uint32_t>, Cells<std::uint64_t>>;
  static AnyCells MakeCells(int entryBytes, int length);

  int entryBytes_;
  int length_;
  AnyCells cells_;
};

}  // namespace quillon
