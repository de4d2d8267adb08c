// Where a serial answer may end before the line falls quiet: only at the length the request's
// own bytes ask for, at a complete MODBUS exception answer, or at the length a card answer's
// header gives.
#include "link/answer_end.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/buses.h"
#include "link/crc16.h"

namespace quillon {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes QuBUSRead(const char* area, std::uint16_t start, std::uint16_t end) {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildQuBUSRead(1, area, start, end, frame, length);
  return Bytes(frame, frame + length);
}

Bytes MODBUSRead(std::uint16_t start, std::uint16_t end, const char* slave = "1") {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSRead(slave, start, end, frame, length);
  return Bytes(frame, frame + length);
}

Bytes WithCrc(Bytes bytes) {
  const std::uint16_t crc = CRC16(bytes.data(), bytes.size());
  bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  return bytes;
}

AnswerEnd For(const Bytes& request) { return AnswerEnd::ForRequest(request.data(), request.size()); }

// Complete at exactly `length` bytes of filler (0: never), and at no other length up to 256.
void ExpectCompleteOnlyAt(const AnswerEnd& end, std::size_t length) {
  const Bytes filler(256, 0x00);
  for (std::size_t count = 0; count <= filler.size(); ++count)
    EXPECT_EQ(end.Complete(filler.data(), count), count == length && length > 0) << count << " bytes";
}

}  // namespace

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
  Bytes block{0x03, 0x22, 0x04, 0x10, 0x20, 0x30, 0x40};
  block = WithCrc(block);
  ASSERT_EQ(block.size(), 9u);
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
