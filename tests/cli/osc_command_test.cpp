// quillon-cli osc on circular oscillogram files as the controller leaves them on its card.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/events/event_test_files.h"
#include "platform/files.h"
#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::RunResult;
using testing::TempDir;

RunResult RunCli(const std::vector<std::string>& args) {
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli"};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

struct CsvRow {
  std::string time;
  unsigned word = 0;
};

// The rows of `rec csv`: the time and the first variable, read back from hex.
std::vector<CsvRow> CsvRows(const std::string& csv) {
  std::vector<CsvRow> rows;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);  // the heading
  while (std::getline(lines, line)) {
    const std::size_t first = line.find(';');
    const std::size_t second = line.find(';', first + 1);
    rows.push_back({line.substr(0, first),
                    static_cast<unsigned>(std::stoul(line.substr(first + 2, second - first - 2), nullptr, 16))});
  }
  return rows;
}

class OscCommand : public ::testing::Test {
 protected:
  OscCommand() {
    testing::WriteCp1251File(device,
                             "[DEVICE]\nID=777 AB v1.0 2024-01-01\n[vars]\n[RAM]\n"
                             "r1=I/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\n");
  }

  // `count` records, `rate` a second, the newest at `newest`: record n is the first process
  // word n and lies (n + count - newest - 1) % count records after the oldest, from 10:00:00.
  void WriteOsc(std::uint32_t count, std::uint32_t rate, std::uint32_t newest) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count * kOscRecordSize);
    for (std::uint32_t n = 0; n < count; ++n) {
      const std::uint32_t order = (n + count - newest - 1) % count;
      testing::AppendOsc(bytes, testing::OscRecordAt(36000 + order / rate, static_cast<std::uint16_t>(n)));
    }
    testing::WriteBytes(osc, bytes);
  }

  TempDir dir;
  std::string device = dir / "777.ini";
  std::string osc = dir / "OSC.dat";
};

TEST_F(OscCommand, ASpanBelowTheFilesStartWrapsToItsTailIntoTheWindowsRecordName) {
  // 3000 records at 10 a second, the newest 1999: the 60 s before record 480 begin at 2880.
  WriteOsc(3000, 10, 1999);
  const RunResult made = RunCli(
      {"--workspace", dir.Path(), "osc", "--device", device, osc, "--at", "480", "--before", "60", "--after", "120"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string record = dir / "Records/OSC.rec";
  EXPECT_EQ(made.out, record + "\n");
  EXPECT_EQ(made.err, "");

  const RunResult info = RunCli({"rec", "info", record});
  EXPECT_EQ(info.out,
            "id: 777 AB v1.0 2024-01-01\nsamples: 1800\nstart: 05.03.2024 10:01:28\nend: 05.03.2024 10:04:27\n"
            "var: I\n");
  const std::vector<CsvRow> rows = CsvRows(RunCli({"rec", "csv", record}).out);
  ASSERT_EQ(rows.size(), 1800u) << "60 steps of 30 records, from the tail on";
  EXPECT_EQ(rows[0].word, 2880u);
  EXPECT_EQ(rows[119].word, 2999u);
  EXPECT_EQ(rows[120].word, 0u) << "from the tail on to the file's start";
  EXPECT_EQ(rows[600].word, 480u);
  EXPECT_EQ(rows[600].time, "05.03.2024 10:02:28,000");

  // Defaults of 30 s and 30 s; an event near the end runs on past it to the start.
  const std::string other = dir / "late.rec";
  const RunResult late = RunCli({"osc", "--device", device, osc, "--at", "2950", "--out", other});
  ASSERT_EQ(late.exitCode, 0) << late.err;
  EXPECT_EQ(late.out, other + "\n");
  const std::vector<CsvRow> lateRows = CsvRows(RunCli({"rec", "csv", other}).out);
  ASSERT_EQ(lateRows.size(), 600u);
  EXPECT_EQ(lateRows.front().word, 2650u);
  EXPECT_EQ(lateRows[349].word, 2999u);
  EXPECT_EQ(lateRows.back().word, 249u);
}

// Which records are kept, and in what order, the decoder's own tests judge: here the options
// reach it and the note is told.
TEST_F(OscCommand, MoreRecordsThanARecordHoldsAreCutAroundTheEventAndTheRestIsCounted) {
  // 36,000 records at 200 a second; the event 60 s in, 60 s before and 120 s after.
  WriteOsc(36000, 200, 35999);
  const std::string record = dir / "long.rec";
  const RunResult made =
      RunCli({"osc", "--device", device, osc, "--at", "12000", "--before", "60", "--after", "120", "--out", record});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.err, "Осциллограмма сокращена: не вошло записей: 3053\n");

  const std::vector<CsvRow> rows = CsvRows(RunCli({"rec", "csv", record}).out);
  ASSERT_EQ(rows.size(), 32767u);
  EXPECT_EQ(rows.front().word, 12000u - 10922);
  EXPECT_EQ(rows.back().word, 12000u + 21844);
}

TEST_F(OscCommand, NoValidRecordInTheSpanFailsAndWritesNothing) {
  testing::WriteBytes(osc, std::vector<std::uint8_t>(50 * kOscRecordSize, 0xFF));
  const RunResult erased = RunCli({"--workspace", dir.Path(), "osc", "--device", device, osc, "--at", "10"});
  EXPECT_EQ(erased.exitCode, 1);
  EXPECT_EQ(erased.out, "");
  EXPECT_EQ(erased.err, "Файл осциллограммы не содержит ни одной верной записи\n");
  EXPECT_FALSE(FileExists(dir / "Records/OSC.rec"));

  testing::WriteBytes(osc, {});
  const RunResult empty = RunCli({"osc", "--device", device, osc, "--at", "0", "--out", dir / "none.rec"});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.err, erased.err);
  EXPECT_FALSE(FileExists(dir / "none.rec"));
}

TEST_F(OscCommand, BadArgumentsAreUsageErrors) {
  WriteOsc(10, 1, 9);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--device", device, osc},
           {"--device", device, osc, "--at", "-1"},
           {"--device", device, osc, "--at", "1", "--before", "x"},
           {"--device", device, osc, "--at", "1", "--after"},
           {osc, "--at", "1"},
           {"--device", device, "--at", "1"},
           {"--device", device, osc, osc, "--at", "1"},
           {"--device", device, osc, "--at", "1", "--rate", "5"},
       }) {
    std::vector<std::string> command = {"osc"};
    command.insert(command.end(), args.begin(), args.end());
    const RunResult result = RunCli(command);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("usage: quillon-cli"), std::string::npos);
  }
  const RunResult noDevice = RunCli({"osc", "--device", dir / "none.ini", osc, "--at", "1"});
  EXPECT_EQ(noDevice.exitCode, 1);
  EXPECT_EQ(noDevice.err, "Файл устройства (ini) отсутствует!\n" + (dir / "none.ini") + "\n");
}

}  // namespace
}  // namespace quillon
