// quillon-cli's link commands that need no controller: CRC, frames, and the checks made on the
// link options before anything is sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::RunResult;

// quillon-cli on a workspace of its own that is empty.
RunResult RunLinkCli(const std::vector<std::string>& args) {
  testing::TempDir workspace;
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace.Path()};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

TEST(CrcCommand, PrintsTheValueAndTheBytesAsSentLowFirst) {
  EXPECT_EQ(RunLinkCli({"crc", "01", "03", "00", "00", "00", "0A"}).out, "CDC5 C5 CD\n");
  EXPECT_EQ(RunLinkCli({"crc", "313233343536373839"}).out, "4B37 37 4B\n");
  EXPECT_EQ(RunLinkCli({"crc", "01 11"}).out, "2CC0 C0 2C\n");
  // A frame with its own CRC checks out as 0.
  EXPECT_EQ(RunLinkCli({"crc", "01 03 00 00 00 0A C5 CD"}).out, "0000 00 00\n");
}

TEST(CrcCommand, RefusesWhatIsNotWholeHexBytes) {
  EXPECT_EQ(RunLinkCli({"crc", "0"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"crc", "GG"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"crc"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"crc", std::string(512, 'A')}).exitCode, 2) << "longer than any frame";
}

TEST(FrameCommand, BuildsTheFramesOfBothProtocols) {
  EXPECT_EQ(RunLinkCli({"frame", "qubus-id"}).out, "A5 01 00 5A\n");
  EXPECT_EQ(RunLinkCli({"frame", "qubus-read", "--area", "RAM", "--start", "0x0100", "--end", "0x0110"}).out,
            "A5 04 03 01 00 10 5A\n");
  EXPECT_EQ(RunLinkCli({"frame", "qubus-read", "--area", "RAM", "--start", "$100", "--end", "$110", "--unit", "2"}).out,
            "A5 04 03 01 00 20 5A\n");
  EXPECT_EQ(RunLinkCli({"frame", "qubus-write", "--area", "XRAM", "--addr", "x2000", "34", "12"}).out,
            "A5 06 11 20 00 02 34 12 5A\n");
  EXPECT_EQ(RunLinkCli({"frame", "modbus-read", "--slave", "1", "--start", "0", "--end", "10"}).out,
            "01 03 00 00 00 0A C5 CD\n");
  EXPECT_EQ(RunLinkCli({"frame", "modbus-read", "--slave", "1", "--start", "5", "--end", "5"}).out, "01 11 C0 2C\n");
  EXPECT_EQ(RunLinkCli({"frame", "modbus-write", "--slave", "1", "--reg", "16", "3412"}).out,
            "01 10 00 10 00 01 02 12 34 A9 B7\n");
}

TEST(FrameCommand, RefusesBadAreasCountsAndNumbers) {
  EXPECT_EQ(RunLinkCli({"frame", "qubus-read", "--area", "ID", "--start", "0", "--end", "1"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"frame", "qubus-read", "--area", "ram", "--start", "0", "--end", "1"}).exitCode, 2)
      << "area names are case-sensitive";
  EXPECT_EQ(RunLinkCli({"frame", "qubus-read", "--area", "RAM", "--start", "0"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"frame", "qubus-read", "--area", "RAM", "--start", "0", "--end", "70000"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"frame", "qubus-write", "--area", "FLASH", "--addr", "0"}).exitCode, 2) << "no data";
  EXPECT_EQ(RunLinkCli({"frame", "qubus-write", "--area", "FLASH", "--addr", "0", std::string(2 * 249, '0')}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"frame", "modbus-write", "--slave", "1", "--reg", "0", "123456"}).exitCode, 2)
      << "an odd byte count is no whole register";
  EXPECT_EQ(RunLinkCli({"frame", "modbus-read", "--slave", "x", "--start", "0", "--end", "1"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"frame", "modbus-read", "--slave", "1", "--begin", "0", "--end", "1"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"frame", "telnet"}).exitCode, 2);
}

// The main window's checks of its link fields, in its order and with its texts.
TEST(LinkChecks, FieldsAreCheckedInTheMainWindowsOrder) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"ident", "--bus", "QuBUS", "--baud", "9600"}, "Не выбран COM порт!"},
      {{"read", "--device", "x.ini", "--bus", "QuBUS", "--baud", "9600"}, "Не выбран порт!"},
      {{"ident"}, "Не выбран протокол!"},
      {{"ident", "--bus", "MODBUS", "--port", "P"}, "Не выбран протокол!"},
      {{"ident", "--bus", "QuBUS", "--port", "P"}, "Не выбрана скорость передачи!"},
      {{"ident", "--bus", "QuBUS", "--port", "P", "--baud", "9600", "--fe", "4"},
       "Frame End должно быть числом от 5 до 100"},
      {{"ident", "--bus", "QuBUS", "--port", "P", "--baud", "9600", "--fe", "101"},
       "Frame End должно быть числом от 5 до 100"},
      {{"ident", "--bus", "MODBUS TCP", "--ip", "127.0.0.1", "--ipport", "x"}, "Не выбран TCP порт!"},
      {{"read", "--device", "x.ini", "--bus", "MODBUS TCP", "--ip", "127.0.0.1", "--ipport", "x"},
       "Не указан TCP/IP порт"},
      {{"ident", "--bus", "MODBUS RTU", "--port", "P", "--baud", "9600", "--addr", "256"},
       "Адрес устройства - это число от 0 до 255"},
      // A value is written to an address under every protocol, so even QuBUS checks it.
      {{"write", "--device", "x.ini", "--var", "A", "--value", "1", "--bus", "QuBUS", "--port", "P", "--baud", "9600",
        "--addr", "-1"},
       "Адрес устройства - это число от 0 до 255"},
  };
  for (const auto& check : cases) {
    const RunResult result = RunLinkCli(check.args);
    EXPECT_EQ(result.exitCode, 1) << check.args.front() << " " << check.message;
    EXPECT_EQ(result.err, check.message + "\n");
  }
}

TEST(LinkChecks, AQuBUSReadIgnoresTheAddressFieldAndAMissingDeviceFileIsNamed) {
  const RunResult result = RunLinkCli({"read", "--device", "no-such-device.ini", "--bus", "QuBUS", "--port", "P",
                                     "--baud", "9600", "--addr", "junk"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("no-such-device.ini"), std::string::npos) << result.err;
}

TEST(LinkChecks, UsageErrorsOfTheLinkCommands) {
  EXPECT_EQ(RunLinkCli({"read", "--bus", "QuBUS"}).exitCode, 2) << "no device";
  EXPECT_EQ(RunLinkCli({"ident", "--bus"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"ident", "--colour", "red"}).exitCode, 2);
  EXPECT_EQ(RunLinkCli({"write", "--device", "x.ini", "--var", "A"}).exitCode, 2) << "no value";
  EXPECT_EQ(RunLinkCli({"write", "--device", "x.ini", "--var", "A", "--value", "1", "--base"}).exitCode, 2);
}

}  // namespace
}  // namespace quillon
