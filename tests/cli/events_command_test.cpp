// quillon-cli events on event and statistics files as the controller writes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/events/event_test_files.h"
#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::RunResult;
using testing::TempDir;

RunResult RunEvents(const std::vector<std::string>& args) {
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "events"};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

class EventsCommand : public ::testing::Test {
 protected:
  EventsCommand() {
    testing::WriteCp1251File(device,
                             "[DEVICE]\nID=7 SV v2.07 2020-06-30\n[STAT]\nStarts=0/1/0/Число пусков\n"
                             "Hours=0/2/0/Наработка\n[EVENTS]\n10=Пуск/i/0/Двигатель\n11=Авария/a/0\n10=Повтор/w\n");
  }
  TempDir dir;
  std::string device = dir / "7.ini";
};

TEST_F(EventsCommand, EventFileRowsAsTheGridShowsThemPartialTailReported) {
  std::vector<std::uint8_t> bytes;
  testing::AppendEvent(bytes, 5, 10, 1, 5);
  testing::AppendEvent(bytes, 6, 10, 2, 0);  // empty
  testing::AppendEvent(bytes, 7, 12, 3, 5);  // undescribed
  testing::AppendEvent(bytes, 8, 11, 200, 6);
  bytes.resize(bytes.size() + 5);
  testing::WriteBytes(dir / "event.EDAT", bytes);

  const RunResult result = RunEvents({"--device", device, dir / "event.EDAT"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "2\t5.3.2024\t9:5:7\tДвигатель\tПуск=1\n0\t6.3.2024\t9:5:7\t\tАвария=200\n");
  EXPECT_NE(result.err.find("5 bytes"), std::string::npos) << result.err;
}

TEST_F(EventsCommand, StatisticsInReverseOrderKindFromTheContentOrTheOption) {
  std::vector<std::uint8_t> bytes;
  testing::AppendU32(bytes, 3600);
  testing::AppendU32(bytes, 12);
  testing::WriteBytes(dir / "stat.bak", bytes);
  const RunResult result = RunEvents({"--device", device, dir / "stat.bak"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "2\tHours\t3600\tНаработка\n1\tStarts\t12\tЧисло пусков\n");
  EXPECT_EQ(result.err, "quillon-cli events: read as statistics, judged by the content (--kind overrides)\n");

  testing::WriteBytes(dir / "copy.dat", std::vector<std::uint8_t>(16));
  const RunResult asEvents = RunEvents({"--kind", "events", "--device", device, dir / "copy.dat"});
  EXPECT_EQ(asEvents.exitCode, 0);
  EXPECT_EQ(asEvents.out, "") << "a record of zeros is empty";
}

TEST_F(EventsCommand, AnEventCopyUnderAStatisticsNameIsReadAsEvents) {
  std::vector<std::uint8_t> bytes;
  testing::AppendEvent(bytes, 5, 10, 1, 5);
  testing::AppendEvent(bytes, 8, 11, 200, 6);
  bytes.resize(bytes.size() + 16);  // an unused record
  testing::WriteBytes(dir / "event.bak", bytes);
  const RunResult result = RunEvents({"--device", device, dir / "event.bak"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "2\t5.3.2024\t9:5:7\tДвигатель\tПуск=1\n0\t6.3.2024\t9:5:7\t\tАвария=200\n");
  EXPECT_EQ(result.err, "quillon-cli events: read as events, judged by the content (--kind overrides)\n");
  const RunResult forced = RunEvents({"--kind", "stat", "--device", device, dir / "event.bak"});
  EXPECT_EQ(forced.exitCode, 0);
  EXPECT_EQ(forced.out, "2\tHours\t5\tНаработка\n1\tStarts\t117506058\tЧисло пусков\n") << "--kind still decides";
}

TEST_F(EventsCommand, AStatisticsFileThatDoesNotFitTheDescriptionIsWarnedOf) {
  const auto warning = [](int values) {
    return "Файл статистики не совпадает с описанием: значений в файле: " + std::to_string(values) +
           ", описано в секции STAT: 2\n";
  };
  std::vector<std::uint8_t> one;
  testing::AppendU32(one, 3600);
  testing::WriteBytes(dir / "stat.dat", one);
  const RunResult shortFile = RunEvents({"--kind", "stat", "--device", device, dir / "stat.dat"});
  EXPECT_EQ(shortFile.exitCode, 0);
  EXPECT_EQ(shortFile.out, "2\tHours\t3600\tНаработка\n1\tStarts\t0\tЧисло пусков\n");
  EXPECT_EQ(shortFile.err, warning(1));

  testing::WriteBytes(dir / "stat.dat", {});
  const RunResult empty = RunEvents({"--device", device, dir / "stat.dat"});
  EXPECT_EQ(empty.exitCode, 0);
  EXPECT_EQ(empty.err,
            "quillon-cli events: read as statistics, judged by the content (--kind overrides)\n" + warning(0));
}

TEST_F(EventsCommand, FailuresAndUsage) {
  const RunResult missing = RunEvents({"--device", device, dir / "none.dat"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Файл .dat или .bak отсутствует.\n");

  testing::WriteBytes(dir / "stat.dat", {});
  const RunResult noDevice = RunEvents({"--device", dir / "none.ini", dir / "stat.dat"});
  EXPECT_EQ(noDevice.exitCode, 1);
  EXPECT_EQ(noDevice.err, "Файл устройства (ini) отсутствует!\n" + (dir / "none.ini") + "\n");

  testing::WriteCp1251File(dir / "bare.ini", "[DEVICE]\nID=7\n");
  const RunResult noSection = RunEvents({"--device", dir / "bare.ini", "--kind", "events", dir / "stat.dat"});
  EXPECT_EQ(noSection.exitCode, 1);
  EXPECT_EQ(noSection.err, "Секция событий отсутствует или не заполнена\n");

  EXPECT_EQ(RunEvents({dir / "stat.dat"}).exitCode, 2);
  EXPECT_EQ(RunEvents({"--device", device, "--kind", "alarms", dir / "stat.dat"}).exitCode, 2);
  EXPECT_EQ(RunEvents({"--device", device, dir / "stat.dat", "extra"}).exitCode, 2);
}

}  // namespace
}  // namespace quillon
