// How long the commissioning report of a large device takes, and how much memory it needs: the
// demo template (demo/XLT/template3.xlt) is opened, filled with 10,000 parameter rows and 20
// scale lines exactly as the "Отчёт" window fills it (MakeDeviceReport, every parameter pushed
// down by Copy, Insert and PasteSpecial) and saved. Goal: within 3 s and under 200 MB of peak
// resident memory (getrusage ru_maxrss of this process, which does nothing else).
//
// One report per run: the peak of a process only grows, so a second report would measure nothing.
//
//   report_fill [--parameters N]
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "maintenance/device_report.h"
#include "maintenance/workbook.h"
#include "text/datetime.h"

namespace {

using namespace quillon;
using namespace quillon::bench;

constexpr double kGoalMs = 3000.0;
constexpr double kGoalMegabytes = 200.0;

double PeakMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// Rows of the kinds a device file holds, each with texts of its own so that no two rows share
// their strings.
std::vector<ReportParameterRow> ParameterRows(int count) {
  static const char* const kNames[] = {"Номинальный ток двигателя", "Адрес устройства", "Коэффициент регулятора тока",
                                       "Коррекция датчика тока", "Смещение нуля температуры"};
  static const char* const kUnits[] = {"А", "", "", "А", "°С"};
  std::vector<ReportParameterRow> rows;
  rows.reserve(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) {
    const std::string n = std::to_string(i);
    const std::size_t kind = static_cast<std::size_t>(i) % 5;
    char registerText[16];
    std::snprintf(registerText, sizeof registerText, "r%04X", 0x80 + i);
    rows.push_back({"p" + n, "Param" + n, registerText, kind == 0 ? "Inom%1000" : "1",
                    std::string(kNames[kind]) + " " + n, "x" + std::to_string(1000 + i), std::to_string(i) + ",0",
                    kUnits[kind]});
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 10000;
  for (int i = 1; i < argc; i += 2) {
    if (std::strcmp(argv[i], "--parameters") == 0 && i + 1 < argc) {
      count = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: report_fill [--parameters N]\n");
      return 2;
    }
  }
  if (count < 1) {
    std::fprintf(stderr, "report_fill: the count must be positive\n");
    return 2;
  }

  try {
    PrintMachine("report_fill");
    ScratchDir scratch("quillon-bench");
    const WorkspacePaths paths = MakeWorkspacePaths(scratch.Path());
    std::filesystem::create_directories(paths.Xlt());
    std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/demo/XLT/template3.xlt",
                               DeviceReportTemplate(paths));
    DeviceText device{.id = "1027 TK v3.14 2021-03-15",
                      .description = "Насос охлаждения №2",
                      .location = "Котельная, цех 3",
                      .lastDateTime = "14.09.2023 10:42:17"};
    const std::string devicePath = scratch.Path() + "1027.ini";
    WriteWindowsFile(devicePath, DeviceFileText(device));

    DeviceReportRequest request;
    request.devicePath = devicePath;
    request.parameters = ParameterRows(count);
    for (int i = 1; i <= 20; ++i) request.scaleLines.push_back("Scale" + std::to_string(i) + "=" + std::to_string(i));
    request.organization = "ООО Наладка";
    request.number = "17";
    request.when = NowDateTime();
    request.outPath = scratch.Path() + "report.xlsx";
    const double beforeMegabytes = PeakMegabytes();

    // The steps' start times, to tell the filling from the reading and the writing.
    std::vector<Clock::time_point> stepStarts;
    ReportProgress progress;
    progress.Step = [&](int, const std::string&) { stepStarts.push_back(Clock::now()); };
    std::vector<std::string> notes;
    const auto start = Clock::now();
    MakeDeviceReport(paths, request, progress, &notes);
    const auto end = Clock::now();
    const auto ms = [](Clock::time_point from, Clock::time_point to) {
      return std::chrono::duration<double, std::milli>(to - from).count();
    };
    const double totalMs = ms(start, end);
    const double peak = PeakMegabytes();
    if (stepStarts.size() != static_cast<std::size_t>(kReportSteps) || !notes.empty()) {
      std::fprintf(stderr, "report_fill: the report did not go through its steps as expected\n");
      return 1;
    }

    std::printf("  %d parameter rows, 20 scale lines; report %ju bytes\n", count,
                static_cast<std::uintmax_t>(std::filesystem::file_size(request.outPath)));
    std::printf("  %-44s %8.1f ms\n", "open the template (steps 1-2)", ms(stepStarts[0], stepStarts[2]));
    std::printf("  %-44s %8.1f ms\n", "parameter rows (step 3)", ms(stepStarts[2], stepStarts[3]));
    std::printf("  %-44s %8.1f ms\n", "scale lines and document cells (steps 4-5)", ms(stepStarts[3], stepStarts[4]));
    std::printf("  %-44s %8.1f ms\n", "save", ms(stepStarts[4], end));
    std::printf("  %-44s %8.1f ms (goal %.0f ms, ratio %.2f)\n", "whole report", totalMs, kGoalMs, totalMs / kGoalMs);
    std::printf("  %-44s %8.1f MB (goal %.0f MB, ratio %.2f; %.1f MB before the report)\n", "peak resident memory",
                peak, kGoalMegabytes, peak / kGoalMegabytes, beforeMegabytes);
    PrintMachine("report_fill");
    return totalMs <= kGoalMs && peak <= kGoalMegabytes ? 0 : 3;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "report_fill: %s\n", error.what());
    return 1;
  }
}
