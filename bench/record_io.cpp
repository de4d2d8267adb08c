// How long a full record takes to write and to read back with the program's record file code,
// against `cp` of the same bytes timed in the same run (cp too reads every byte and writes it
// once), and how long `quillon-cli rec csv` takes to turn it into text. The record is the
// largest a scope window takes: a whole ring less one (32,767 samples) of 64 variables of the
// kinds a device file holds, behind the time mark.
//
//   record_io [--variables N] [--rounds N]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/prompt.h"
#include "scope/record_file.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"

namespace {

using namespace quillon;
using namespace quillon::bench;

class PrintingPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "warning: %s: %s\n", caption.c_str(), text.c_str());
  }
  bool Question(const std::string&, const std::string&) override { return false; }
};

// A time mark a second apart, then every variable with a ring of changing samples.
void FillList(TViewList& list, std::vector<std::uint8_t>& image, int variables) {
  list.AddScale("Inom=100");
  list.AddScale("StartMode=x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск/x01/");
  auto mark = std::make_unique<TTimeMark>();
  std::vector<std::uint8_t> marks(static_cast<std::size_t>(kHistoryLength) * 9);
  const double base = 45000.5;
  for (int i = 0; i < kHistoryLength; ++i) {
    const double time = base + i / 86400.0;
    std::memcpy(&marks[static_cast<std::size_t>(i) * 9 + 1], &time, sizeof time);
  }
  mark->LoadSamples(marks, kHistoryLength);
  list.Append(std::move(mark));

  const std::string lines = ParameterLines("r", variables, 0x0200);
  std::size_t start = 0;
  while (start < lines.size()) {
    const std::size_t end = lines.find('\n', start);
    TView* variable = CreateVariable(lines.substr(start, end - start), "1/16/", image, list);
    start = end + 1;
    if (variable == nullptr) throw std::runtime_error("a variable was not created");
    const int width = variable->SampleWidth();
    std::vector<std::uint8_t> ring(static_cast<std::size_t>(kHistoryLength) * width);
    for (std::size_t b = 0; b < ring.size(); ++b) ring[b] = static_cast<std::uint8_t>(b * 7 / width + b % 5);
    if (width == 1 && variable->Kind() == ViewKind::Bit) {
      for (auto& byte : ring) byte &= 1;
    }
    variable->LoadSamples(ring, kHistoryLength);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int variables = 64;
  int rounds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--variables") == 0) {
      variables = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--rounds") == 0) {
      rounds = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: record_io [--variables N] [--rounds N]\n");
      return 2;
    }
  }
  if (variables < 1 || rounds < 1) {
    std::fprintf(stderr, "record_io: counts must be positive\n");
    return 2;
  }

  try {
    PrintMachine("record_io");
    PrintingPrompt prompt;
    ScratchDir scratch("quillon-bench");
    const std::string device = scratch.Path() + "1027.ini";
    WriteWindowsFile(device, DeviceFileText({.id = "1027 TK v3.14 2021-03-15",
                                             .description = "Насос охлаждения №2",
                                             .location = "Котельная, цех 3",
                                             .lastDateTime = "14.09.2023 10:42:17"}));
    TViewList list;
    std::vector<std::uint8_t> image(kImageSize);
    FillList(list, image, variables);
    const RecordHeader header{.DevicePath = device};
    const std::string record = scratch.Path() + "record.rec";
    const std::string copy = scratch.Path() + "copy.rec";
    const std::string csv = ProgramDirectory() + "quillon-cli rec csv '" + record + "' > /dev/null";

    int written = WriteRecord(header, list, 0, record, kHistoryLength - 2, prompt);
    const auto size = ReadRecordBytes(record).value_or(std::string()).size();
    const std::string cp = "cp '" + record + "' '" + copy + "'";
    const std::string cpSync = cp + " && sync '" + copy + "'";
    MillisecondsOfCommand(cp);

    std::vector<double> write, read, copyMs, copySyncMs, csvMs;
    int readBack = 0;
    for (int round = 0; round < rounds; ++round) {
      write.push_back(
          MillisecondsOf([&] { written = WriteRecord(header, list, 0, record, kHistoryLength - 2, prompt); }));
      read.push_back(MillisecondsOf([&] {
        TViewList back;
        RecordHeader backHeader;
        readBack = OpenRecord(record, back, backHeader);
      }));
      copyMs.push_back(MillisecondsOfCommand(cp));
      copySyncMs.push_back(MillisecondsOfCommand(cpSync));
      csvMs.push_back(MillisecondsOfCommand(csv));
    }
    if (written != kHistoryLength - 1 || readBack != written) {
      std::fprintf(stderr, "record_io: wrote %d samples, read back %d\n", written, readBack);
      return 1;
    }
    const double writeMedian = Median(write), readMedian = Median(read), copyMedian = Median(copyMs);
    const double copySyncMedian = Median(copySyncMs);
    std::printf("  record: %d samples x %d variables and the time mark, %zu bytes\n", written, variables, size);
    std::printf("  WriteRecord (through a temporary file, fsync, rename): %8.1f ms (median of %d)\n", writeMedian,
                rounds);
    std::printf("  OpenRecord:                                            %8.1f ms\n", readMedian);
    std::printf("  cp of the record:                                      %8.1f ms\n", copyMedian);
    std::printf("  cp of the record, then sync of the copy:               %8.1f ms\n", copySyncMedian);
    std::printf("  quillon-cli rec csv (to /dev/null):                    %8.1f ms\n", Median(csvMs));
    const double ratio = (writeMedian + readMedian) / copyMedian;
    std::printf("  ratio write + read / cp: %.2f (goal at most 2); against cp + sync %.2f\n", ratio,
                (writeMedian + readMedian) / copySyncMedian);
    PrintMachine("record_io");
    return ratio <= 2.0 ? 0 : 3;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "record_io: %s\n", error.what());
    return 1;
  }
}
