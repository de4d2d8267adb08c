#pragma once
// The commissioning report of one device: its identity, one row per parameter and one row per
// scale line, filled into the workbook template XLT/template3.xlt.
//
// The template defines these names (single cells unless said otherwise): mehanism, location,
// DeviceType, SerialNumber, FirmvareVersion, TimeBaseChange, DeviceDir; PNx … ParamMU, the
// parameter row of eight cells; VarName, VarValue … VarValueEnd, the scale row; DocDate,
// DocOrganization, DocNumber.
#include <array>
#include <string>
#include <vector>

#include "maintenance/report_progress.h"
#include "text/datetime.h"
#include "workspace/device_file.h"
#include "workspace/paths.h"

namespace quillon {

class TViewList;
class Workbook;

inline constexpr int kReportSteps = 5;

// Key, name, register, scale, description, base value as stored, physical base value, units.
using ReportParameterRow = std::array<std::string, 8>;

// The rows of the list's variables in list order. Reads the variables (the physical value is
// computed through the list's scale table), so it runs where the list lives.
std::vector<ReportParameterRow> ReportParameterRows(TViewList& list);

struct DeviceReportRequest {
  std::string devicePath;
  std::vector<ReportParameterRow> parameters;
  std::vector<std::string> scaleLines;  // Name=Value, in the device file's order
  std::string organization;
  std::string number;
  DateTime when = 0.0;  // the document's date
  std::string templatePath;
  std::string outPath;  // empty: a new name in Reports/
};

// What the engineer must be told about a filled report although it was written: one line for each
// cell whose text was longer than a cell holds and was clipped ("Ячейка E17 (параметр p1): текст
// обрезан до 32767 знаков"), naming the cell where it stands in the finished report.
using ReportNotes = std::vector<std::string>;

// Steps 2 to 5 on an open template: the identity cells, the parameter table (the last variable
// on top), the scale table (in the file's order) and the document cells. Returns the notes.
ReportNotes FillDeviceReport(Workbook& book, const TDeviceInfo4& device, const DeviceReportRequest& request,
                             const ReportProgress& progress);

// All five steps: reads the device summary, opens the template, fills it and saves the report.
// Returns the path written; the notes of the fill are added to `notes` when it is given. Throws
// WorkbookError (template missing, legacy or lacking a name) or std::runtime_error (the report
// cannot be written), with the engineer's message.
std::string MakeDeviceReport(const WorkspacePaths& paths, const DeviceReportRequest& request,
                             const ReportProgress& progress, ReportNotes* notes = nullptr);

// XLT/template3.xlt of the workspace.
std::string DeviceReportTemplate(const WorkspacePaths& paths);

// The identity cells shared with the alarm log export, in the order they are filled. Returns the
// notes of the cells clipped.
ReportNotes FillDeviceIdentity(Workbook& book, const TDeviceInfo4& device, const ReportProgress& progress);

}  // namespace quillon
