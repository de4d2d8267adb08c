#include "variables/sample_ring.h"

#include <stdexcept>
#include <string>

namespace quillon {

static_assert(std::atomic<std::uint64_t>::is_always_lock_free && std::atomic<std::int32_t>::is_always_lock_free,
              "sampling must not take a lock");

template <typename T>
std::atomic<T>* SampleRing::Cells<T>::Writable() {
  std::atomic<T>* block = block_.load(std::memory_order_acquire);
  if (block != nullptr) return block;
  auto* made = new std::atomic<T>[size_]();
  if (block_.compare_exchange_strong(block, made, std::memory_order_acq_rel, std::memory_order_acquire)) return made;
  delete[] made;
  return block;
}

SampleRing::AnyCells SampleRing::MakeCells(int entryBytes, int length) {
  const auto n = static_cast<std::size_t>(length);
  switch (entryBytes) {
    case 1:
      return Cells<std::uint8_t>(n);
    case 2:
      return Cells<std::uint16_t>(n);
    case 4:
      return Cells<std::uint32_t>(n);
    case 8:
      return Cells<std::uint64_t>(n);
    default:
      throw std::invalid_argument("no ring of " + std::to_string(entryBytes) + "-byte entries");
  }
}

SampleRing::SampleRing(int entryBytes, int length)
    : entryBytes_(entryBytes), length_(length), cells_(MakeCells(entryBytes, length)) {}

std::uint64_t SampleRing::Load(int index) const {
  return std::visit(
      [index](const auto& cells) -> std::uint64_t {
        const auto* block = cells.Readable();
        return block == nullptr ? 0 : block[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
      },
      cells_);
}

void SampleRing::Store(int index, std::uint64_t value) {
  std::visit(
      [index, value](auto& cells) {
        using T = typename std::decay_t<decltype(cells)>::value_type::value_type;
        cells.Writable()[static_cast<std::size_t>(index)].store(static_cast<T>(value), std::memory_order_relaxed);
      },
      cells_);
}

void SampleRing::SetBits(int index, std::uint64_t bits) {
  std::visit(
      [index, bits](auto& cells) {
        using T = typename std::decay_t<decltype(cells)>::value_type::value_type;
        cells.Writable()[static_cast<std::size_t>(index)].fetch_or(static_cast<T>(bits), std::memory_order_relaxed);
      },
      cells_);
}

void SampleRing::ClearBits(int index, std::uint64_t bits) {
  std::visit(
      [index, bits](auto& cells) {
        using T = typename std::decay_t<decltype(cells)>::value_type::value_type;
        // Clearing bits of an entry that was never written leaves it 0: nothing to make.
        if (auto* block = cells.Existing()) {
          block[static_cast<std::size_t>(index)].fetch_and(static_cast<T>(~bits), std::memory_order_relaxed);
        }
      },
      cells_);
}

void SampleRing::CopyOut(int first, int count, int width, std::uint8_t* dest) const {
  std::visit(
      [&](const auto& cells) {
        const auto* block = cells.Readable();
        std::size_t index = static_cast<std::size_t>(first);
        for (int i = 0; i < count; ++i) {
          const std::uint64_t value = block == nullptr ? 0 : block[index].load(std::memory_order_relaxed);
          for (int b = 0; b < width; ++b) *dest++ = static_cast<std::uint8_t>(value >> (8 * b));
          if (++index == cells.size()) index = 0;
        }
      },
      cells_);
}

void SampleRing::CopyIn(int first, int count, int width, const std::uint8_t* src) {
  std::visit(
      [&](auto& cells) {
        using T = typename std::decay_t<decltype(cells)>::value_type::value_type;
        if (count <= 0) return;
        auto* block = cells.Writable();
        std::size_t index = static_cast<std::size_t>(first);
        for (int i = 0; i < count; ++i) {
          std::uint64_t value = 0;
          for (int b = 0; b < width; ++b) value |= static_cast<std::uint64_t>(*src++) << (8 * b);
          block[index].store(static_cast<T>(value), std::memory_order_relaxed);
          if (++index == cells.size()) index = 0;
        }
      },
      cells_);
}

bool SampleRing::Allocated() const {
  return std::visit([](const auto& cells) { return cells.Readable() != nullptr; }, cells_);
}

}  // namespace quillon
