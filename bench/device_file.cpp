// How long the main window's work on a large device takes: loading its parameter set
// (DeviceParameters::Load), comparing base and controller values after a read (what the
// parameter table does: CompareBaseAndController, then the list scale lines), collecting what a
// save would change, and saving (SaveDevice). The device file holds 2,000 FLASH parameters of
// every common kind. Goal: each step within 200 ms.
//
// No single read brings 2,000 parameters (one answer carries at most 255 bytes), so the read is
// an accepted QuBUS answer handed to the parameter set directly: every variable then counts as
// read, which is the most the comparison ever has to do.
//
//   device_file [--parameters N] [--rounds N]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "device/comparison.h"
#include "device/device_parameters.h"
#include "device/device_save.h"
#include "link/buses.h"
#include "platform/prompt.h"

namespace {

using namespace quillon;
using namespace quillon::bench;

constexpr double kGoalMs = 200.0;

class PrintingPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "warning: %s: %s\n", caption.c_str(), text.c_str());
  }
  bool Question(const std::string&, const std::string&) override { return false; }
};

void TakeFullRead(DeviceParameters& parameters) {
  LinkFieldTexts fields;
  fields.protocol = std::string(kProtocolQuBUS);
  LinkFrame request;
  request.expectedLen = kMaxQuBUSReadBytes;
  std::vector<std::uint8_t> answer(kMaxQuBUSReadBytes);
  for (std::size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<std::uint8_t>(i * 13 + 1);
  if (!parameters.TakeReadAnswer(fields, request, answer.data(), answer.size()).accepted) {
    throw std::runtime_error("the read answer was not accepted");
  }
}

}  // namespace

int main(int argc, char** argv) {
  int count = 2000;
  int rounds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--parameters") == 0) {
      count = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--rounds") == 0) {
      rounds = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: device_file [--parameters N] [--rounds N]\n");
      return 2;
    }
  }
  if (count < 1 || rounds < 1) {
    std::fprintf(stderr, "device_file: counts must be positive\n");
    return 2;
  }

  try {
    PrintMachine("device_file");
    PrintingPrompt prompt;
    ScratchDir scratch("quillon-bench");
    const std::string path = scratch.Path() + "1027.ini";
    const DeviceText device{.id = "1027 TK v3.14 2021-03-15",
                            .description = "Насос охлаждения №2",
                            .location = "Котельная, цех 3",
                            .lastDateTime = "14.09.2023 10:42:17",
                            .flashLines = count};
    WriteWindowsFile(path, DeviceFileText(device));
    const DeviceIdentityTexts identity{device.id, device.description, device.location, device.lastDateTime};

    std::vector<double> load, compare, changes, save;
    std::size_t loaded = 0, differing = 0, changed = 0;
    for (int round = 0; round < rounds; ++round) {
      DeviceParameters parameters;
      load.push_back(MillisecondsOf([&] {
        const auto skipped = parameters.Load(path, "FLASH");
        if (!skipped.empty()) throw std::runtime_error("a line was skipped: " + skipped.front());
      }));
      loaded = parameters.List().Variables.size();
      TakeFullRead(parameters);
      compare.push_back(MillisecondsOf([&] {
        const auto differs = CompareBaseAndController(parameters);
        differing = 0;
        for (const auto& d : differs) differing += d.value_or(false) ? 1 : 0;
        UpdateListScaleLines(parameters.List());
      }));
      changes.push_back(MillisecondsOf(
          [&] { changed = CollectChanges(parameters, device.description, device.location).rows.size(); }));
      save.push_back(MillisecondsOf([&] { SaveDevice(parameters, identity); }));
    }
    if (loaded != static_cast<std::size_t>(count)) {
      std::fprintf(stderr, "device_file: %zu of %d parameters loaded\n", loaded, count);
      return 1;
    }
    const double steps[] = {Median(load), Median(compare), Median(changes), Median(save)};
    std::printf("  device file: %d FLASH parameters, %ju bytes\n", count,
                static_cast<std::uintmax_t>(std::filesystem::file_size(path)));
    const std::string compared = "compare (base against controller, " + std::to_string(differing) + " differ)";
    const std::string changedRows = "changes (CollectChanges, " + std::to_string(changed) + " rows)";
    std::printf("  %-48s %7.1f ms (median of %d)\n", "open    (DeviceParameters::Load)", steps[0], rounds);
    std::printf("  %-48s %7.1f ms\n", compared.c_str(), steps[1]);
    std::printf("  %-48s %7.1f ms\n", changedRows.c_str(), steps[2]);
    std::printf("  %-48s %7.1f ms\n", "save    (SaveDevice)", steps[3]);
    double worst = 0;
    for (const double step : steps) worst = std::max(worst, step);
    std::printf("  slowest step %.1f ms, ratio to the goal of %.0f ms: %.2f\n", worst, kGoalMs, worst / kGoalMs);
    PrintMachine("device_file");
    return worst <= kGoalMs ? 0 : 3;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "device_file: %s\n", error.what());
    return 1;
  }
}
