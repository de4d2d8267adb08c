#include "scope/trace_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <tuple>

#include "../../support/file_bytes.h"
#include "../../support/temp_dir.h"
#include "platform/files.h"
#include "scope/scope_options.h"
#include "scope/trace_names.h"
#include "workspace/settings.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using quillon::testing::FileBytes;
using quillon::testing::TempDir;
using quillon::testing::WriteCp1251File;

class ManualClock {
 public:
  TraceFile::Clock Function() {
    return [this] { return now; };
  }
  std::chrono::steady_clock::time_point now{};
};

// The settings a trace and a scope window take from the options, in the order of the dialog.
auto TraceSettings(const ScopeOptions& o) {
  return std::tuple(o.traceMinutes, o.traceKilobytes, o.newFileByTime, o.newFileBySize, o.crcCheck);
}

TEST(ScopeOptionsTest, MissingFileOrKeysGiveTheDefaults) {
  TempDir dir;
  EXPECT_EQ(TraceSettings(ReadScopeOptions(dir / "settings.ini")), std::tuple("60", "1000", false, false, true));
  ASSERT_TRUE(WriteCp1251File(dir / "settings.ini", "[Settings]\nTrasserTime=5\nCOM=COM3\n"));
  EXPECT_EQ(TraceSettings(ReadScopeOptions(dir / "settings.ini")), std::tuple("5", "1000", false, false, true));
}

TEST(ScopeOptionsTest, RoundTripThroughTheSettingsKeys) {
  TempDir dir;
  const std::string ini = dir / "settings.ini";
  ScopeOptions options;
  options.traceMinutes = "15";
  options.traceKilobytes = "250";
  options.newFileByTime = true;
  options.newFileBySize = false;
  options.crcCheck = false;
  WriteScopeOptions(ini, options);

  EXPECT_EQ(ReadSetting(ini, "TrasserTime"), "15");
  EXPECT_EQ(ReadSetting(ini, "TrasserFileSize"), "250");
  EXPECT_EQ(ReadSetting(ini, "TrasserTypeTime"), "1");
  EXPECT_EQ(ReadSetting(ini, "TrasserTypeFileSize"), "0");
  EXPECT_EQ(ReadSetting(ini, "ScopeCRC16Check"), "0");
  EXPECT_EQ(TraceSettings(ReadScopeOptions(ini)), TraceSettings(options));
}

TEST(ScopeOptionsTest, LimitsApplyOnlyWhenCheckedAndPositive) {
  ScopeOptions options;
  EXPECT_FALSE(TraceLimitsOf(options).period);
  EXPECT_FALSE(TraceLimitsOf(options).maxBytes);

  options.newFileByTime = true;
  options.newFileBySize = true;
  const TraceLimits both = TraceLimitsOf(options);
  EXPECT_EQ(both.period, 60min);
  EXPECT_EQ(both.maxBytes, 1000u * 1024u);

  options.traceMinutes = "0";
  options.traceKilobytes = "много";
  EXPECT_FALSE(TraceLimitsOf(options).period);
  EXPECT_FALSE(TraceLimitsOf(options).maxBytes);
}

TEST(TraceFileTest, SwitchingOnStartsTheFileAfreshAndLinesAreCp1251) {
  TempDir dir;
  const std::string traceDir = dir / "Trace/";
  TraceFile trace(traceDir);
  ASSERT_TRUE(WriteCp1251File(trace.Path(), "old line\n"));

  ASSERT_TRUE(trace.Open());
  EXPECT_EQ(FileBytes(trace.Path()), "");
  ASSERT_TRUE(trace.Append("1,5;Вкл;\r\n"));
  ASSERT_TRUE(trace.Append("2;Откл;\r\n"));
  const std::string expected = "1,5;\xC2\xEA\xEB;\r\n2;\xCE\xF2\xEA\xEB;\r\n";
  EXPECT_EQ(FileBytes(trace.Path()), expected);

  trace.Close();
  EXPECT_FALSE(trace.IsOpen());
  EXPECT_TRUE(trace.Append("3;\r\n"));
  EXPECT_EQ(FileBytes(trace.Path()), expected);
}

TEST(TraceFileTest, SizeLimitMovesTheFullFileAsideAndKeepsTheCount) {
  TempDir dir;
  TraceLimits limits;
  limits.maxBytes = 20;
  limits.keptOldFiles = 2;
  TraceFile trace(dir.Path(), limits);
  ASSERT_TRUE(trace.Open());

  // Ten-byte lines: two fill a file exactly, the third starts the next one.
  for (const char* line :
       {"aaaaaaaa\r\n", "bbbbbbbb\r\n", "cccccccc\r\n", "dddddddd\r\n", "eeeeeeee\r\n", "ffffffff\r\n", "gggggggg\r\n"})
    ASSERT_TRUE(trace.Append(line));

  EXPECT_EQ(FileBytes(trace.Path()), "gggggggg\r\n");
  EXPECT_EQ(FileBytes(trace.OldFilePath(1)), "eeeeeeee\r\nffffffff\r\n");
  EXPECT_EQ(FileBytes(trace.OldFilePath(2)), "cccccccc\r\ndddddddd\r\n");
  EXPECT_FALSE(FileExists(trace.OldFilePath(3)));

  // A line larger than the limit is written whole rather than lost.
  ASSERT_TRUE(trace.Append(std::string(30, 'x') + "\r\n"));
  EXPECT_EQ(FileBytes(trace.Path()).size(), 32u);
  EXPECT_EQ(FileBytes(trace.OldFilePath(1)), "gggggggg\r\n");

  // Such a line as the first of a file goes into it: no empty file is moved aside, so no kept
  // file is pushed out by an empty one.
  TempDir fresh;
  TraceFile first(fresh.Path(), limits);
  ASSERT_TRUE(first.Open());
  ASSERT_TRUE(first.Append(std::string(30, 'y') + "\r\n"));
  EXPECT_EQ(FileBytes(first.Path()), std::string(30, 'y') + "\r\n");
  EXPECT_FALSE(FileExists(first.OldFilePath(1)));
}

TEST(TraceFileTest, TimeLimitStartsANewFileWhenThePeriodHasRun) {
  TempDir dir;
  ManualClock clock;
  TraceLimits limits;
  limits.period = 1min;
  limits.keptOldFiles = 0;
  TraceFile trace(dir.Path(), limits, clock.Function());
  ASSERT_TRUE(trace.Open());

  ASSERT_TRUE(trace.Append("1;\r\n"));
  clock.now += 59s;
  ASSERT_TRUE(trace.Append("2;\r\n"));
  EXPECT_EQ(FileBytes(trace.Path()), "1;\r\n2;\r\n");

  clock.now += 1s;
  ASSERT_TRUE(trace.Append("3;\r\n"));
  // Nothing is kept: the trace simply starts over.
  EXPECT_EQ(FileBytes(trace.Path()), "3;\r\n");
  EXPECT_FALSE(FileExists(trace.OldFilePath(1)));

  // The period counts from the new file's start, not from the first.
  clock.now += 59s;
  ASSERT_TRUE(trace.Append("4;\r\n"));
  EXPECT_EQ(FileBytes(trace.Path()), "3;\r\n4;\r\n");
}

TEST(TraceFileTest, AFileThatCannotBeCreatedIsReported) {
  TempDir dir;
  TraceFile trace(dir.Path());
  // Even root cannot open a directory for writing.
  ASSERT_TRUE(EnsureDirectory(trace.Path()));
  const TraceResult open = trace.Open();
  EXPECT_FALSE(open);
  EXPECT_NE(open.message.find("!.trc"), std::string::npos);
  EXPECT_FALSE(trace.IsOpen());
}

TEST(TraceFileTest, AFullDiskIsReportedOnceAndClosesTheTrace) {
  TempDir dir;
  TraceFile trace(dir.Path());
  ASSERT_EQ(::symlink("/dev/full", trace.Path().c_str()), 0);
  ASSERT_TRUE(trace.Open());
  const TraceResult failed = trace.Append("1;\r\n");
  EXPECT_FALSE(failed);
  EXPECT_NE(failed.message.find("!.trc"), std::string::npos);
  EXPECT_FALSE(trace.IsOpen());
  EXPECT_TRUE(trace.Append("2;\r\n"));
}

TEST(TraceFileTest, AFileThatCannotBeMovedAsideIsReported) {
  TempDir dir;
  TraceLimits limits;
  limits.maxBytes = 4;
  limits.keptOldFiles = 1;
  TraceFile trace(dir.Path(), limits);
  ASSERT_TRUE(trace.Open());
  ASSERT_TRUE(trace.Append("1;\r\n"));
  // A directory where the old file must go makes the move aside fail.
  ASSERT_TRUE(EnsureDirectory(trace.OldFilePath(1) + "/x"));

  const TraceResult failed = trace.Append("2;\r\n");
  EXPECT_FALSE(failed);
  EXPECT_FALSE(failed.message.empty());
  EXPECT_FALSE(trace.IsOpen());
  EXPECT_TRUE(trace.Append("3;\r\n"));
}

TEST(TraceNamesTest, TwoWindowsTracingAtOnceNeverShareAFile) {
  TempDir dir;
  TraceNames names;
  const std::string first = names.Claim("pump.scp");
  const std::string second = names.Claim("pump.scp");
  const std::string third = names.Claim("fan.scp");
  EXPECT_EQ(first, "!.trc");
  EXPECT_EQ(second, "!pump.trc");
  EXPECT_EQ(third, "!fan.trc");
  EXPECT_EQ(names.Claim("pump.scp"), "!pump-2.trc");
  EXPECT_EQ(names.Claim(""), "!scope.trc");

  // Both write at once, each into its own file, nothing lost or mixed.
  TraceFile a(dir.Path());
  TraceFile b(dir.Path());
  a.SetFileName(first);
  b.SetFileName(second);
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(b.Open());
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(a.Append("a" + std::to_string(i) + "\r\n"));
    ASSERT_TRUE(b.Append("b" + std::to_string(i) + "\r\n"));
  }
  EXPECT_EQ(FileBytes(a.Path()).substr(0, 8), "a0\r\na1\r\n");
  EXPECT_EQ(FileBytes(b.Path()).find('a'), std::string::npos);
  EXPECT_EQ(b.OldFilePath(1), dir / "!pump1.trc");
  EXPECT_EQ(a.OldFilePath(1), dir / "!1.trc");

  // A name given back is the first one taken again.
  names.Release(first);
  EXPECT_EQ(names.Claim("fan.scp"), "!.trc");
}

}  // namespace
}  // namespace quillon
