#pragma once
// What the file benchmarks share: a scratch directory, wall-clock timing of a step and of a
// shell command, medians, the machine's load, and device files written as a Windows program
// writes them (Windows-1251, CRLF).
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/file_bytes.h"
#include "text/cp1251.h"

namespace quillon::bench {

using Clock = std::chrono::steady_clock;

class ScratchDir {
 public:
  explicit ScratchDir(const char* name) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a directory under /tmp");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // With a trailing "/", as the workspace paths are built.
  std::string Path() const { return path_ + "/"; }

 private:
  std::string path_;
};

inline double MillisecondsOf(const std::function<void()>& step) {
  const auto start = Clock::now();
  step();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs `command` through /bin/sh; its time includes the shell's start, as a user's would.
inline double MillisecondsOfCommand(const std::string& command) {
  int status = 0;
  const double ms = MillisecondsOf([&] { status = std::system(command.c_str()); });
  if (status != 0) throw std::runtime_error("failed: " + command);
  return ms;
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// "0.52 0.74 1.19": the load averages over 1, 5 and 15 minutes.
inline std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

inline void PrintMachine(const char* program) {
  std::printf("%s: %ld cores online, load average %s\n", program, ::sysconf(_SC_NPROCESSORS_ONLN),
              LoadAverage().c_str());
}

// `utf8Lines` with "\n" line ends, written in Windows-1251 with CRLF.
inline void WriteWindowsFile(const std::string& path, const std::string& utf8Lines) {
  if (!testing::WriteCp1251File(path, utf8Lines)) throw std::runtime_error("cannot write " + path);
}

// One parameter line of each kind a commissioning engineer meets, with room for its own
// address (4 bytes) and register pair; `%1$d` is the line number, `%2$04X` the address and
// `%3$04X` the register.
inline const std::vector<const char*>& ParameterPatterns() {
  static const std::vector<const char*> patterns{
      "%1$d=Inom%1$d/Номинальный ток двигателя %1$d/TWORD/x%2$04X/r%3$04X/А/Inom%%1000/2//0/x03E8/",
      "%1$d=Addr%1$d/Адрес устройства/TByte/x%2$04X/r%3$04X.L//1/1//0/x01/",
      "%1$d=Kp%1$d/Коэффициент регулятора тока/TFloat/x%2$04X/r%3$04X//1/2/0/x3F800000/",
      "%1$d=Ioffs%1$d/Коррекция датчика тока/TShortInt/x%2$04X/r%3$04X.L/А/0,1/1//xFE/",
      "%1$d=Tzero%1$d/Смещение нуля температуры/TInteger/x%2$04X/r%3$04X/°С/0,1/2/100/x0064/",
      "%1$d=Enable%1$d/Разрешение пуска/TBit/x%2$04X/1/r%3$04X.0/1/1/1/",
      "%1$d=Mode%1$d/Способ пуска/TPrmList/x%2$04X/r%3$04X.L//StartMode/",
      "%1$d=Starts%1$d/Счётчик пусков/TDWORD/x%2$04X/r%3$04X//1/4/x0000007B/",
      "%1$d=Energy%1$d/Потреблённая энергия/TLongint/x%2$04X/r%3$04X/кВт·ч/1/4/0/x00001F40/",
      "%1$d=Hours%1$d/Наработка/TTimeCnt/x%2$04X/r%3$04X/ч/1/4/x00000E10/",
      "%1$d=Imtz%1$d/Ток срабатывания МТЗ/TSQRWord/x%2$04X/r%3$04X/А//2//0/x1900/",
  };
  return patterns;
}

// `count` lines keyed `prefix`1.. from `firstAddress` on.
inline std::string ParameterLines(const char* prefix, int count, int firstAddress) {
  std::string text;
  char line[512];
  const auto& patterns = ParameterPatterns();
  for (int i = 0; i < count; ++i) {
    const int address = firstAddress + 4 * i;
    std::snprintf(line, sizeof line, patterns[static_cast<std::size_t>(i) % patterns.size()], i + 1, address,
                  address / 2);
    text += prefix;
    text += line;
    text += '\n';
  }
  return text;
}

struct DeviceText {
  std::string id;  // "1027 TK v3.14 2021-03-15"
  std::string description;
  std::string location;
  std::string lastDateTime;
  int flashLines = 20;
  int ramLines = 20;
};

inline std::string DeviceFileText(const DeviceText& device) {
  return "[DEVICE]\nID=" + device.id + "\nDescription=" + device.description + "\nLocation=" + device.location +
         "\nLastDateTime=" + device.lastDateTime +
         "\n\n[vars]\nInom=100\nUnom=380\nTmot=0.1\n"
         "StartMode=x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск#Через преобразователь частоты/x01/\n"
         "\n[FLASH]\n" +
         ParameterLines("p", device.flashLines, 0x0100) + "\n[RAM]\n" + ParameterLines("r", device.ramLines, 0x4000) +
         "\n";
}

}  // namespace quillon::bench
