#pragma once
// A device file with one variable of each kind the parameter table treats specially, loaded
// into DeviceParameters, and helpers that build the answers a controller sends.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_parameters.h"
#include "link/crc16.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"

namespace quillon::testing {

// Rows: 0 Inom (word at x0100), 1 Ilim (follows Inom), 2 Addr (byte x0104, low half of r0082),
// 3 Enable (bit 0 of x0106), 4 Mode (list in the scale line "Mode", byte x0107), 5 Tacc (word
// x0108), 6 Calc (no cell in the controller).
inline const char* kDeviceLines =
    "[DEVICE]\nID=501 QT v2.1 2024-01-10\nDescription=Привод\nLocation=Стенд\nLastDateTime=01.01.2024 10:00:00\n"
    "[vars]\nInom=100\nMode=x00#Стоп/x01#Пуск/x02#Авто/x01/\n"
    "[FLASH]\n"
    "p1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n"
    "p2=Ilim/Ограничение тока/TWORD/x0102/r0081/А/Inom%1000/2/Inom/1,5/x05DC/\n"
    "p3=Addr/Адрес/TByte/x0104/r0082.L//1/1//0/x01/\n"
    "p4=Enable/Пуск/TBit/x0106/1/r0083.0/1/1/1/\n"
    "p5=Mode/Режим/TPrmList/x0107/r0083.H//Mode/\n"
    "p6=Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/x0032/\n"
    "p7=Calc/Расчёт/TWORD/x0200/r0100/с/1/2/@//x0007/\n";

class DeviceTest : public ::testing::Test {
 public:
  // A MODBUS answer: slave, function, payload, CRC low byte first.
  static std::vector<std::uint8_t> ModbusAnswer(std::uint8_t function, std::vector<std::uint8_t> payload) {
    std::vector<std::uint8_t> answer = {1, function};
    answer.insert(answer.end(), payload.begin(), payload.end());
    const std::uint16_t crc = CRC16(answer.data(), answer.size());
    answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    answer.push_back(static_cast<std::uint8_t>(crc >> 8));
    return answer;
  }

 protected:
  void SetUp() override {
    path = dir / "Devices/QT/501.ini";
    ASSERT_TRUE(WriteCp1251File(path, kDeviceLines));
    ASSERT_TRUE(parameters.Load(path, "FLASH").empty());
    ASSERT_EQ(parameters.List().Count(), 7);
  }

  TView& Variable(int row) { return parameters.List().Item(row); }
  // A cell's text as the table shows it: from the newest sample.
  std::string Cell(int row, int kind) {
    TView& variable = Variable(row);
    return variable.ColumnTextAt(kind, variable.History.Head());
  }

  static LinkFieldTexts Fields(const char* protocol) { return {protocol, "SIM1", "19200", "10", "1", "502"}; }

  // The controller memory x0100..x0109 as a QuBUS read answers it.
  static std::vector<std::uint8_t> Memory() { return {0xD0, 0x07, 0xDC, 0x05, 0x05, 0xAA, 0x03, 0x02, 0x64, 0x00}; }

  // Fills the controller column as a QuBUS read of Memory() would.
  void Read() {
    const LinkFrame frame = parameters.BuildRead(Fields("QuBUS"));
    const std::vector<std::uint8_t> memory = Memory();
    ASSERT_TRUE(parameters.TakeReadAnswer(Fields("QuBUS"), frame, memory.data(), memory.size()).accepted);
  }

  TempDir dir;
  std::string path;
  DeviceParameters parameters;
  // For the calls that have nothing to tell the user here.
  testing::UnexpectedPrompt quiet;
};

}  // namespace quillon::testing
