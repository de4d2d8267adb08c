#pragma once
// The program player of a Tirel controller: a RAM word named PLAYER whose bits tell what the
// player does (playing, stopped, paused, repeat, a program selected). A master commands it by
// writing the word; the player keeps what makes sense and reports the result in the same word.
// A program is selected by applying a file of the memory card.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/device_image.h"
#include "sim/sim_memory.h"

namespace quillon::sim {

inline constexpr std::uint16_t kPlayerPlayingBit = 1u << 0;
inline constexpr std::uint16_t kPlayerStoppedBit = 1u << 1;
inline constexpr std::uint16_t kPlayerPausedBit = 1u << 2;
inline constexpr std::uint16_t kPlayerRepeatBit = 1u << 3;
inline constexpr std::uint16_t kPlayerSelectedBit = 1u << 4;

// The state a written word leads to. Without a program nothing plays; a stop ends play and
// pause; a pause holds only a playing program; the selection bit is the player's own.
std::uint16_t NextPlayerWord(std::uint16_t written, bool programSelected);

class SimPlayer {
 public:
  // The player lives in the RAM variable named PLAYER; a device without one has no player.
  explicit SimPlayer(const std::vector<MovingCell>& ramCells);

  bool Present() const { return cell_.has_value(); }
  std::uint16_t Word() const { return word_; }
  const std::string& Program() const { return program_; }

  // Puts the player's word into memory (at start, and after the motion generator ran over it).
  void Hold(SimMemory& memory) const;
  // After a write into RAM: a word that differs from the player's is a command.
  void Written(SimMemory& memory, std::string& note);
  // After a card function: a confirmed apply (function 0x25) selects the named file as the
  // program, which stops whatever played.
  void Applied(SimMemory& memory, std::span<const std::uint8_t> frame, std::span<const std::uint8_t> answer,
               std::string& note);

 private:
  std::optional<MovingCell> cell_;
  std::uint16_t word_ = kPlayerStoppedBit;
  std::string program_;
};

}  // namespace quillon::sim
