#include "link/buses.h"

#include <stdexcept>
#include <string>

#include "link/crc16.h"
#include "text/numbers.h"

namespace quillon {

namespace {

std::uint8_t High(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t Low(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

std::uint8_t SlaveByte(std::string_view slaveAddress) {
  return static_cast<std::uint8_t>(ReadInteger(slaveAddress) & 0xFF);
}

void AppendCRC(std::uint8_t* frame, int& length) {
  const std::uint16_t crc = CRC16(frame, static_cast<std::size_t>(length));
  frame[length++] = Low(crc);
  frame[length++] = High(crc);
}

}  // namespace

std::optional<std::uint8_t> QuBUSReadCode(std::string_view area) {
  if (area == "RAM") return 3;
  if (area == "XRAM") return 4;
  if (area == "FLASH") return 5;
  if (area == "ID") return 0;
  return std::nullopt;
}

std::optional<std::uint8_t> QuBUSWriteCode(std::string_view area) {
  if (area == "RAM") return 0x10;
  if (area == "XRAM") return 0x11;
  if (area == "FLASH") return 0x12;
  return std::nullopt;
}

void BuildQuBUSRead(int addressUnit, std::string_view area, std::uint16_t start, std::uint16_t end, std::uint8_t* frame,
                    int& length) {
  const auto code = QuBUSReadCode(area);
  if (!code) throw std::invalid_argument("Неизвестная область памяти: " + std::string(area));
  if (area == "ID") {
    frame[0] = 0xA5;
    frame[1] = 0x01;
    frame[2] = 0x00;
    frame[3] = 0x5A;
    length = 4;
    return;
  }
  // Only the low bytes matter: a span of more than 255 bytes reads just its first bytes.
  const unsigned span = static_cast<unsigned>(Low(end) - Low(start));
  frame[0] = 0xA5;
  frame[1] = 0x04;
  frame[2] = *code;
  frame[3] = High(start);
  frame[4] = Low(start);
  frame[5] = static_cast<std::uint8_t>((span * static_cast<unsigned>(addressUnit)) & 0xFF);
  frame[6] = 0x5A;
  length = 7;
}

void BuildQuBUSWrite(std::string_view area, std::uint16_t address, const std::uint8_t* data, int count,
                     std::uint8_t* frame, int& length) {
  const auto code = QuBUSWriteCode(area);
  if (!code) throw std::invalid_argument("Запись в область " + std::string(area) + " невозможна");
  if (count < 1 || count > kMaxQuBUSWriteBytes)
    throw std::invalid_argument("Недопустимое число байт записи: " + std::to_string(count));
  frame[0] = 0xA5;
  frame[1] = static_cast<std::uint8_t>(count + 4);
  frame[2] = *code;
  frame[3] = High(address);
  frame[4] = Low(address);
  frame[5] = static_cast<std::uint8_t>(count);
  CopyBytes(data, frame + 6, static_cast<std::size_t>(count));
  frame[6 + count] = 0x5A;
  length = count + 7;
}

void BuildMODBUSRead(std::string_view slaveAddress, std::uint16_t startRegister, std::uint16_t endRegister,
                     std::uint8_t* frame, int& length) {
  const std::uint8_t slave = SlaveByte(slaveAddress);
  const std::uint16_t registers = static_cast<std::uint16_t>(endRegister - startRegister);
  frame[0] = slave;
  if (registers == 0) {
    frame[1] = 0x11;
    length = 2;
  } else {
    frame[1] = kMODBUSReadHoldingRegisters;
    frame[2] = High(startRegister);
    frame[3] = Low(startRegister);
    frame[4] = High(registers);
    frame[5] = Low(registers);
    length = 6;
  }
  AppendCRC(frame, length);
}

void BuildMODBUSWrite(std::string_view slaveAddress, std::uint16_t firstRegister, std::uint8_t* data, int count,
                      std::uint8_t* frame, int& length) {
  if (count < 2 || count > kMaxMODBUSWriteBytes || count % 2 != 0)
    throw std::invalid_argument("Недопустимое число байт записи: " + std::to_string(count));
  const std::uint8_t slave = SlaveByte(slaveAddress);
  SwapWordBytes(data, count / 2);
  frame[0] = slave;
  frame[1] = kMODBUSWriteMultipleRegisters;
  frame[2] = High(firstRegister);
  frame[3] = Low(firstRegister);
  frame[4] = 0;
  frame[5] = static_cast<std::uint8_t>(count / 2);
  frame[6] = static_cast<std::uint8_t>(count);
  CopyBytes(data, frame + 7, static_cast<std::size_t>(count));
  length = 7 + count;
  AppendCRC(frame, length);
}

void SwapWordBytes(std::uint8_t* buffer, int wordCount) {
  for (int i = 0; i < wordCount; ++i) {
    const std::uint8_t first = buffer[2 * i];
    buffer[2 * i] = buffer[2 * i + 1];
    buffer[2 * i + 1] = first;
  }
}

void CopyBytes(const std::uint8_t* source, std::uint8_t* destination, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) destination[i] = source[i];
}

std::array<std::uint8_t, 2> RegisterBytesForByte(std::uint8_t newByte, const std::uint8_t* image, std::size_t imageSize,
                                                 std::size_t address, bool highByte) {
  if (highByte) {
    const std::uint8_t low = (address >= 1 && address - 1 < imageSize) ? image[address - 1] : 0;
    return {low, newByte};
  }
  const std::uint8_t high = (address + 1 < imageSize) ? image[address + 1] : 0;
  return {newByte, high};
}

}  // namespace quillon
