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
  BuildQuBUSRead(1, "ID", 0x1234, 0x5678, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0xA5, 0x01, 0x00, 0x5A}));
  BuildQuBUSRead(1, "RAM", 0x0100, 0x0110, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0xA5, 0x04, 0x03, 0x01, 0x00, 0x10, 0x5A}));
  BuildQuBUSRead(2, "RAM", 0x0100, 0x0110, frame, length);
  EXPECT_EQ(frame[5], 0x20);
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
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("1", 0, 10, frame, length);
  EXPECT_EQ(Frame(frame, length), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
  BuildMODBUSRead("1", 7, 7, frame, length);  // an empty span asks for the identification
  EXPECT_EQ(Frame(frame, length), (Bytes{0x01, 0x11, 0xC0, 0x2C}));
  BuildMODBUSRead("$11", 0xFFFF, 0x0009, frame, length);
  EXPECT_EQ(Frame(frame, 6), (Bytes{0x11, 0x03, 0xFF, 0xFF, 0x00, 0x0A}));
  BuildMODBUSRead("257", 0, 1, frame, length);
  EXPECT_EQ(frame[0], 1);
  EXPECT_THROW(BuildMODBUSRead("abc", 0, 1, frame, length), ConversionError);
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

}  // namespace quillon
