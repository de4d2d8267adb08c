#include "sim/player.h"

#include <algorithm>

#include "text/cp1251.h"

namespace quillon::sim {

namespace {

constexpr std::uint8_t kApplyFunction = 0x25;
constexpr std::uint16_t kCommandBits = kPlayerPlayingBit | kPlayerStoppedBit | kPlayerPausedBit | kPlayerRepeatBit;

std::size_t CellBytes(const MovingCell& cell) { return cell.size >= 2 ? 2 : 1; }

std::string StateText(std::uint16_t word) {
  std::string text = (word & kPlayerPlayingBit) ? "playing" : (word & kPlayerStoppedBit) ? "stopped" : "halted";
  if (word & kPlayerPausedBit) text += ", paused";
  if (word & kPlayerRepeatBit) text += ", repeat";
  return text;
}

}  // namespace

std::uint16_t NextPlayerWord(std::uint16_t written, bool programSelected) {
  std::uint16_t word = written & kCommandBits;
  if (!programSelected) word = static_cast<std::uint16_t>((word & ~kPlayerPlayingBit) | kPlayerStoppedBit);
  if (word & kPlayerStoppedBit) word &= static_cast<std::uint16_t>(~(kPlayerPlayingBit | kPlayerPausedBit));
  if (!(word & kPlayerPlayingBit)) word &= static_cast<std::uint16_t>(~kPlayerPausedBit);
  if (programSelected) word |= kPlayerSelectedBit;
  return word;
}

SimPlayer::SimPlayer(const std::vector<MovingCell>& ramCells) {
  const auto found =
      std::find_if(ramCells.begin(), ramCells.end(), [](const MovingCell& cell) { return cell.name == "PLAYER"; });
  if (found != ramCells.end()) cell_ = *found;
}

void SimPlayer::Hold(SimMemory& memory) const {
  if (!cell_) return;
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(word_ & 0xFF), static_cast<std::uint8_t>(word_ >> 8)};
  memory.Write(Area::Ram, cell_->address, bytes, CellBytes(*cell_));
}

void SimPlayer::Written(SimMemory& memory, std::string& note) {
  if (!cell_) return;
  std::uint8_t bytes[2] = {0, 0};
  if (!memory.Read(Area::Ram, cell_->address, CellBytes(*cell_), bytes)) return;
  const auto written = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
  if (written == word_) return;
  word_ = NextPlayerWord(written, !program_.empty());
  Hold(memory);
  note += " (player: " + StateText(word_) + ")";
}

void SimPlayer::Applied(SimMemory& memory, std::span<const std::uint8_t> frame, std::span<const std::uint8_t> answer,
                        std::string& note) {
  if (!cell_ || answer.size() < 2 || answer[1] != kApplyFunction || frame.size() < 3) return;
  const auto name = frame.subspan(2);
  const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
  program_ = Cp1251ToUtf8(std::string(name.begin(), end));
  word_ = NextPlayerWord(static_cast<std::uint16_t>(word_ | kPlayerStoppedBit), true);
  Hold(memory);
  note += " (player: program \"" + program_ + "\", " + StateText(word_) + ")";
}

}  // namespace quillon::sim
