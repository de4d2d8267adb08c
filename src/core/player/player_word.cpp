#include "player/player_word.h"

namespace quillon {

std::uint16_t PlayerCommandWord(PlayerCommand command, std::uint16_t word) {
  switch (command) {
    case PlayerCommand::Start:
      // Pressing START while playing halts the program without declaring it stopped.
      if ((word & kPlayerPlaying) != 0) return static_cast<std::uint16_t>(word & ~kPlayerPlaying);
      return static_cast<std::uint16_t>((word | kPlayerPlaying) & ~kPlayerStopped);
    case PlayerCommand::Pause:
      return static_cast<std::uint16_t>(word ^ kPlayerPaused);
    case PlayerCommand::Stop:
      return static_cast<std::uint16_t>((word | kPlayerStopped) & ~(kPlayerPlaying | kPlayerPaused));
    case PlayerCommand::Repeat:
      return static_cast<std::uint16_t>(word ^ kPlayerRepeat);
  }
  return word;
}

PlayerButtons PlayerButtonsOf(std::uint16_t word) {
  return PlayerButtons{(word & kPlayerPlaying) != 0, (word & kPlayerPaused) != 0, (word & kPlayerRepeat) != 0};
}

std::string ProgramPanelText(std::uint16_t word, const std::string& chosenName) {
  if ((word & kPlayerProgramSelected) == 0 || chosenName.empty()) return kNoProgramText;
  return chosenName;
}

}  // namespace quillon
