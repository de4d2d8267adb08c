// quillon-cli's link commands that need no controller: CRC, frames, the port list, and the
// checks made on the link options before anything is sent.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/open_terminal.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::OpenTerminal;
using testing::RunResult;

// quillon-cli on a workspace of its own that is empty.
RunResult RunLinkCli(const std::vector<std::string>& args) {
  testing::TempDir workspace;
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace.Path()};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

TEST(CrcAndFrameCommands, PrintTheBytesAsSent) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"crc", "01", "03", "00", "00", "00", "0A"}, "CDC5 C5 CD\n"},
      {{"crc", "01 03 00 00 00 0A C5 CD"}, "0000 00 00\n"},  // a frame with its own CRC
      {{"frame", "qubus-id"}, "A5 01 00 5A\n"},
      {{"frame", "qubus-read", "--area", "RAM", "--start", "$100", "--end", "$110", "--unit", "2"},
       "A5 04 03 01 00 20 5A\n"},
      {{"frame", "qubus-write", "--area", "XRAM", "--addr", "x2000", "34", "12"}, "A5 06 11 20 00 02 34 12 5A\n"},
      {{"frame", "modbus-read", "--slave", "1", "--start", "5", "--end", "5"}, "01 11 C0 2C\n"},
      {{"frame", "modbus-write", "--slave", "1", "--reg", "16", "3412"}, "01 10 00 10 00 01 02 12 34 A9 B7\n"},
  };
  for (const auto& [args, out] : cases) EXPECT_EQ(RunLinkCli(args).out, out) << ::testing::PrintToString(args);
}

TEST(CrcAndFrameCommands, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::string>> cases{
      {"crc", "0"},
      {"crc", "GG"},
      {"crc", std::string(512, 'A')},                                          // longer than any frame
      {"frame", "qubus-read", "--area", "ram", "--start", "0", "--end", "1"},  // area names are case-sensitive
      {"frame", "qubus-read", "--area", "ID", "--start", "0", "--end", "1"},
      {"frame", "qubus-read", "--area", "RAM", "--start", "0", "--end", "70000"},
      {"frame", "qubus-write", "--area", "FLASH", "--addr", "0"},
      {"frame", "qubus-write", "--area", "FLASH", "--addr", "0", std::string(2 * 249, '0')},
      {"frame", "modbus-write", "--slave", "1", "--reg", "0", "123456"},  // no whole register
      {"frame", "modbus-read", "--slave", "x", "--start", "0", "--end", "1"},
      {"frame", "telnet"},
      {"read", "--bus", "QuBUS"},  // no device
      {"ident", "--colour", "red"},
      {"write", "--device", "x.ini", "--var", "A"},  // no value
      {"write", "--device", "x.ini", "--var", "A", "--value", "1", "--base"},
      {"ports", "SIM1"},
  };
  for (const auto& args : cases) EXPECT_EQ(RunLinkCli(args).exitCode, 2) << ::testing::PrintToString(args);
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
      {{"ident", "--bus", "MODBUS TCP/IP", "--ip", "127.0.0.1", "--ipport", "0"}, "Не выбран TCP порт!"},
      {{"ident", "--bus", "MODBUS TCP/IP", "--ip", "127.0.0.1", "--addr", "x"},
       "Адрес устройства - это число от 0 до 255"},
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
  // A QuBUS read ignores the address field: what fails it is the missing device file, by name.
  const RunResult read = RunLinkCli(
      {"read", "--device", "no-such-device.ini", "--bus", "QuBUS", "--port", "P", "--baud", "9600", "--addr", "junk"});
  EXPECT_EQ(read.exitCode, 1);
  EXPECT_NE(read.err.find("no-such-device.ini"), std::string::npos) << read.err;
}

TEST(PortsCommand, ListsThePortsEntriesThatOpenAndLeavesOutHeldOnes) {
  testing::TempDir workspace;
  std::filesystem::create_directories(workspace / "Ports");
  OpenTerminal first, second, held;
  ASSERT_EQ(::flock(held.Fd(), LOCK_EX | LOCK_NB), 0);
  for (const auto& [name, target] : std::vector<std::pair<std::string, std::string>>{
           {"SIM1", first.Path()}, {"SIM2", second.Path()}, {"HELD", held.Path()}, {"GONE", "/nonexistent/tty"}})
    ASSERT_EQ(::symlink(target.c_str(), (workspace / ("Ports/" + name)).c_str()), 0);
  const RunResult result =
      testing::RunProgram({QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace.Path(), "ports"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  // The machine's own serial ports may follow the workspace's.
  EXPECT_EQ(result.out.rfind("SIM1\nSIM2\n", 0), 0u) << result.out;
  for (const char* left : {"HELD", "GONE"}) EXPECT_EQ(result.out.find(left), std::string::npos) << left;
}

}  // namespace
}  // namespace quillon
