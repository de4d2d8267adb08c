// quillon-cli rec on records written as the scope window writes them.
#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <string>
#include <vector>

#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

using testing::RunResult;
using testing::TempDir;

RunResult RunRec(const std::vector<std::string>& args) {
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "rec"};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

class RecCommand : public ::testing::Test {
 protected:
  // Three samples a second and a half apart of a scaled word and a bit.
  RecCommand() {
    testing::WriteCp1251File(header.DevicePath, "[DEVICE]\nID=7 SV v2.07 2020-06-30\n");
    list.AddScale("Inom=2000");
    auto mark = std::make_unique<TTimeMark>();
    std::vector<std::uint8_t> marks(3 * 9);
    for (int i = 0; i < 3; ++i) {
      const auto bits = std::bit_cast<std::uint64_t>(EncodeDateTime({2023, 12, 31, 23, 59, 58, 0}) + i * 1.5 / 86400);
      for (int b = 0; b < 8; ++b) marks[i * 9 + 1 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
    }
    mark->LoadSamples(marks, 3);
    list.Append(std::move(mark));
    CreateVariable("p1=Ток;фаза/d/TWORD/x0010/r0008/A/Inom%1000/2/x0000/", "1/16/", image, list)
        ->LoadSamples(std::vector<std::uint8_t>{0x01, 0x00, 0xE8, 0x03, 0xFF, 0xFF}, 3);
    CreateVariable("p2=Run/d/TBit/x0012/1/r0009.0/1/1/0/", "1/16/", image, list)
        ->LoadSamples(std::vector<std::uint8_t>{0, 1, 0}, 3);
    WriteRecord(header, list, 0, file, 2, prompt);
  }
  TempDir dir;
  RecordHeader header{.DevicePath = dir / "7.ini"};
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  std::string file = dir / "r.rec";
  testing::UnexpectedPrompt prompt;
};

TEST_F(RecCommand, InfoAndPhysicalTable) {
  auto result = RunRec({"info", file});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "id: 7 SV v2.07 2020-06-30\nsamples: 3\nstart: 31.12.2023 23:59:58\nend: 01.01.2024 00:00:01\n"
            "var: Ток;фаза\nvar: Run\n");

  result = RunRec({"csv", "--physical", file, "--from", "1", "--to", "7"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "time;\"Ток;фаза\";Run\r\n"
            "31.12.2023 23:59:59,500;2000,00;1\r\n"
            "01.01.2024 00:00:01,000;131070,00;0\r\n");
}

TEST_F(RecCommand, DamagedRecordsAndBadUsage) {
  const std::string bytes = testing::FileBytes(file);
  const std::string cut = dir / "cut.rec";
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 1);
  const std::string scope = dir / "w.scp";
  std::ofstream(scope, std::ios::binary) << "[default]\r\ndevicepath=7.ini\r\n";
  for (const auto& [path, reason] : {std::pair{cut, " повреждён: данных "}, std::pair{scope, " не является "},
                                     std::pair{dir / "none.rec", " не найден !"}}) {
    for (const std::string action : {"info", "csv"}) {
      const auto result = RunRec({action, path});
      EXPECT_EQ(result.exitCode, 1) << path << " " << action;
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err.rfind("Фаил " + path + reason, 0), 0u) << result.err;
      EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    }
  }

  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"show", file},
                                               {"info"},
                                               {"info", file, file},
                                               {"info", file, "--physical"},
                                               {"csv", file, "--from"},
                                               {"csv", file, "--to", "-1"},
                                               {"csv", file, "--from", "two"}}) {
    const auto result = RunRec(args);
    EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_NE(result.err.find("usage: quillon-cli rec info FILE"), std::string::npos);
  }
}

}  // namespace
}  // namespace quillon
