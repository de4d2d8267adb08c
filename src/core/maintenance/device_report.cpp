#include "maintenance/device_report.h"

#include <utility>

#include "maintenance/report_output.h"
#include "maintenance/scale_value_text.h"
#include "maintenance/workbook.h"
#include "variables/scale_table.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

const char* const kStepTitles[kReportSteps] = {
    "1. Собираю информацию об устройстве",
    "2. Заполнение таблицы информацией об устройстве",
    "3. Заполнение таблицы уставок параметров",
    "4. Заполнение таблицы коэффициентов",
    "5. Таблицы заполнены",
};

// Makes room for the next values: the filled row is copied, cells are inserted at it (everything
// below moves down) and the copy is pasted into them, so the next values land on top and the
// formats of the template's row go with every row.
void PushRowDown(Workbook& book, const CellRange& row) {
  book.Copy(row);
  book.Insert(row);
  book.PasteSpecial(row);
}

void FillParameters(Workbook& book, const std::vector<ReportParameterRow>& parameters, const ReportProgress& progress) {
  const CellRange row = book.Range("PNx", "ParamMU");
  const int count = static_cast<int>(parameters.size());
  progress.BeginStep(3, kStepTitles[2], count);
  for (int i = 0; i < count; ++i) {
    const ReportParameterRow& parameter = parameters[static_cast<std::size_t>(i)];
    book.Value(row, std::vector<CellValue>(parameter.begin(), parameter.end()));
    if (i != count - 1) PushRowDown(book, row);
    progress.Done(i + 1);
  }
}

void FillScales(Workbook& book, const std::vector<std::string>& lines, const ReportProgress& progress) {
  const CellRange row = book.Range("VarName", "VarValueEnd");
  const CellRange name = book.Range("VarName");
  const CellRange value = book.Range("VarValue");
  const CellRange values = book.Range("VarValue", "VarValueEnd");
  const int count = static_cast<int>(lines.size());
  progress.BeginStep(4, kStepTitles[3], count);
  // From the last line to the first: each line is written on top, so the first ends up there.
  for (int i = count - 1; i >= 0; --i) {
    const std::string& line = lines[static_cast<std::size_t>(i)];
    book.Value(name, ScaleLineName(line));
    book.Value(value, ScaleValueText(ScaleLineValue(line)));
    if (i != 0) {
      book.Merge(values);
      PushRowDown(book, row);
    }
    progress.Done(count - i);
  }
}

}  // namespace

std::vector<ReportParameterRow> ReportParameterRows(TViewList& list) {
  std::vector<ReportParameterRow> rows;
  rows.reserve(list.Variables.size());
  for (const auto& variable : list.Variables) {
    rows.push_back({variable->Key, variable->Name, variable->RegisterText, variable->ScaleText, variable->Description,
                    variable->BaseValue, variable->ColumnText(4), variable->Units});
  }
  return rows;
}

void FillDeviceIdentity(Workbook& book, const TDeviceInfo4& device, const ReportProgress& progress) {
  const std::pair<const char*, std::string> cells[] = {
      {"mehanism", device.description},
      {"location", device.location},
      {"DeviceType", device.typeKey},
      {"SerialNumber", device.serial},
      {"FirmvareVersion", "v" + device.firmwareVersion + " дата прошивки " + device.firmwareDate},
      {"TimeBaseChange", device.lastDateTime},
      {"DeviceDir", device.path},
  };
  int done = 0;
  for (const auto& [name, text] : cells) {
    book.Value(book.Range(name), text);
    progress.Done(++done);
  }
}

void FillDeviceReport(Workbook& book, const TDeviceInfo4& device, const DeviceReportRequest& request,
                      const ReportProgress& progress) {
  FillDeviceIdentity(book, device, progress);
  FillParameters(book, request.parameters, progress);
  FillScales(book, request.scaleLines, progress);
  progress.BeginStep(5, kStepTitles[4], 3);
  book.Value(book.Range("DocDate"), DateTimeText(request.when));
  progress.Done(1);
  book.Value(book.Range("DocOrganization"), request.organization);
  progress.Done(2);
  book.Value(book.Range("DocNumber"), request.number);
  progress.Done(3);
}

std::string MakeDeviceReport(const WorkspacePaths& paths, const DeviceReportRequest& request,
                             const ReportProgress& progress) {
  progress.BeginStep(1, kStepTitles[0], 1);
  const TDeviceInfo4 device = ReadDeviceInfo(request.devicePath);
  progress.Done(1);

  progress.BeginStep(2, kStepTitles[1], 7);
  const std::string templatePath = request.templatePath.empty() ? DeviceReportTemplate(paths) : request.templatePath;
  Workbook book = Workbook::Open(templatePath);
  FillDeviceReport(book, device, request, progress);
  const std::string stem = device.serial.empty() ? "report" : device.typeKey + "_" + device.serial;
  return SaveReport(book, paths, stem, request.when, request.outPath);
}

std::string DeviceReportTemplate(const WorkspacePaths& paths) { return paths.Xlt() + "template3.xlt"; }

}  // namespace quillon
