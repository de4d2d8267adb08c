#include "maintenance/report_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
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

// `path` lies in `folder` or is the folder itself; both as the file system resolves them.
bool LiesUnder(const std::filesystem::path& path, const std::string& folder) {
  std::error_code error;
  const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
  if (error || root.empty()) return false;
  auto part = path.begin();
  for (auto wanted = root.begin(); wanted != root.end(); ++wanted, ++part) {
    if (wanted->empty()) continue;  // the trailing separator of a folder path
    if (part == path.end() || *part != *wanted) return false;
  }
  return true;
}

}  // namespace

ReportOutCheck CheckReportOut(const WorkspacePaths& paths, const std::string& path, const std::string& devicePath) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  if (error) return ReportOutCheck::NotAFile;
  if (std::filesystem::equivalent(resolved, devicePath, error)) return ReportOutCheck::DatabaseFile;
  for (const std::string& folder : {paths.devices, paths.deviceTemplate, paths.Xlt()}) {
    if (LiesUnder(resolved, folder)) return ReportOutCheck::DatabaseFile;
  }
  const std::filesystem::file_status status = std::filesystem::status(resolved, error);
  if (status.type() == std::filesystem::file_type::not_found) return ReportOutCheck::Free;
  if (status.type() != std::filesystem::file_type::regular) return ReportOutCheck::NotAFile;
  return ReportOutCheck::Exists;
}

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
