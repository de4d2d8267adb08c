#include "scope/scope_poll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "link/buses.h"
#include "link/crc16.h"
#include "link/spans.h"
#include "platform/prompt.h"
#include "scope/scope_write.h"
#include "text/datetime.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class SilentPrompt : public Prompt {
 public:
  void Warning(const std::string&, const std::string&) override { ++warnings; }
  bool Question(const std::string&, const std::string&) override { return false; }
  int warnings = 0;
};

// A word at 0x10 (register 8), a bit in the byte at 0x12 (low byte of register 9) and a byte
// at 0x13 (high byte of register 9): the span is 4 bytes, 2 registers, even start.
constexpr const char* kWord = "w=Speed/d/TWORD/x0010/r0008/u/1/2//0/x0000/";
constexpr const char* kBit = "b=Run/d/TBit/x0012/16/r0009.4/1/1/0/";
constexpr const char* kByte = "y=Mode/d/TByte/x0013/r0009.H/A/1/1///x00/";

class ScopePollTest : public ::testing::Test {
 protected:
  ScopePollTest() : image(kImageSize, 0), poll(list, image) {
    auto mark = std::make_unique<TTimeMark>();
    mark->Clock = [] { return EncodeDateTime({2026, 1, 2, 3, 4, 5, 0}); };
    mark->AttachMarkFlags(poll.TickByte());
    list.Append(std::move(mark));
    for (const char* line : {kWord, kBit, kByte}) CreateVariable(line, "", image, list);
    settings.PortName = "SIM1";
    settings.SlaveAddr = "7";
    settings.MemArea = "RAM";
  }

  TView& Var(const char* name) { return *list.FindVariable(name); }

  // What the worker does: the answer lands in AnswerBuf, then the record's handler runs.
  void Answer(const std::vector<std::uint8_t>& bytes, ScopePoll* to = nullptr) {
    TLinkRequest& record = (to ? *to : poll).PollRecord();
    record.Busy = true;
    std::copy(bytes.begin(), bytes.end(), record.AnswerBuf);
    record.AnswerLen = static_cast<std::uint32_t>(bytes.size());
    record.OnAnswer(record);
  }

  static std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> frame) {
    const std::uint16_t crc = CRC16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
  }

  static std::vector<std::uint8_t> ModbusAnswer(std::vector<std::uint8_t> wireData, std::uint8_t slave = 7) {
    std::vector<std::uint8_t> frame{slave, 3, static_cast<std::uint8_t>(wireData.size())};
    frame.insert(frame.end(), wireData.begin(), wireData.end());
    return WithCrc(frame);
  }

  std::vector<int> Heads() const {
    std::vector<int> heads;
    for (const auto& v : list.Variables) heads.push_back(v->History.Head());
    return heads;
  }

  SilentPrompt prompt;
  std::vector<std::uint8_t> image;
  TViewList list;
  ScopePoll poll;
  TBaseProperty settings;
};

TEST_F(ScopePollTest, PollRequestIsTheBusFrameOfTheSpan) {
  list.AddressStep = 2;
  settings.Protocol = "QuBUS";
  ASSERT_TRUE(poll.PreparePoll(settings));
  std::uint8_t expected[8] = {};
  int length = 0;
  BuildQuBUSRead(&list, "RAM", 0x10, 0x14, expected, length);
  TLinkRequest& record = poll.PollRecord();
  ASSERT_EQ(record.RequestLen, static_cast<std::uint32_t>(length));
  EXPECT_TRUE(std::equal(expected, expected + length, record.RequestBuf));
  EXPECT_EQ(record.ExpectedLen, 8);  // 4 addresses of 2 bytes
  EXPECT_EQ(record.AnswerBuf, image.data());
  EXPECT_FALSE(record.OneShot);
  EXPECT_EQ(Var("Speed").DataPtr, image.data());

  for (const char* protocol : {"MODBUS RTU", "MODBUS TCP"}) {
    settings.Protocol = protocol;
    ASSERT_TRUE(poll.PreparePoll(settings));
    BuildMODBUSRead("7", 8, 10, expected, length);
    ASSERT_EQ(record.RequestLen, static_cast<std::uint32_t>(length)) << protocol;
    EXPECT_TRUE(std::equal(expected, expected + length, record.RequestBuf)) << protocol;
    EXPECT_NE(record.AnswerBuf, image.data());
    EXPECT_EQ(poll.OddStart(), 0);
  }
}

TEST_F(ScopePollTest, NothingIsPolledForARecordOrAnUnknownProtocol) {
  settings.Protocol = "QuBUS";
  settings.PortName = "View Record";
  EXPECT_FALSE(poll.PreparePoll(settings));
  settings.PortName = "SIM1";
  settings.Protocol = "CAN";
  EXPECT_FALSE(poll.PreparePoll(settings));
  EXPECT_EQ(poll.PollRecord().RequestLen, 0u);
}

TEST_F(ScopePollTest, QuBUSAnswerLandsAndEveryVariableTakesOneSample) {
  settings.Protocol = "QuBUS";
  ASSERT_TRUE(poll.PreparePoll(settings));
  *poll.TickByte() = 1;
  const std::vector<int> before = Heads();
  Answer({0x34, 0x12, 0xB5, 0x7F});
  const std::vector<int> after = Heads();
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], (before[i] + 1) % kHistoryLength) << i;
  EXPECT_EQ(Var("Speed").SampleAt(Var("Speed").History.Head()), 0x1234u);
  EXPECT_EQ(Var("Run").SampleAt(Var("Run").History.Head()), 1u);
  EXPECT_EQ(Var("Mode").SampleAt(Var("Mode").History.Head()), 0x7Fu);
  const auto& mark = dynamic_cast<const TTimeMark&>(list[0]);
  EXPECT_EQ(mark.MarkAt(mark.History.Head()), 1);
  EXPECT_EQ(*poll.TickByte(), 0);
  EXPECT_FALSE(poll.PollRecord().Busy);
  EXPECT_EQ(poll.Status(), 1u);
}

TEST_F(ScopePollTest, MODBUSAnswerIsSwappedIntoTheImage) {
  settings.Protocol = "MODBUS RTU";
  ASSERT_TRUE(poll.PreparePoll(settings));
  Answer(ModbusAnswer({0x12, 0x34, 0x7F, 0xB5}));
  EXPECT_EQ(image[0], 0x34);
  EXPECT_EQ(image[3], 0x7F);
  EXPECT_EQ(Var("Speed").SampleAt(Var("Speed").History.Head()), 0x1234u);
  EXPECT_EQ(Var("Run").SampleAt(Var("Run").History.Head()), 1u);
  EXPECT_EQ(Var("Mode").SampleAt(Var("Mode").History.Head()), 0x7Fu);
  EXPECT_EQ(poll.OneSecondTick(), "1");
}

TEST_F(ScopePollTest, MODBUSOddStartSkipsTheFirstByte) {
  TViewList odd;
  std::vector<std::uint8_t> oddImage(kImageSize, 0);
  ScopePoll oddPoll(odd, oddImage);
  TView* high = CreateVariable("h=High/d/TByte/x0011/r0008.H/A/1/1///x00/", "", oddImage, odd);
  settings.Protocol = "MODBUS TCP";
  ASSERT_TRUE(oddPoll.PreparePoll(settings));
  EXPECT_EQ(oddPoll.OddStart(), 1);
  Answer(ModbusAnswer({0xAB, 0xCD}), &oddPoll);
  EXPECT_EQ(high->SampleAt(high->History.Head()), 0xABu);
}

// An answer that is not the read's: nothing is sampled or reaches the image, the poll is asked
// again at once and the second's status tells why. With CRC checking off only the length can
// refuse a MODBUS answer.
TEST_F(ScopePollTest, AnswersThatDoNotFitTheReadTakeNoSample) {
  std::vector<std::uint8_t> badCrc = ModbusAnswer({0x12, 0x34, 0x7F, 0xB5});
  badCrc.back() ^= 0x01;
  const struct {
    const char* protocol;
    bool crcCheck;
    std::vector<std::uint8_t> answer;
    const char* status;
  } cases[] = {
      {"QuBUS", true, {}, "DNR!"},
      {"QuBUS", true, {1, 2, 3}, "DNR!"},
      {"QuBUS", true, {1, 2, 3, 4, 5}, "DNR!"},
      {"MODBUS RTU", false, {7, 3, 0, 0}, "DNR!"},
      {"MODBUS RTU", false, std::vector<std::uint8_t>(300, 0), "DNR!"},
      {"MODBUS RTU", true, badCrc, "CRC!"},
      {"MODBUS RTU", true, WithCrc({7, 0x83, 0x03}), "EXC 03"},
      {"MODBUS RTU", true, ModbusAnswer({0x12, 0x34, 0x7F, 0xB5}, 8), "DNR!"},  // another slave
      {"MODBUS RTU", true, ModbusAnswer({0x12, 0x34}), "DNR!"},                 // a register short
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    settings.Protocol = c.protocol;
    poll.SetCrcCheck(c.crcCheck);
    ASSERT_TRUE(poll.PreparePoll(settings));
    std::fill(image.begin(), image.end(), 0);
    const std::vector<int> before = Heads();
    Answer(c.answer);
    EXPECT_EQ(Heads(), before);
    if (std::string(c.protocol) != "QuBUS") {
      EXPECT_EQ(image[0], 0) << "a refused answer must not reach the image";
    }
    EXPECT_FALSE(poll.PollRecord().Busy) << "a failed poll is asked again at once";
    EXPECT_EQ(poll.OneSecondTick(), c.status);
  }
  poll.SetCrcCheck(false);
  Answer(badCrc);
  EXPECT_EQ(Var("Speed").SampleAt(Var("Speed").History.Head()), 0x1234u);
  EXPECT_EQ(poll.OneSecondTick(), "1");
}

TEST_F(ScopePollTest, OneSecondTickCountsAnswersAndStartsAfresh) {
  settings.Protocol = "QuBUS";
  ASSERT_TRUE(poll.PreparePoll(settings));
  for (int i = 0; i < 3; ++i) Answer({1, 2, 3, 4});
  *poll.TickByte() = 0;
  EXPECT_EQ(poll.OneSecondTick(), "3");
  EXPECT_EQ(*poll.TickByte(), 1);
  EXPECT_EQ(poll.OneSecondTick(), "0");
  // One failure in a second outweighs the answers around it.
  Answer({1, 2, 3, 4});
  Answer({1});
  Answer({1, 2, 3, 4});
  EXPECT_EQ(poll.OneSecondTick(), "DNR!");
  Answer({1, 2, 3, 4});
  EXPECT_EQ(poll.OneSecondTick(), "1");
}

TEST_F(ScopePollTest, PausedPollIsNotServedAgain) {
  settings.Protocol = "QuBUS";
  ASSERT_TRUE(poll.PreparePoll(settings));
  poll.SetPaused(true);
  Answer({1, 2, 3, 4});
  EXPECT_TRUE(poll.PollRecord().Busy);
  Answer({});
  EXPECT_TRUE(poll.PollRecord().Busy);
}

TEST_F(ScopePollTest, EveryTraceLineCarriesItsOwnSampleWhateverTheWindowShows) {
  settings.Protocol = "QuBUS";
  ASSERT_TRUE(poll.PreparePoll(settings));
  std::vector<std::string> lines;
  poll.AfterSample = [&] { lines.push_back(ScopeTraceLine(list)); };
  Answer({0x0A, 0x00, 0x10, 0x05});
  // No redraw in between, and then the cursor parked on the first sample: neither may hold the
  // trace on an old value.
  Answer({0x14, 0x00, 0x00, 0x07});
  list.LiveMode = false;
  list.Cursor = list.Item(1).History.Head() - 1;
  Answer({0x1E, 0x00, 0x10, 0x09});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "5;1;10;\r\n");
  EXPECT_EQ(lines[1], "7;0;20;\r\n");
  EXPECT_EQ(lines[2], "9;1;30;\r\n");
}

TEST_F(ScopePollTest, WriteRecordIsServedOnceWithoutHandler) {
  LinkFrame frame;
  frame.bytes = {0xA5, 0x05, 0x10, 0x00, 0x12, 0x01, 0x20, 0x5A};
  poll.PrepareWrite(frame);
  TLinkRequest& record = poll.WriteRecord();
  EXPECT_TRUE(record.OneShot);
  EXPECT_FALSE(record.Busy);
  EXPECT_FALSE(record.OnAnswer);
  EXPECT_EQ(record.AnswerBuf, record.RequestBuf);
  ASSERT_EQ(record.RequestLen, frame.bytes.size());
  EXPECT_TRUE(std::equal(frame.bytes.begin(), frame.bytes.end(), record.RequestBuf));
}

TEST_F(ScopePollTest, CommandLineBitChangesOnlyItsBit) {
  list.LayoutByAddress(image);
  image[2] = 0xA5;  // the byte of the bit, 0x12
  image[3] = 0x7F;
  auto value = ParseCommandLine(list, "Run=1", prompt);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->variable, &Var("Run"));
  EXPECT_EQ(value->raw, 0xB5u);
  value = ParseCommandLine(list, "Run=0", prompt);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->raw, 0xA5u);
  image[2] = 0xFF;
  EXPECT_EQ(ParseCommandLine(list, "Run=0", prompt)->raw, 0xEFu);
  // A word of two bytes per address step carries the neighbour along unchanged.
  list.AddressStep = 2;
  EXPECT_EQ(ParseCommandLine(list, "Run=0", prompt)->raw, 0x7FEFu);

  settings.Protocol = "QuBUS";
  auto frame = BuildScopeWrite(Var("Run"), 0xEF, settings, image);
  ASSERT_TRUE(frame);
  const std::vector<std::uint8_t> expected{0xA5, 0x05, 0x10, 0x00, 0x12, 0x01, 0xEF, 0x5A};
  EXPECT_EQ(frame->bytes, expected);
}

TEST_F(ScopePollTest, CommandLineRefusesWhatItCannotWrite) {
  for (const char* text : {"Speed", "Nothing=1", "Speed=abc"})
    EXPECT_FALSE(ParseCommandLine(list, text, prompt)) << text;
  const auto value = ParseCommandLine(list, "Speed=x1234", prompt);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->raw, 0x1234u);
}

TEST_F(ScopePollTest, WriteFramesFollowTheSettings) {
  list.LayoutByAddress(image);
  image[2] = 0x5A;
  settings.Protocol = "QuBUS";
  settings.MemArea = "XRAM";
  std::uint8_t expected[16] = {};
  int length = 0;
  const std::uint8_t word[2] = {0x34, 0x12};
  BuildQuBUSWrite("XRAM", 0x10, word, 2, expected, length);
  auto frame = BuildScopeWrite(Var("Speed"), 0x1234, settings, image);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->bytes, std::vector<std::uint8_t>(expected, expected + length));

  settings.Protocol = "MODBUS RTU";
  std::uint8_t wordCopy[2] = {0x34, 0x12};
  BuildMODBUSWrite("7", 8, wordCopy, 2, expected, length);
  frame = BuildScopeWrite(Var("Speed"), 0x1234, settings, image);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->bytes, std::vector<std::uint8_t>(expected, expected + length));
  EXPECT_EQ(frame->expectedLen, 5);

  // The byte in the high half of register 9 goes out with the image byte below it.
  std::uint8_t registerBytes[2] = {0x5A, 0x42};
  BuildMODBUSWrite("7", 9, registerBytes, 2, expected, length);
  frame = BuildScopeWrite(Var("Mode"), 0x42, settings, image);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->bytes, std::vector<std::uint8_t>(expected, expected + length));

  TView* loose = CreateVariable("l=Loose/d/TWORD//r0009/u/1/2//0/x0000/", "", image, list);
  ASSERT_TRUE(loose != nullptr && loose->Definition().NoAddress);
  EXPECT_FALSE(BuildScopeWrite(*loose, 1, settings, image));
}

}  // namespace
}  // namespace quillon
