#include "link/traffic_save.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "link/traffic_text.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "traffic_frames.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;

// Link "COM1" and "COM2" in turn, an answer after each request, a CRC verdict on every third.
void Fill(TrafficLog& log, int frames) {
  for (int i = 0; i < frames; ++i) {
    const FrameVerdict verdict = i % 2 == 0 ? FrameVerdict::None : i % 3 == 0 ? FrameVerdict::CRC : FrameVerdict::OK;
    log.Append(
        testing::ModbusTrafficFrame(1'700'000'000'000'000 + i * 1234, (i / 2) % 2 == 0 ? "COM1" : "COM2", 1, verdict));
  }
}

std::vector<std::string> Entries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename());
  return names;
}

// The exit code of `save` run in a child process prepared by `prepare` (a limit or another user
// must not stay with the other tests): 0 when the save reported a failure with the expected
// message, 1 when it failed with another message, 2 when it claimed success, 3 when the child
// could not be prepared.
int ExitOfSaveInChild(const std::function<bool()>& prepare, const std::function<TrafficSaveResult()>& save) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (!prepare()) ::_exit(3);
    const TrafficSaveResult result = save();
    if (result) ::_exit(2);
    ::_exit(result.message.rfind("Не удалось сохранить файл ", 0) == 0 ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(TrafficSave, WritesTheTraceLinesOfTheShownFramesOnly) {
  TempDir dir;
  TrafficLog log;
  Fill(log, 40);
  log.SetFilter({.link = "COM2"});
  const std::string path = dir / "traffic.txt";
  { std::ofstream(path) << "an older, longer file that the save replaces entirely\n"; }

  const TrafficSaveResult result = SaveTrafficText(log, path);
  ASSERT_TRUE(result) << result.message;
  EXPECT_EQ(result.lines, 20u);
  std::string expected;
  for (std::size_t row = 0; row < log.Rows(); ++row) expected += TraceLine(log.Row(row)) + "\n";
  EXPECT_EQ(FileBytes(path), expected);
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"traffic.txt"});

  // Each line is the five fields of the trace, the verdict empty on a request.
  EXPECT_NE(expected.find("\tTX\t01 03 01 00 00 01 "), std::string::npos);
  EXPECT_NE(expected.find("\tCRC\n"), std::string::npos);

  log.SetFilter({.link = "nothing such", .verdict = FrameVerdict::OK});
  ASSERT_TRUE(SaveTrafficText(log, path));
  EXPECT_EQ(FileBytes(path), "") << "an empty view saves an empty file";
}

TEST(TrafficSave, AFolderThatCannotBeWrittenIsReportedAndGetsNothing) {
  TempDir dir;
  const std::string folder = dir / "closed";
  ASSERT_EQ(::mkdir(folder.c_str(), 0555), 0);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  TrafficLog log;
  Fill(log, 10);
  const std::string path = folder + "/traffic.txt";
  // Root writes anywhere: then the save runs as nobody, for whom the folder is closed too.
  const int exit = ExitOfSaveInChild([] { return ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0); },
                                     [&] { return SaveTrafficText(log, path); });
  EXPECT_EQ(exit, 0) << "1: another message, 2: claimed success, 3: no unprivileged user";
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  ::chmod(folder.c_str(), 0755);

  const TrafficSaveResult missing = SaveTrafficText(log, dir / "no such folder/traffic.txt");
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.message.find("no such folder/traffic.txt: папка не существует"), std::string::npos)
      << missing.message;
}

TEST(TrafficSave, AWriteThatFailsHalfWayLeavesTheOldFileAndNoPart) {
  TempDir dir;
  TrafficLog log;
  Fill(log, 2000);
  const std::string path = dir / "traffic.txt";
  { std::ofstream(path) << "the last good save\n"; }
  constexpr rlim_t kLimit = 16384;
  const int exit = ExitOfSaveInChild(
      [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kLimit, kLimit};
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
      },
      [&] { return SaveTrafficText(log, path); });
  EXPECT_EQ(exit, 0) << "0: refused with its message, 1: another message, 2: claimed success";
  EXPECT_EQ(FileBytes(path), "the last good save\n");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"traffic.txt"}) << "no temporary stays behind";
}

}  // namespace
}  // namespace quillon
