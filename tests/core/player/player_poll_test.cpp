// The player window's variables from a device file, its poll and the write of the player word.
#include "player/player_poll.h"

#include <gtest/gtest.h>

#include "link/crc16.h"
#include "player/player_status.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "text/numbers.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

class PlayerPollTest : public ::testing::Test {
 protected:
  void Load(const std::string& ram) {
    ASSERT_TRUE(testing::WriteCp1251File(dir / "dev.ini",
                                         "[DEVICE]\nID=5 TR v1 2024-01-01\n[vars]\nInom=100\n"
                                         "[FLASH]\np1=Kp/Коэф/TWORD/x0100/r0080//1/2//0/x0001/\n"
                                         "[RAM]\n" +
                                             ram));
    LoadPlayerVariables(dir / "dev.ini", list, image);
  }

  testing::TempDir dir;
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize, 0);
  TViewList list;
};

TEST_F(PlayerPollTest, TheRamVariablesArePolledOverTheirRegisterSpan) {
  Load(
      "r1=I/Ток/TWORD/x0200/r0100/А/Inom%1000/2//0/x0000/\n"
      "r2=Bad/Плохая/TWORD/xZZ/r0101//1/2//0/x0000/\n"
      "r3=PLAYER/Плеер/TWORD/x0204/r0102//1/2//0/x0000/\n");
  // The FLASH set and an unreadable line take no part; a time-mark row comes first, so that
  // every variable gets a row of its own in the drawing area, and it is not polled.
  ASSERT_EQ(list.Count(), 3);
  EXPECT_TRUE(list.Item(0).IsTimeMark());
  EXPECT_NE(list.FindVariable("PLAYER"), nullptr);
  const PlayerPollFrame poll = BuildPlayerPoll(list, "7");
  // The span ends (size >> 1) + 1 registers after the highest register.
  EXPECT_EQ(poll.bytes, WithCrc({7, 0x03, 0x01, 0x00, 0x00, 0x04}));
  EXPECT_EQ(poll.oddStart, 0);
  EXPECT_THROW(BuildPlayerPoll(list, "семь"), ConversionError);
}

TEST_F(PlayerPollTest, APollAnswerIsJudgedAgainstItsRead) {
  const Bytes read = WithCrc({1, 0x03, 0x01, 0x00, 0x00, 0x01});
  EXPECT_EQ(JudgePlayerPoll(read, nullptr, 0), kPollLengthMessage);
  const Bytes good = WithCrc({1, 0x03, 0x02, 0x00, 0x13});
  EXPECT_EQ(JudgePlayerPoll(read, good.data(), 4), kPollLengthMessage);
  EXPECT_EQ(JudgePlayerPoll(read, good.data(), good.size()), "");
  Bytes bad = good;
  bad[4] ^= 1;
  EXPECT_EQ(JudgePlayerPoll(read, bad.data(), bad.size()), kPollCrcMessage);
  // A refusal brings no data: its code is told, and nothing is taken.
  const Bytes exception = WithCrc({1, 0x83, 0x02});
  EXPECT_EQ(JudgePlayerPoll(read, exception.data(), exception.size()), std::string(kPollRefusedMessage) + "EXC 02");
  const Bytes otherSlave = WithCrc({2, 0x03, 0x02, 0x00, 0x13});
  EXPECT_EQ(JudgePlayerPoll(read, otherSlave.data(), otherSlave.size()), kPollOtherAnswerMessage);
  const Bytes oneByteShort = WithCrc({1, 0x03, 0x01, 0x13});
  EXPECT_EQ(JudgePlayerPoll(read, oneByteShort.data(), oneByteShort.size()), kPollLengthMessage);
}

TEST_F(PlayerPollTest, TheWordIsWrittenAsOneRegister) {
  Load(
      "r1=I/Ток/TWORD/x0200/r0100//1/2//0/x0000/\n"
      "r2=PLAYER/Плеер/TWORD/x0202/r0101//1/2//0/x0000/\n"
      "r3=Virtual/Нет ячейки/TWORD//r0102//1/2//0/x0000/\n");
  const TView* player = list.FindVariable("PLAYER");
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(BuildPlayerWrite(*player, 0x0119, image, "1"),
            WithCrc({1, 0x10, 0x01, 0x01, 0x00, 0x01, 0x02, 0x01, 0x19}));
  EXPECT_TRUE(BuildPlayerWrite(*list.FindVariable("Virtual"), 1, image, "1").empty());
}

TEST_F(PlayerPollTest, AOneBytePlayerGoesWithItsNeighbourByte) {
  Load(
      "r1=I/Ток/TWORD/x0200/r0100//1/2//0/x0000/\n"
      "r2=Low/Младший/TByte/x0202/r0101.L//1/1//0/x00/\n"
      "r3=PLAYER/Плеер/TByte/x0203/r0101.H//1/1//0/x00/\n");
  // The image starts at the lowest address, 0x200: the low byte of register 0x101 is at 2.
  image[2] = 0x5A;
  const TView* player = list.FindVariable("PLAYER");
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(BuildPlayerWrite(*player, 0x0011, image, "1"),
            WithCrc({1, 0x10, 0x01, 0x01, 0x00, 0x01, 0x02, 0x11, 0x5A}));
}

TEST_F(PlayerPollTest, AHighBytePlayerAtTheImageStartTakesItsNeighbourFromThePoll) {
  // The low byte of register 0x101 belongs to no variable: the image starts at PLAYER itself.
  Load("r1=PLAYER/Плеер/TByte/x0203/r0101.H//1/1//0/x00/\n");
  const TView* player = list.FindVariable("PLAYER");
  ASSERT_NE(player, nullptr);
  EXPECT_TRUE(BuildPlayerWrite(*player, 0x0011, image, "1").empty()) << "no guess at the controller's byte";
  EXPECT_EQ(BuildPlayerWrite(*player, 0x0011, image, "1", 0x5C),
            WithCrc({1, 0x10, 0x01, 0x01, 0x00, 0x01, 0x02, 0x11, 0x5C}));
}

TEST_F(PlayerPollTest, TheWordIsTheLastSample) {
  Load("r1=PLAYER/Плеер/TWORD/x0300/r0180//1/2//0/x0000/\n");
  TView& player = *list.FindVariable("PLAYER");
  image[0] = 0x13;
  image[1] = 0x01;
  EXPECT_EQ(LastSampledWord(player), 0);
  list.SampleAll();
  image[0] = 0x00;
  EXPECT_EQ(LastSampledWord(player), 0x0113);
}

TEST(LinkStatisticsTest, EveryTickCountsAndMessagesCountAsErrors) {
  LinkStatistics statistics;
  EXPECT_EQ(statistics.Code(), "");
  EXPECT_TRUE(statistics.Tick(""));
  EXPECT_EQ(statistics.Code(), kLinkEstablishedText);
  EXPECT_FALSE(statistics.Tick(kPollLengthMessage));
  EXPECT_FALSE(statistics.Tick(kPollCrcMessage));
  EXPECT_EQ(statistics.Code(), kPollCrcMessage);
  EXPECT_TRUE(statistics.Tick(""));
  EXPECT_EQ(statistics.Packets(), 4u);
  EXPECT_EQ(statistics.Errors(), 2u);
  EXPECT_EQ(statistics.Code(), kLinkEstablishedText);
}

TEST(ProgramChoiceTest, ListingFailuresAreToldAndApplyingGreysOnAMessage) {
  EXPECT_EQ(ProgramListMessage(MakeCardStep(CardKind::List, CardOutcome::BadAnswer)), kCardBadAnswerMessage);
  EXPECT_EQ(ProgramListMessage(MakeCardStep(CardKind::List, CardOutcome::CardAbsent)), kCardAbsentMessage);
  EXPECT_EQ(ProgramListMessage(MakeCardStep(CardKind::List, CardOutcome::Done)), "");
  const ProgramPanelState failed = ProgramPanelAfterApply(kCardApplyMissingMessage);
  EXPECT_FALSE(failed.playEnabled);
  EXPECT_TRUE(failed.greyed);
  const ProgramPanelState applied = ProgramPanelAfterApply("");
  EXPECT_TRUE(applied.playEnabled);
  EXPECT_FALSE(applied.greyed);
}

}  // namespace
}  // namespace quillon
