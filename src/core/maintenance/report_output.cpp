#include "maintenance/report_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "maintenance/workbook.h"
#include "platform/files.h"

namespace quillon {

namespace {

std::string StampText(DateTime when) {
  // ddmmyy_hhmmss, as the record files of the alarm buffer are named.
  const std::string date = ShortDateText(when);  // dd.MM.yyyy
  const std::string time = LongTimeText(when);   // HH:mm:ss
  std::string stamp;
  stamp.append(date, 0, 2).append(date, 3, 2).append(date, 8, 2).append(1, '_');
  stamp.append(time, 0, 2).append(time, 3, 2).append(time, 6, 2);
  return stamp;
}

}  // namespace

std::string ReportStem(const std::string& text) {
  std::string stem;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool forbidden = byte < 0x20 || std::strchr("/\\:*?\"<>|", c) != nullptr;
    stem += forbidden ? '_' : c;
  }
  if (stem.find_first_not_of("._ ") == std::string::npos) return "report";
  return stem;
}

std::string ClaimReportPath(const WorkspacePaths& paths, const std::string& stem, DateTime when) {
  const std::string directory = paths.Reports();
  if (!EnsureDirectory(directory)) throw std::runtime_error("Не удалось создать папку отчётов " + directory);
  const std::string base = directory + ReportStem(stem) + "_" + StampText(when);
  for (int n = 1; n < 10000; ++n) {
    std::string path = base;
    if (n > 1) path.append(1, '_').append(std::to_string(n));
    path += ".xlsx";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) {
      throw std::runtime_error("Не удалось создать файл отчёта " + path + ": " + std::strerror(errno));
    }
  }
  throw std::runtime_error("Не удалось подобрать имя файла отчёта в папке " + directory);
}

std::string SaveReport(const Workbook& book, const WorkspacePaths& paths, const std::string& stem, DateTime when,
                       const std::string& path) {
  if (!path.empty()) {
    book.Save(path);
    return path;
  }
  const std::string claimed = ClaimReportPath(paths, stem, when);
  try {
    book.Save(claimed);
  } catch (...) {
    RemoveFile(claimed);
    throw;
  }
  return claimed;
}

}  // namespace quillon
