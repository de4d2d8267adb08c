#pragma once
// The player word of a Tirel controller: one 16-bit cell whose bits tell what the program
// player does. The window writes a new word for each of its four commands and shows the word
// the controller reports; the controller alone decides what it makes of a written word.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr std::string_view kPlayerVariableName = "PLAYER";

inline constexpr std::uint16_t kPlayerPlaying = 1u << 0;
inline constexpr std::uint16_t kPlayerStopped = 1u << 1;
inline constexpr std::uint16_t kPlayerPaused = 1u << 2;
inline constexpr std::uint16_t kPlayerRepeat = 1u << 3;
inline constexpr std::uint16_t kPlayerProgramSelected = 1u << 4;

// What the program panel shows while no program is selected.
inline constexpr const char* kNoProgramText = "?";

enum class PlayerCommand { Start, Pause, Stop, Repeat };

// The word the command writes, from the word as last read.
std::uint16_t PlayerCommandWord(PlayerCommand command, std::uint16_t word);

// Which of the two-state buttons show their pressed pictures.
struct PlayerButtons {
  bool start = false;
  bool pause = false;
  bool repeat = false;
};

PlayerButtons PlayerButtonsOf(std::uint16_t word);

// The program panel's text: the chosen program's name while the controller reports a selected
// program, else "?". A program selected before this window chose one has no name here.
std::string ProgramPanelText(std::uint16_t word, const std::string& chosenName);

}  // namespace quillon
