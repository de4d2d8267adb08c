// Card request frames as they go on the wire, and the first judgement of answers.
#include "card/card_frames.h"

#include <gtest/gtest.h>

#include "core/card/card_answers.h"
#include "link/crc16.h"

namespace quillon {
namespace {

using testing::Bytes;
using testing::WithCrc;

TEST(CardFrames, ShortRequestsCarryAddressFunctionAndCrc) {
  EXPECT_EQ(BuildCardDiskState(7), WithCrc({7, 0x20}));
  EXPECT_EQ(BuildCardList(7, true), WithCrc({7, 0x21, 0x00}));
  EXPECT_EQ(BuildCardList(7, false), WithCrc({7, 0x21, 0xFF}));
}

TEST(CardFrames, NamesGoInWindows1251WithAZeroOrALengthByte) {
  // "Ф" is 0xD4 and "а" 0xE0 in Windows-1251.
  EXPECT_EQ(BuildCardDownload(1, 0x01020304, "Фа.d"),
            WithCrc({1, 0x22, 0x04, 0x03, 0x02, 0x01, 0xD4, 0xE0, '.', 'd', 0}));
  EXPECT_EQ(BuildCardDelete(2, "Фа"), WithCrc({2, 0x24, 2, 0xD4, 0xE0}));
  EXPECT_EQ(BuildCardApply(3, "Фа"), WithCrc({3, 0x25, 0xD4, 0xE0, 0}));
  EXPECT_EQ(BuildCardUpload(4, 230, "a", Bytes{9, 8}), WithCrc({4, 0x23, 230, 0, 0, 0, 'a', 0, 2, 9, 8}));
}

TEST(CardFrames, NamesAreCutAt255CharactersAndBlocksAt230Bytes) {
  const std::string longName(300, 'x');
  EXPECT_EQ(CardWireName(longName).size(), 255u);
  EXPECT_EQ(CardWireName("Файл").size(), 4u);  // characters, not UTF-8 bytes
  const CardFrame upload = BuildCardUpload(1, 0, "n", testing::Pattern(300));
  EXPECT_EQ(upload[8], 230);
  EXPECT_EQ(upload.size(), 2u + 4 + 1 + 1 + 1 + 230 + 2);
}

TEST(CardAnswers, ValidMeansTheCrcOverAllBytesIsZero) {
  EXPECT_TRUE(CardAnswerValid(WithCrc({1, 0x24})));
  EXPECT_FALSE(CardAnswerValid(testing::Corrupted(WithCrc({1, 0x24}))));
  EXPECT_FALSE(CardAnswerValid(Bytes{}));
  // Two bytes whose CRC happens to come out 0 are no answer.
  EXPECT_FALSE(CardAnswerValid(Bytes{0xFF, 0xFF}));
}

TEST(CardAnswers, CountedDataMustFitTheAnswer) {
  const Bytes answer = testing::CountedAnswer(0x21, {'a', 'b'});
  const auto data = CardCountedData(answer);
  ASSERT_TRUE(data);
  EXPECT_EQ(Bytes(data->begin(), data->end()), (Bytes{'a', 'b'}));
  EXPECT_FALSE(CardCountedData(WithCrc({1, 0x21, 5, 'a'})));  // n larger than what came
  EXPECT_FALSE(CardCountedData(WithCrc({1, 0x21, 0, 'a'})));  // bytes beyond n
}

TEST(CardAnswers, DiskSizeIsBigEndian) {
  EXPECT_EQ(CardDiskSizeText(WithCrc({1, 0x20, 0x01, 0x02, 0x03, 0x04})), "16909060 B");
  EXPECT_EQ(CardDiskBytes(WithCrc({1, 0x20, 0x01, 0x02, 0x03, 0x04})), 16909060u);
  EXPECT_EQ(CardDiskKilobytesText(16909060), "16512") << "whole kilobytes of 1024 bytes";
  EXPECT_FALSE(CardDiskSizeText(WithCrc({1, 0x20, 0x01, 0x02})));
}

TEST(CardMessages, LocalFileMessagesNameThePath) {
  EXPECT_EQ(FileNotCreatedMessage("/tmp/a b"), "файл /tmp/a b не создан");
  EXPECT_EQ(FileNotOpenedMessage("x"), "файл x не открыт");
}

}  // namespace
}  // namespace quillon
