#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "link/buses.h"
#include "link/crc16.h"
#include "text/numbers.h"

namespace quillon {

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Frame(const std::uint8_t* frame, int length) { return Bytes(frame, frame + length); }

}  // namespace

TEST(Crc16, CheckValueAndAppendedOrder) {
  const std::string text = "123456789";
  EXPECT_EQ(CRC16(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0x4B37);
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("1", 0, 10, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
  // A correct frame checked together with its CRC bytes leaves 0; any damage does not.
  EXPECT_EQ(CRC16(frame, 8), 0);
  frame[3] ^= 0x01;
  EXPECT_NE(CRC16(frame, 8), 0);
}

TEST(Crc16, LengthIsTakenModulo256) {
  std::vector<std::uint8_t> data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
  EXPECT_EQ(CRC16(data.data(), 256), 0xFFFF);
  EXPECT_EQ(CRC16(data.data(), 0), 0xFFFF);
  EXPECT_EQ(CRC16(data.data(), 256 + 5), CRC16(data.data(), 5));
  EXPECT_NE(CRC16(data.data(), 255), 0xFFFF);
}

TEST(QuBUSFrames, IdentificationAndRead) {
  std::uint8_t frame[16];
  int length = 0;
  BuildQuBUSRead(1, "ID", 0x1234, 0x5678, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0xA5, 0x01, 0x00, 0x5A}));
  BuildQuBUSRead(1, "RAM", 0x0100, 0x0110, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0xA5, 0x04, 0x03, 0x01, 0x00, 0x10, 0x5A}));
  BuildQuBUSRead(2, "RAM", 0x0100, 0x0110, frame, length);
  EXPECT_EQ(frame[5], 0x20);
  BuildQuBUSRead(1, "XRAM", 0, 1, frame, length);
  EXPECT_EQ(frame[2], 4);
  BuildQuBUSRead(1, "FLASH", 0, 1, frame, length);
  EXPECT_EQ(frame[2], 5);
}

TEST(QuBUSFrames, ReadCountWrapsAtOneByte) {
  std::uint8_t frame[16];
  int length = 0;
  // 0x0105 - 0x00F0 = 0x15 on the low bytes; a span of 0x115 bytes reads only its first 0x15.
  BuildQuBUSRead(1, "RAM", 0x00F0, 0x0205, frame, length);
  EXPECT_EQ(frame[5], 0x15);
  BuildQuBUSRead(4, "RAM", 0x0000, 0x0050, frame, length);
  EXPECT_EQ(frame[5], 0x40);  // 0x140 mod 256
}

TEST(QuBUSFrames, WriteCarriesDataInMemoryOrder) {
  const std::uint8_t data[] = {0x34, 0x12};
  std::uint8_t frame[16];
  int length = 0;
  BuildQuBUSWrite("XRAM", 0x2000, data, 2, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0xA5, 0x06, 0x11, 0x20, 0x00, 0x02, 0x34, 0x12, 0x5A}));
  // The byte after A5 always counts the bytes up to the closing 5A.
  std::vector<std::uint8_t> big(248, 0x77);
  std::vector<std::uint8_t> out(255);
  BuildQuBUSWrite("FLASH", 0x0001, big.data(), 248, out.data(), length);
  EXPECT_EQ(length, 255);
  EXPECT_EQ(out[1], 252);
  EXPECT_EQ(out[2], 0x12);
  EXPECT_EQ(out[254], 0x5A);
}

TEST(QuBUSFrames, RejectsWhatCannotBeAFrame) {
  std::uint8_t data[300] = {};
  std::uint8_t frame[300];
  int length = 0;
  EXPECT_THROW(BuildQuBUSRead(1, "ram", 0, 1, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildQuBUSWrite("ID", 0, data, 1, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildQuBUSWrite("RAM", 0, data, 0, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildQuBUSWrite("RAM", 0, data, 249, frame, length), std::invalid_argument);
}

TEST(MODBUSFrames, ReportSlaveIdWhenTheSpanIsEmpty) {
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("1", 7, 7, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0x01, 0x11, 0xC0, 0x2C}));
  // 65536 registers is also 0 modulo 65536.
  BuildMODBUSRead("1", 0, 0, frame, length);
  EXPECT_EQ(length, 4);
  BuildMODBUSRead("$11", 0xFFFF, 0x0009, frame, length);
  EXPECT_EQ(Frame(frame, 6), (Bytes{0x11, 0x03, 0xFF, 0xFF, 0x00, 0x0A}));
  EXPECT_EQ(CRC16(frame, length), 0);
}

TEST(MODBUSFrames, SlaveAddressIsAnIntegerSentAsOneByte) {
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("257", 0, 1, frame, length);
  EXPECT_EQ(frame[0], 1);
  EXPECT_THROW(BuildMODBUSRead("abc", 0, 1, frame, length), ConversionError);
}

TEST(MODBUSFrames, WriteSwapsTheCallersBuffer) {
  std::uint8_t data[] = {0x34, 0x12};
  std::uint8_t frame[16];
  int length = 0;
  BuildMODBUSWrite("1", 16, data, 2, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0x01, 0x10, 0x00, 0x10, 0x00, 0x01, 0x02, 0x12, 0x34, 0xA9, 0xB7}));
  EXPECT_EQ(data[0], 0x12);
  EXPECT_EQ(data[1], 0x34);

  std::vector<std::uint8_t> many(246);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> out(255);
  BuildMODBUSWrite("2", 0x0102, many.data(), 246, out.data(), length);
  EXPECT_EQ(length, 255);
  EXPECT_EQ(out[5], 123);
  EXPECT_EQ(out[6], 246);
  EXPECT_EQ(out[7], 1);  // first word swapped
  EXPECT_EQ(out[8], 0);
  EXPECT_EQ(CRC16(out.data(), 255), 0);
}

TEST(MODBUSFrames, RejectsOddOrOversizedWrites) {
  std::uint8_t data[300] = {};
  std::uint8_t frame[300];
  int length = 0;
  EXPECT_THROW(BuildMODBUSWrite("1", 0, data, 3, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildMODBUSWrite("1", 0, data, 0, frame, length), std::invalid_argument);
  EXPECT_THROW(BuildMODBUSWrite("1", 0, data, 248, frame, length), std::invalid_argument);
}

TEST(ByteHelpers, SwapCopyAndRegisterWidening) {
  std::uint8_t words[] = {1, 2, 3, 4, 5};
  SwapWordBytes(words, 2);
  EXPECT_EQ(Bytes(words, words + 5), (Bytes{2, 1, 4, 3, 5}));
  SwapWordBytes(words, 0);
  EXPECT_EQ(words[0], 2);

  std::uint8_t target[3] = {9, 9, 9};
  CopyBytes(words, target, 0);
  EXPECT_EQ(target[0], 9);
  CopyBytes(words, target, 2);
  EXPECT_EQ(Bytes(target, target + 3), (Bytes{2, 1, 9}));

  const std::uint8_t image[] = {0x10, 0x20, 0x30, 0x40};
  // Low half: the neighbour after it is the high half.
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 2, false), (std::array<std::uint8_t, 2>{0xAA, 0x40}));
  // High half: the neighbour before it is the low half.
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 1, true), (std::array<std::uint8_t, 2>{0x10, 0xAA}));
  // Neighbours outside the image are never read.
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 3, false), (std::array<std::uint8_t, 2>{0xAA, 0x00}));
  EXPECT_EQ(RegisterBytesForByte(0xAA, image, 4, 0, true), (std::array<std::uint8_t, 2>{0x00, 0xAA}));
}

}  // namespace quillon
