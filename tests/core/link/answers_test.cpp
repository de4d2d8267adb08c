#include "link/answers.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/crc16.h"

namespace quillon {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A MODBUS read answer with a correct CRC.
Bytes ReadAnswer(const Bytes& data, std::uint8_t function = 0x03) {
  Bytes answer{0x01, function, static_cast<std::uint8_t>(data.size())};
  answer.insert(answer.end(), data.begin(), data.end());
  const std::uint16_t crc = CRC16(answer.data(), answer.size());
  answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  answer.push_back(static_cast<std::uint8_t>(crc >> 8));
  return answer;
}

}  // namespace

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
  auto answer = ReadAnswer({0x12, 0x34});
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), {.crc = true, .function = true}), AnswerJudgement::Valid);
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), 1, {.crc = true, .function = true}), AnswerJudgement::NoValidAnswer);
  answer[3] ^= 0xFF;
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), {.crc = true, .function = true}), AnswerJudgement::CrcError);
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), {.crc = false, .function = true}), AnswerJudgement::Valid);
  auto exception = ReadAnswer({0x02}, 0x83);
  EXPECT_EQ(JudgeMODBUSRead(exception.data(), exception.size(), {.crc = true, .function = true}),
            AnswerJudgement::UnexpectedFunction);
  EXPECT_EQ(JudgeMODBUSRead(exception.data(), exception.size(), {.crc = true, .function = false}),
            AnswerJudgement::Valid);
  const Bytes text{'T', 'K', '3', ' ', '1'};
  auto id = ReadAnswer(text, 0x11);
  EXPECT_EQ(MODBUSReportSlaveIDText(id.data(), id.size()), "TK3 1");
  auto wrong = ReadAnswer(text, 0x03);
  EXPECT_EQ(JudgeMODBUSReportSlaveID(wrong.data(), wrong.size()), AnswerJudgement::UnexpectedFunction);
  id[2] = 200;  // a count beyond the answer is cut to the bytes that came
  EXPECT_EQ(MODBUSReportSlaveIDText(id.data(), id.size()), "TK3 1");
  EXPECT_EQ(JudgeMODBUSReportSlaveID(id.data(), id.size()), AnswerJudgement::CrcError);
}

TEST(MODBUSAnswers, DecodeSwapsWordsHonoursTheOddStartAndStaysInTheImage) {
  const auto answer = ReadAnswer({0x11, 0x22, 0x33, 0x44});
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

Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

AnswerJudgement Judge(const Bytes& request, const Bytes& answer, bool checkCrc = true) {
  return JudgeMODBUSAnswer(request.data(), request.size(), answer.data(), answer.size(), checkCrc).judgement;
}

// Each answer a device or a noisy line may give to a read of two registers from slave 5.
TEST(MODBUSAnswerAgainstRequest, EveryFieldOfTheAnswerMustFitTheRead) {
  const Bytes read = WithCrc({0x05, 0x03, 0x00, 0x80, 0x00, 0x02});
  EXPECT_EQ(Judge(read, WithCrc({0x05, 0x03, 0x04, 1, 2, 3, 4})), AnswerJudgement::Valid);
  EXPECT_EQ(Judge(read, {}), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(Judge(read, {0x00}), AnswerJudgement::NoValidAnswer);  // a TCP worker's silence
  Bytes corrupted = WithCrc({0x05, 0x03, 0x04, 1, 2, 3, 4});
  corrupted[4] ^= 0x10;
  EXPECT_EQ(Judge(read, corrupted), AnswerJudgement::CrcError);
  EXPECT_EQ(Judge(read, corrupted, false), AnswerJudgement::Valid) << "the scope's CRC check may be off";
  EXPECT_EQ(Judge(read, WithCrc({0x06, 0x03, 0x04, 1, 2, 3, 4})), AnswerJudgement::WrongSlave);
  EXPECT_EQ(Judge(read, WithCrc({0x05, 0x04, 0x04, 1, 2, 3, 4})), AnswerJudgement::UnexpectedFunction);
  EXPECT_EQ(Judge(read, WithCrc({0x05, 0x03, 0x02, 1, 2})), AnswerJudgement::NoValidAnswer) << "one register short";
  EXPECT_EQ(Judge(read, WithCrc({0x05, 0x03, 0x04, 1, 2, 3, 4, 5})), AnswerJudgement::NoValidAnswer);

  const AnswerCheck refused = JudgeMODBUSAnswer(read.data(), read.size(), WithCrc({0x05, 0x83, 0x02}).data(), 5);
  EXPECT_EQ(refused.judgement, AnswerJudgement::Exception);
  EXPECT_EQ(refused.exceptionCode, 0x02);
  EXPECT_EQ(ExceptionText(refused.exceptionCode), "EXC 02");
  EXPECT_EQ(ExceptionText(0xAB), "EXC AB");
  // An exception to another function is no answer to this one.
  EXPECT_EQ(Judge(read, WithCrc({0x05, 0x90, 0x02})), AnswerJudgement::UnexpectedFunction);
  // Nobody answers a broadcast: whatever comes is not its answer.
  EXPECT_EQ(Judge(WithCrc({0x00, 0x03, 0x00, 0x80, 0x00, 0x02}), WithCrc({0x00, 0x03, 0x04, 1, 2, 3, 4})),
            AnswerJudgement::WrongSlave);
}

TEST(MODBUSAnswerAgainstRequest, WritesEchoTheirAddressAndQuantityAndOtherFunctionsTheirSlave) {
  const Bytes write = WithCrc({0x01, 0x10, 0x00, 0x80, 0x00, 0x01, 0x02, 0x12, 0x34});
  EXPECT_EQ(Judge(write, WithCrc({0x01, 0x10, 0x00, 0x80, 0x00, 0x01})), AnswerJudgement::Valid);
  EXPECT_EQ(Judge(write, WithCrc({0x01, 0x10, 0x00, 0x81, 0x00, 0x01})), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(Judge(write, WithCrc({0x01, 0x10, 0x00, 0x80, 0x00})), AnswerJudgement::NoValidAnswer);

  const Bytes id = WithCrc({0x01, 0x11});
  EXPECT_EQ(Judge(id, WithCrc({0x01, 0x11, 0x03, 'a', 'b', 0xFF})), AnswerJudgement::Valid);
  EXPECT_EQ(Judge(id, WithCrc({0x01, 0x11, 0x09, 'a', 'b', 0xFF})), AnswerJudgement::NoValidAnswer);

  // A function of the controller's own: its length is its owner's to judge.
  const Bytes own = WithCrc({0x01, 0x41, 0x00});
  EXPECT_EQ(Judge(own, WithCrc({0x01, 0x41, 0x07, 0x00, 0x01})), AnswerJudgement::Valid);
  EXPECT_EQ(Judge(own, WithCrc({0x02, 0x41, 0x07, 0x00, 0x01})), AnswerJudgement::WrongSlave);
}

}  // namespace quillon
