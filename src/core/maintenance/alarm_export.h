#pragma once
// The alarm buffer's log page exported into the workbook template XLT/bbx.xlt: the device's
// identity, the counters and work times as the window shows them, and one row per record that
// has an event, the newest on top.
//
// Besides the identity names of the device report, the template defines DocDate, the counter
// cells (kAlarmCounterNames) and the record row from ABNum to ABNote (seven cells).
#include <array>
#include <string>
#include <string_view>

#include "alarm/log_page.h"
#include "text/datetime.h"
#include "workspace/device_file.h"
#include "workspace/paths.h"

namespace quillon {

class Workbook;

// In the order the window's labels are handed over: lbTotalON, lbTotalAlOFF, lbASYNCOFF,
// lbMTZOFF, lbFFOFF, lbGND_OFF, lbPCDF_OFF, lbFrLow_OFF, lbTHF_OFF, lbTotalWT, lbLastWT.
inline constexpr std::array<std::string_view, 11> kAlarmCounterNames{
    "TotalMotorOnCNT", "TotalMotorAOffCNT", "AcyncRunCNT", "OverCurrentCNT", "FieldFailCNT", "GroundCNT",
    "RWRDirectCNT",    "FreqLowCNT",        "BKFailCNT",   "TotalWorkTime",  "LastWorkTime",
};

struct AlarmExportRequest {
  std::string devicePath;
  std::array<std::string, kAlarmCounterNames.size()> counters;
  LogPage page;  // sorted newest first, as shown
  DateTime when = 0.0;
  std::string templatePath;  // empty: XLT/bbx.xlt of the workspace
  std::string outPath;       // empty: a new name in Reports/
};

void FillAlarmExport(Workbook& book, const TDeviceInfo4& device, const AlarmExportRequest& request);

// Reads the device summary, fills the template and saves it; returns the path written. Throws
// WorkbookError or std::runtime_error with the engineer's message.
std::string MakeAlarmExport(const WorkspacePaths& paths, const AlarmExportRequest& request);

std::string AlarmExportTemplate(const WorkspacePaths& paths);

}  // namespace quillon
