// Request frames, the judging of their answers, and where a serial answer may end before the line
// falls quiet: only at the length the request's own bytes ask for, at a complete MODBUS
// exception answer, or at the length a card answer's header gives.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "link/answer_end.h"
#include "link/answers.h"
#include "link_bytes.h"
#include "text/numbers.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::MODBUSRead;
using testing::QuBUSRead;
using testing::WithCrc;

Bytes Frame(const std::uint8_t* frame, int length) { return Bytes(frame, frame + length); }

AnswerEnd For(const Bytes& request) { return AnswerEnd::ForRequest(request.data(), request.size()); }

// Complete at exactly `length` bytes of filler (0: never), and at no other length up to 256.
void ExpectCompleteOnlyAt(const AnswerEnd& end, std::size_t length) {
  const Bytes filler(256, 0x00);
  for (std::size_t count = 0; count <= filler.size(); ++count)
    EXPECT_EQ(end.Complete(filler.data(), count), count == length && length > 0) << count << " bytes";
}

AnswerJudgement Judge(const Bytes& request, const Bytes& answer, bool checkCrc = true) {
  return JudgeMODBUSAnswer(request.data(), request.size(), answer.data(), answer.size(), checkCrc).judgement;
}

}  // namespace

TEST(Crc16, CheckValueResidueAndLengthModulo256) {
  const std::string text = "123456789";
  EXPECT_EQ(CRC16(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0x4B37);
  const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
  EXPECT_EQ(CRC16(frame.data(), frame.size()), 0);  // a correct frame with its CRC leaves 0
  std::vector<std::uint8_t> data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
  EXPECT_EQ(CRC16(data.data(), 256), 0xFFFF);
  EXPECT_EQ(CRC16(data.data(), 256 + 5), CRC16(data.data(), 5));
}

TEST(QuBUSFrames, ReadWriteAndWhatCannotBeAFrame) {
  std::uint8_t frame[300];
  int length = 0;
  EXPECT_EQ(QuBUSRead("ID", 0x1234, 0x5678), (Bytes{0xA5, 0x01, 0x00, 0x5A}));
  EXPECT_EQ(QuBUSRead("RAM", 0x0100, 0x0110), (Bytes{0xA5, 0x04, 0x03, 0x01, 0x00, 0x10, 0x5A}));
  BuildQuBUSRead(4, "RAM", 0x0000, 0x0050, frame, length);
  EXPECT_EQ(frame[5], 0x40);  // the count is one byte: 0x140 mod 256
  const std::uint8_t data[] = {0x34, 0x12};
  BuildQuBUSWrite("XRAM", 0x2000, data, 2, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0xA5, 0x06, 0x11, 0x20, 0x00, 0x02, 0x34, 0x12, 0x5A}));
  const std::vector<std::uint8_t> big(249, 0x77);
  BuildQuBUSWrite("FLASH", 0x0001, big.data(), 248, frame, length);
  EXPECT_EQ(length, 255);
  EXPECT_EQ(frame[1], 252);
  EXPECT_EQ(frame[254], 0x5A);
  EXPECT_THROW(BuildQuBUSRead(1, "ram", 0, 1, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildQuBUSWrite("ID", 0, data, 1, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildQuBUSWrite("RAM", 0, data, 0, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildQuBUSWrite("RAM", 0, big.data(), 249, frame, length), std::invalid_argument);
}

TEST(MODBUSFrames, ReadReportSlaveIdAndSlaveAddress) {
  EXPECT_EQ(MODBUSRead(0, 10), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
  EXPECT_EQ(MODBUSRead(7, 7), (Bytes{0x01, 0x11, 0xC0, 0x2C}));  // an empty span asks for the identification
  const Bytes wrapped = MODBUSRead(0xFFFF, 0x0009, "$11");       // the count wraps past 65535
  EXPECT_EQ(Bytes(wrapped.begin(), wrapped.begin() + 6), (Bytes{0x11, 0x03, 0xFF, 0xFF, 0x00, 0x0A}));
  EXPECT_EQ(MODBUSRead(0, 1, "257")[0], 1);
  EXPECT_THROW(MODBUSRead(0, 1, "abc"), ConversionError);
}

TEST(MODBUSFrames, WriteSwapsTheCallersBufferAndRefusesOddOrOversizedData) {
  std::uint8_t data[300] = {0x34, 0x12};
  std::uint8_t frame[300];
  int length = 0;
  BuildMODBUSWrite("1", 16, data, 2, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0x01, 0x10, 0x00, 0x10, 0x00, 0x01, 0x02, 0x12, 0x34, 0xA9, 0xB7}));
  EXPECT_EQ(Frame(data, 2), (Bytes{0x12, 0x34}));
  BuildMODBUSWrite("2", 0x0102, data, 246, frame, length);
  EXPECT_EQ(length, 255);
  EXPECT_EQ(frame[5], 123);
  EXPECT_EQ(CRC16(frame, 255), 0);
  for (int bad : {0, 3, 248}) EXPECT_THROW(BuildMODBUSWrite("1", 0, data, bad, frame, length), std::invalid_argument);
}

TEST(ByteHelpers, RegisterWideningNeverReadsOutsideTheImage) {
  std::uint8_t words[] = {1, 2, 3, 4, 5};
  SwapWordBytes(words, 2);
  EXPECT_EQ(Frame(words, 5), (Bytes{2, 1, 4, 3, 5}));
  const std::uint8_t image[] = {0x10, 0x20, 0x30, 0x40};
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 2, false), (std::array<std::uint8_t, 2>{0xAA, 0x40}));
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 1, true), (std::array<std::uint8_t, 2>{0x10, 0xAA}));
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 3, false), (std::array<std::uint8_t, 2>{0xAA, 0x00}));
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 0, true), (std::array<std::uint8_t, 2>{0x00, 0xAA}));
}

TEST(QuBUSAnswers, ExactCountAndIdentificationCutToWhatArrived) {
  EXPECT_EQ(JudgeQuBUSRead(16, 0x110), AnswerJudgement::Valid);  // only the low byte counts
  EXPECT_EQ(JudgeQuBUSRead(15, 16), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(JudgeQuBUSRead(17, 16), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(JudgeQuBUSRead(256, 0), AnswerJudgement::NoValidAnswer);  // no count byte asks for 256
  EXPECT_EQ(JudgeQuBUSIdentification(0), AnswerJudgement::NoValidAnswer);
  const std::uint8_t answer[] = {5, 'A', 'B', 'C', 'D', 'E', 'x'};
  EXPECT_EQ(QuBUSIdentificationText(answer, 7), "ABCDE");
  EXPECT_EQ(QuBUSIdentificationText(answer, 3), "AB");  // the count claims more than came
  const std::uint8_t russian[] = {2, 0xD2, 0xCA};       // "ТК" in Windows-1251
  EXPECT_EQ(QuBUSIdentificationText(russian, 3), "ТК");
}

TEST(MODBUSAnswers, ShortCrcAndFunctionChecks) {
  auto answer = WithCrc({0x01, 0x03, 0x02, 0x12, 0x34});
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), {.crc = true, .function = true}), AnswerJudgement::Valid);
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), 1, {.crc = true, .function = true}), AnswerJudgement::NoValidAnswer);
  answer[3] ^= 0xFF;
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), {.crc = true, .function = true}), AnswerJudgement::CrcError);
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), {.crc = false, .function = true}), AnswerJudgement::Valid);
  auto exception = WithCrc({0x01, 0x83, 0x01, 0x02});
  EXPECT_EQ(JudgeMODBUSRead(exception.data(), exception.size(), {.crc = true, .function = true}),
            AnswerJudgement::UnexpectedFunction);
  EXPECT_EQ(JudgeMODBUSRead(exception.data(), exception.size(), {.crc = true, .function = false}),
            AnswerJudgement::Valid);
  auto id = WithCrc({0x01, 0x11, 0x05, 'T', 'K', '3', ' ', '1'});
  EXPECT_EQ(MODBUSReportSlaveIDText(id.data(), id.size()), "TK3 1");
  auto wrong = WithCrc({0x01, 0x03, 0x05, 'T', 'K', '3', ' ', '1'});
  EXPECT_EQ(JudgeMODBUSReportSlaveID(wrong.data(), wrong.size()), AnswerJudgement::UnexpectedFunction);
  id[2] = 200;  // a count beyond the answer is cut to the bytes that came
  EXPECT_EQ(MODBUSReportSlaveIDText(id.data(), id.size()), "TK3 1");
  EXPECT_EQ(JudgeMODBUSReportSlaveID(id.data(), id.size()), AnswerJudgement::CrcError);
}

TEST(MODBUSAnswers, DecodeSwapsWordsHonoursTheOddStartAndStaysInTheImage) {
  const auto answer = WithCrc({0x01, 0x03, 0x04, 0x11, 0x22, 0x33, 0x44});
  Bytes image(16, 0);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 0, image.data(), image.size(), 4), 4u);
  EXPECT_EQ(Bytes(image.begin() + 4, image.begin() + 8), (Bytes{0x22, 0x11, 0x44, 0x33}));
  Bytes odd(16, 0);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 1, odd.data(), odd.size(), 5), 3u);
  EXPECT_EQ(Bytes(odd.begin() + 4, odd.begin() + 8), (Bytes{0, 0x11, 0x44, 0x33}));
  Bytes small(4, 0xEE);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 0, small.data(), small.size(), 2), 2u);
  EXPECT_EQ(small, (Bytes{0xEE, 0xEE, 0x22, 0x11}));
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 0, small.data(), small.size(), 4), 0u);
  Bytes huge(300, 0);
  EXPECT_EQ(DecodeMODBUSRead(huge.data(), huge.size(), 0, small.data(), small.size(), 0), 0u);
}

// Each answer a device or a noisy line may give, against the request it answers.
TEST(MODBUSAnswerAgainstRequest, EveryFieldOfTheAnswerMustFitTheRequest) {
  const Bytes read = WithCrc({0x05, 0x03, 0x00, 0x80, 0x00, 0x02});  // two registers from slave 5
  const Bytes write = WithCrc({0x01, 0x10, 0x00, 0x80, 0x00, 0x01, 0x02, 0x12, 0x34});
  const Bytes id = WithCrc({0x01, 0x11});
  const Bytes own = WithCrc({0x01, 0x41, 0x00});  // the controller's own: its owner judges the length
  Bytes corrupted = WithCrc({0x05, 0x03, 0x04, 1, 2, 3, 4});
  corrupted[4] ^= 0x10;
  const struct {
    const Bytes& request;
    Bytes answer;
    AnswerJudgement judgement;
  } cases[] = {
      {read, WithCrc({0x05, 0x03, 0x04, 1, 2, 3, 4}), AnswerJudgement::Valid},
      {read, {}, AnswerJudgement::NoValidAnswer},
      {read, {0x00}, AnswerJudgement::NoValidAnswer},  // a TCP worker's silence
      {read, corrupted, AnswerJudgement::CrcError},
      {read, WithCrc({0x06, 0x03, 0x04, 1, 2, 3, 4}), AnswerJudgement::WrongSlave},
      {read, WithCrc({0x05, 0x04, 0x04, 1, 2, 3, 4}), AnswerJudgement::UnexpectedFunction},
      {read, WithCrc({0x05, 0x03, 0x02, 1, 2}), AnswerJudgement::NoValidAnswer},  // one register short
      {read, WithCrc({0x05, 0x03, 0x04, 1, 2, 3, 4, 5}), AnswerJudgement::NoValidAnswer},
      {read, WithCrc({0x05, 0x90, 0x02}), AnswerJudgement::UnexpectedFunction},  // another function's exception
      {write, WithCrc({0x01, 0x10, 0x00, 0x80, 0x00, 0x01}), AnswerJudgement::Valid},
      {write, WithCrc({0x01, 0x10, 0x00, 0x81, 0x00, 0x01}), AnswerJudgement::NoValidAnswer},
      {write, WithCrc({0x01, 0x10, 0x00, 0x80, 0x00}), AnswerJudgement::NoValidAnswer},
      {id, WithCrc({0x01, 0x11, 0x03, 'a', 'b', 0xFF}), AnswerJudgement::Valid},
      {id, WithCrc({0x01, 0x11, 0x09, 'a', 'b', 0xFF}), AnswerJudgement::NoValidAnswer},
      {own, WithCrc({0x01, 0x41, 0x07, 0x00, 0x01}), AnswerJudgement::Valid},
      {own, WithCrc({0x02, 0x41, 0x07, 0x00, 0x01}), AnswerJudgement::WrongSlave},
  };
  for (const auto& item : cases)
    EXPECT_EQ(Judge(item.request, item.answer), item.judgement) << ::testing::PrintToString(item.answer);
  EXPECT_EQ(Judge(read, corrupted, false), AnswerJudgement::Valid) << "the scope's CRC check may be off";
  // Nobody answers a broadcast: whatever comes is not its answer.
  EXPECT_EQ(Judge(WithCrc({0x00, 0x03, 0x00, 0x80, 0x00, 0x02}), WithCrc({0x00, 0x03, 0x04, 1, 2, 3, 4})),
            AnswerJudgement::WrongSlave);

  const AnswerCheck refused = JudgeMODBUSAnswer(read.data(), read.size(), WithCrc({0x05, 0x83, 0x02}).data(), 5);
  EXPECT_EQ(refused.judgement, AnswerJudgement::Exception);
  EXPECT_EQ(refused.exceptionCode, 0x02);
  EXPECT_EQ(ExceptionText(refused.exceptionCode), "EXC 02");
  EXPECT_EQ(ExceptionText(0xAB), "EXC AB");
}

TEST(AnswerEnd, KnownLengthsComeFromTheRequestBytes) {
  std::uint8_t data[4] = {0x34, 0x12, 0x78, 0x56};
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSWrite("7", 16, data, 4, frame, length);
  const std::vector<std::pair<Bytes, std::size_t>> known = {
      {QuBUSRead("XRAM", 0x0100, 0x0110), 16},
      {MODBUSRead(0, 10), 25},
      {Bytes(frame, frame + length), 8},
      {MODBUSRead(0, 3, "165"), 11},  // the highest slave address of a QuBUS start byte is still MODBUS
  };
  for (const auto& [request, expected] : known) {
    SCOPED_TRACE(::testing::PrintToString(request));
    EXPECT_EQ(For(request).ExpectedLength(), expected);
    ExpectCompleteOnlyAt(For(request), expected);
  }
}

TEST(AnswerEnd, RequestsOfUnknownAnswerLengthKeepThePause) {
  std::uint8_t data[2] = {0x34, 0x12};
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildQuBUSWrite("XRAM", 0x2000, data, 2, frame, length);
  Bytes corrupted = MODBUSRead(0, 10);
  corrupted[5] ^= 0x01;  // the CRC no longer holds: not a frame we can read
  const std::vector<Bytes> unknown = {
      QuBUSRead("ID", 0, 0),                          // identification: a counted text
      QuBUSRead("RAM", 0x0100, 0x0200),               // a span of 256 bytes counts 0
      Bytes(frame, frame + length),                   // a QuBUS write answer is not fixed
      MODBUSRead(5, 5),                               // report slave ID: a counted text
      WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x7E}),  // more registers than an answer holds
      // Writes whose count byte disagrees with the data sent or with the register count.
      WithCrc({0x07, 0x10, 0x00, 0x10, 0x00, 0x02, 0x04, 0x34, 0x12}),
      WithCrc({0x07, 0x10, 0x00, 0x10, 0x00, 0x01, 0x04, 0x34, 0x12, 0x78, 0x56}),
      corrupted,
      {0x01, 0x02, 0x03},
      {},
  };
  for (const Bytes& request : unknown) {
    SCOPED_TRACE(::testing::PrintToString(request));
    EXPECT_FALSE(For(request).ExpectedLength().has_value());
    ExpectCompleteOnlyAt(For(request), 0);
  }
  EXPECT_FALSE(AnswerEnd().Complete(Bytes(25, 0).data(), 25));
  EXPECT_FALSE(AnswerEnd::ForRequest(nullptr, 8).ExpectedLength().has_value());
}

TEST(AnswerEnd, ACompleteExceptionEndsAnyMODBUSAnswer) {
  const Bytes read = MODBUSRead(0, 10);
  const Bytes exception = WithCrc({0x01, 0x83, 0x02});
  EXPECT_TRUE(For(read).Complete(exception.data(), exception.size()));
  // The report slave ID answer has no known length, but its exception does.
  EXPECT_TRUE(For(MODBUSRead(5, 5)).Complete(WithCrc({0x01, 0x91, 0x01}).data(), 5));

  Bytes badCrc = exception;
  badCrc[4] ^= 0xFF;
  const std::vector<Bytes> notEnding = {
      badCrc, WithCrc({0x02, 0x83, 0x02}),  // another slave
      WithCrc({0x01, 0x90, 0x02}),          // the exception of another function
      WithCrc({0x01, 0x03, 0x02}),          // no exception bit
  };
  for (const Bytes& answer : notEnding)
    EXPECT_FALSE(For(read).Complete(answer.data(), answer.size())) << ::testing::PrintToString(answer);
  // A QuBUS request has no exception answer: five bytes that look like one end nothing.
  EXPECT_FALSE(For(QuBUSRead("RAM", 0, 16)).Complete(exception.data(), exception.size()));
}

TEST(AnswerEnd, ACardAnswerEndsAtTheLengthItsHeaderGivesWhenItsCrcHolds) {
  // A download block request: address, function, offset, the name and its zero.
  const Bytes download = WithCrc({0x03, 0x22, 0xE6, 0x00, 0x00, 0x00, 'a', '.', 'b', 0x00});
  const Bytes block = WithCrc({0x03, 0x22, 0x04, 0x10, 0x20, 0x30, 0x40});
  const AnswerEnd end = For(download);
  EXPECT_TRUE(end.IsMODBUS());
  EXPECT_FALSE(end.ExpectedLength().has_value());  // only the answer tells
  for (std::size_t count = 1; count < block.size(); ++count) EXPECT_FALSE(end.Complete(block.data(), count)) << count;
  EXPECT_TRUE(end.Complete(block.data(), block.size()));
  Bytes garbled = block;
  garbled[2] = 0x03;  // the count no longer matches the CRC: the pause ends it
  EXPECT_FALSE(end.Complete(garbled.data(), 8));
  EXPECT_FALSE(end.Complete(garbled.data(), 9));

  // Codes instead of data (card absent, file missing) are four bytes; fixed answers by function.
  EXPECT_TRUE(end.Complete(WithCrc({0x03, 0xA2}).data(), 4));
  EXPECT_TRUE(end.Complete(WithCrc({0x03, 0xE4}).data(), 4));
  EXPECT_FALSE(end.Complete(WithCrc({0x04, 0xE4}).data(), 4));  // another slave
  EXPECT_TRUE(For(WithCrc({0x03, 0x20})).Complete(WithCrc({0x03, 0x20, 0, 0x10, 0, 0}).data(), 8));
  EXPECT_TRUE(For(WithCrc({0x03, 0x24, 0x01, 'a'})).Complete(WithCrc({0x03, 0x24}).data(), 4));
  const Bytes upload = WithCrc({0x03, 0x23, 0, 0, 0, 0, 'a', 0x00, 0x01, 0x55});
  EXPECT_TRUE(For(upload).Complete(WithCrc({0x03, 0x23, 0x00}).data(), 5));
  EXPECT_FALSE(For(upload).Complete(WithCrc({0x03, 0x23}).data(), 4));
  // A QuBUS frame never takes the card rule.
  EXPECT_FALSE(For(QuBUSRead("RAM", 0, 16)).IsMODBUS());
}

}  // namespace quillon
