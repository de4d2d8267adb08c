#pragma once
// Where the reports go: the workspace's Reports/ directory, under a name that never replaces an
// earlier report.
#include <string>

#include "text/datetime.h"
#include "workspace/paths.h"

namespace quillon {

class Workbook;

// Reports/<stem>_<ddmmyy_hhmmss>.xlsx, or with "_2", "_3"… before the extension when that name is
// taken. The name is claimed by creating an empty file, so two reports made in the same second
// (by the program and by quillon-cli) never share it. Throws std::runtime_error with the
// engineer's message when Reports/ cannot be created or written.
std::string ClaimReportPath(const WorkspacePaths& paths, const std::string& stem, DateTime when);

// Saves the workbook at `path`; when `path` is empty a name is claimed in Reports/ as above.
// Returns the path written.
std::string SaveReport(const Workbook& book, const WorkspacePaths& paths, const std::string& stem, DateTime when,
                       const std::string& path);

// Whether a report may be written to a path the engineer named.
enum class ReportOutCheck {
  Free,          // no file there yet
  Exists,        // a file there, replaced only when the engineer insists
  NotAFile,      // a folder, a pipe, a device: never written to
  DatabaseFile,  // a device file, a device template or a report template: never replaced
};

// The check for `path` (symbolic links followed): the device's own file, anything under
// Devices/, DeviceTemplate/ or XLT/ is the database's; an existing regular file elsewhere exists.
ReportOutCheck CheckReportOut(const WorkspacePaths& paths, const std::string& path, const std::string& devicePath);

// A file name part made of the text with every character that may not stand in a file name
// (separators, control characters, ":*?\"<>|") replaced by "_"; "report" when nothing is left.
std::string ReportStem(const std::string& text);

}  // namespace quillon
