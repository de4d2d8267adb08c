// The player word: what each command writes, and what the buttons and the program panel show.
#include "player/player_word.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(PlayerWordTest, CommandsSetAndClearTheirBits) {
  const std::uint16_t stoppedWithRepeat = kPlayerStopped | kPlayerRepeat | kPlayerProgramSelected;
  // START from stopped plays and is no longer stopped; other bits stay.
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Start, stoppedWithRepeat),
            kPlayerPlaying | kPlayerRepeat | kPlayerProgramSelected);
  // START while playing halts without setting the stop bit, and leaves a pause as it was.
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Start, kPlayerPlaying | kPlayerPaused), kPlayerPaused);
  // STOP clears pause as well as play.
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Stop, kPlayerPlaying | kPlayerPaused | kPlayerRepeat),
            kPlayerStopped | kPlayerRepeat);
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Stop, kPlayerStopped), kPlayerStopped);
  // PAUSE and REPEAT toggle their bit only.
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Pause, kPlayerPlaying), kPlayerPlaying | kPlayerPaused);
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Pause, kPlayerPlaying | kPlayerPaused), kPlayerPlaying);
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Repeat, 0xFF00), 0xFF08);
  EXPECT_EQ(PlayerCommandWord(PlayerCommand::Repeat, 0xFF08), 0xFF00);
}

TEST(PlayerWordTest, ButtonsAndProgramPanelFollowTheWord) {
  const PlayerButtons playing = PlayerButtonsOf(kPlayerPlaying | kPlayerRepeat);
  EXPECT_TRUE(playing.start);
  EXPECT_FALSE(playing.pause);
  EXPECT_TRUE(playing.repeat);
  const PlayerButtons paused = PlayerButtonsOf(kPlayerStopped | kPlayerPaused);
  EXPECT_FALSE(paused.start);
  EXPECT_TRUE(paused.pause);
  EXPECT_FALSE(paused.repeat);

  EXPECT_EQ(ProgramPanelText(kPlayerProgramSelected, "Заряд.prg"), "Заряд.prg");
  EXPECT_EQ(ProgramPanelText(kPlayerPlaying, "Заряд.prg"), "?");
  // A selection the controller reports but this window never made has no name to show.
  EXPECT_EQ(ProgramPanelText(kPlayerProgramSelected, ""), "?");
}

}  // namespace
}  // namespace quillon
