#include "link/mbap_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Read 10 holding registers from 0 at slave 1, and its answer of one register 0x1234; the CRCs
// are those any MODBUS RTU master computes for them.
const Bytes kReadRequestRtu{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
const Bytes kReadAnswerRtu{0x01, 0x03, 0x02, 0x12, 0x34, 0xB5, 0x33};
const Bytes kReadAnswerAdu{0xBE, 0xEF, 0x00, 0x00, 0x00, 0x05, 0x01, 0x03, 0x02, 0x12, 0x34};

TEST(MbapFrames, ARequestGoesWithAHeaderAndWithoutItsCrc) {
  const auto adu = MbapFromRtu(kReadRequestRtu, 0x1234);
  ASSERT_TRUE(adu.has_value());
  EXPECT_EQ(*adu, (Bytes{0x12, 0x34, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}));
  // The transaction id is big-endian like every MBAP field; the unit id is the slave address.
  const auto wrapped = MbapFromRtu(Bytes{0xF7, 0x11, 0x00, 0x00}, 0xFFFF);
  ASSERT_TRUE(wrapped.has_value());
  EXPECT_EQ(*wrapped, (Bytes{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x02, 0xF7, 0x11}));
}

TEST(MbapFrames, OnlyAFrameWithAFunctionAndAPduThatFitsBecomesAnAdu) {
  EXPECT_FALSE(MbapFromRtu(Bytes{0x01, 0xAA, 0xBB}, 1).has_value());  // an address and a CRC only
  EXPECT_FALSE(MbapFromRtu(Bytes{}, 1).has_value());
  Bytes longest(1 + kMbapLongestPdu + 2, 0x10);
  const auto adu = MbapFromRtu(longest, 1);
  ASSERT_TRUE(adu.has_value());
  EXPECT_EQ(adu->size(), kMbapLongestAdu);
  EXPECT_EQ(MbapAduLength(*adu), kMbapLongestAdu);
  longest.push_back(0x10);
  EXPECT_FALSE(MbapFromRtu(longest, 1).has_value());
}

TEST(MbapFrames, AnAnswerBecomesTheRtuFrameWithItsCrc) {
  const RtuFromMbapResult answer = RtuFromMbap(kReadAnswerAdu, 0xBEEF);
  EXPECT_EQ(answer.refusal, MbapRefusal::None);
  EXPECT_EQ(answer.rtu, kReadAnswerRtu);
  // The simulator's side takes a request under any transaction id.
  EXPECT_EQ(RtuFromMbap(kReadAnswerAdu, std::nullopt).rtu, kReadAnswerRtu);
  EXPECT_EQ(MbapTransaction(kReadAnswerAdu), 0xBEEF);
}

TEST(MbapFrames, AnAnswerFromAnotherUnitPassesForTheRtuJudge) {
  Bytes other = kReadAnswerAdu;
  other[6] = 0x11;
  const RtuFromMbapResult answer = RtuFromMbap(other, 0xBEEF);
  EXPECT_EQ(answer.refusal, MbapRefusal::None);
  EXPECT_EQ(answer.rtu, (Bytes{0x11, 0x03, 0x02, 0x12, 0x34, 0x74, 0xF0}));
}

TEST(MbapFrames, AnswersThatDoNotBelongAreRefusedWithTheReason) {
  Bytes modbusPlus = kReadAnswerAdu;
  modbusPlus[3] = 0x01;
  Bytes longer = kReadAnswerAdu;
  longer[5] = 0x06;  // claims a byte that never came
  Bytes shorter = kReadAnswerAdu;
  shorter[5] = 0x04;  // a byte more came than it claims
  const Bytes headerOnly(kReadAnswerAdu.begin(), kReadAnswerAdu.begin() + 7);
  const struct {
    Bytes adu;
    MbapRefusal refusal;
  } cases[] = {
      {kReadAnswerAdu, MbapRefusal::None}, {modbusPlus, MbapRefusal::Protocol}, {longer, MbapRefusal::Length},
      {shorter, MbapRefusal::Length},      {headerOnly, MbapRefusal::Short},
  };
  for (const auto& item : cases) {
    const RtuFromMbapResult answer = RtuFromMbap(item.adu, 0xBEEF);
    EXPECT_EQ(answer.refusal, item.refusal) << MbapRefusalText(answer.refusal);
    EXPECT_EQ(answer.rtu.empty(), item.refusal != MbapRefusal::None);
  }
  const RtuFromMbapResult late = RtuFromMbap(kReadAnswerAdu, 0xBEF0);
  EXPECT_EQ(late.refusal, MbapRefusal::Transaction);
  EXPECT_TRUE(late.rtu.empty());
  EXPECT_EQ(MbapRefusalText(late.refusal), "MBAP: answer to another transaction");
}

TEST(MbapFrames, TheHeaderTellsTheWholeLengthAndAnImpossibleHeaderEarly) {
  EXPECT_FALSE(MbapAduLength(Bytes{0x00, 0x01, 0x00, 0x00, 0x00}).has_value());
  EXPECT_EQ(MbapAduLength(Bytes{0x00, 0x01, 0x00, 0x00, 0x01, 0x00}), 6u + 256u);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00}), MbapRefusal::None);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x07}), MbapRefusal::Protocol);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x01}), MbapRefusal::Length);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0xFF}), MbapRefusal::Length);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0xFE}), MbapRefusal::None);
}

}  // namespace
}  // namespace quillon
