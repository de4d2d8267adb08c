#include <gtest/gtest.h>

#include <vector>

#include "link/answers.h"
#include "link/crc16.h"

namespace quillon {

namespace {

// A MODBUS read answer with a correct CRC.
std::vector<std::uint8_t> ReadAnswer(std::vector<std::uint8_t> data, std::uint8_t function = 0x03) {
  std::vector<std::uint8_t> answer{0x01, function, static_cast<std::uint8_t>(data.size())};
  answer.insert(answer.end(), data.begin(), data.end());
  const std::uint16_t crc = CRC16(answer.data(), answer.size());
  answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  answer.push_back(static_cast<std::uint8_t>(crc >> 8));
  return answer;
}

}  // namespace

TEST(QuBUSAnswers, ReadMustHaveExactlyTheRequestedCount) {
  EXPECT_EQ(JudgeQuBUSRead(16, 16), AnswerJudgement::Valid);
  EXPECT_EQ(JudgeQuBUSRead(16, 0x110), AnswerJudgement::Valid);  // only the low byte counts
  EXPECT_EQ(JudgeQuBUSRead(0, 0), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(JudgeQuBUSRead(15, 16), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(JudgeQuBUSRead(17, 16), AnswerJudgement::NoValidAnswer);
  // 256 bytes share their low byte with a count of 0, but no count byte asks for them.
  EXPECT_EQ(JudgeQuBUSRead(256, 0), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(JudgeQuBUSRead(272, 16), AnswerJudgement::NoValidAnswer);
}

TEST(QuBUSAnswers, IdentificationTextIsCutToWhatArrived) {
  const std::uint8_t answer[] = {5, 'A', 'B', 'C', 'D', 'E', 'x'};
  EXPECT_EQ(JudgeQuBUSIdentification(1), AnswerJudgement::Valid);
  EXPECT_EQ(JudgeQuBUSIdentification(0), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(QuBUSIdentificationText(answer, 7), "ABCDE");
  EXPECT_EQ(QuBUSIdentificationText(answer, 3), "AB");  // the count claims more than came
  EXPECT_EQ(QuBUSIdentificationText(answer, 0), "");
  const std::uint8_t russian[] = {2, 0xD2, 0xCA};  // "ТК" in Windows-1251
  EXPECT_EQ(QuBUSIdentificationText(russian, 3), "ТК");
}

TEST(MODBUSAnswers, ShortCrcAndFunctionChecks) {
  auto answer = ReadAnswer({0x12, 0x34});
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), true, true), AnswerJudgement::Valid);
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), 4, false, false), AnswerJudgement::NoValidAnswer);
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), 1, true, true), AnswerJudgement::NoValidAnswer);
  answer[3] ^= 0xFF;
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), true, true), AnswerJudgement::CrcError);
  // The scope window may switch the CRC check off.
  EXPECT_EQ(JudgeMODBUSRead(answer.data(), answer.size(), false, true), AnswerJudgement::Valid);
  auto exception = ReadAnswer({0x02}, 0x83);
  EXPECT_EQ(JudgeMODBUSRead(exception.data(), exception.size(), true, true), AnswerJudgement::UnexpectedFunction);
  EXPECT_EQ(JudgeMODBUSRead(exception.data(), exception.size(), true, false), AnswerJudgement::Valid);
}

TEST(MODBUSAnswers, DecodeSwapsWordsAndHonoursTheOddStart) {
  // Registers 0x1122 and 0x3344 on the wire; memory holds them low byte first.
  const auto answer = ReadAnswer({0x11, 0x22, 0x33, 0x44});
  std::vector<std::uint8_t> image(16, 0);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 0, image.data(), image.size(), 4), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 4, image.begin() + 8),
            (std::vector<std::uint8_t>{0x22, 0x11, 0x44, 0x33}));
  std::vector<std::uint8_t> odd(16, 0);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 1, odd.data(), odd.size(), 5), 3u);
  EXPECT_EQ(std::vector<std::uint8_t>(odd.begin() + 5, odd.begin() + 8),
            (std::vector<std::uint8_t>{0x11, 0x44, 0x33}));
  EXPECT_EQ(odd[4], 0);
}

TEST(MODBUSAnswers, DecodeNeverWritesPastTheImage) {
  const auto answer = ReadAnswer({1, 2, 3, 4, 5, 6});
  std::vector<std::uint8_t> image(4, 0xEE);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 0, image.data(), image.size(), 2), 2u);
  EXPECT_EQ(image, (std::vector<std::uint8_t>{0xEE, 0xEE, 2, 1}));
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), answer.size(), 0, image.data(), image.size(), 4), 0u);
  EXPECT_EQ(DecodeMODBUSRead(answer.data(), 4, 0, image.data(), image.size(), 0), 0u);
  std::vector<std::uint8_t> huge(300, 0);
  EXPECT_EQ(DecodeMODBUSRead(huge.data(), huge.size(), 0, image.data(), image.size(), 0), 0u);
}

TEST(MODBUSAnswers, ReportSlaveIdText) {
  const std::vector<std::uint8_t> text{'T', 'K', '3', ' ', '1'};
  auto answer = ReadAnswer(text, 0x11);
  EXPECT_EQ(JudgeMODBUSReportSlaveID(answer.data(), answer.size()), AnswerJudgement::Valid);
  EXPECT_EQ(MODBUSReportSlaveIDText(answer.data(), answer.size()), "TK3 1");
  auto wrong = ReadAnswer(text, 0x03);
  EXPECT_EQ(JudgeMODBUSReportSlaveID(wrong.data(), wrong.size()), AnswerJudgement::UnexpectedFunction);
  answer[2] = 200;  // a count beyond the answer is cut to the bytes that came
  EXPECT_EQ(MODBUSReportSlaveIDText(answer.data(), answer.size()), "TK3 1");
  EXPECT_EQ(JudgeMODBUSReportSlaveID(answer.data(), answer.size()), AnswerJudgement::CrcError);
  EXPECT_EQ(JudgeMODBUSReportSlaveID(answer.data(), 3), AnswerJudgement::NoValidAnswer);
}

}  // namespace quillon
