#include "maintenance/alarm_export.h"

#include <vector>

#include "maintenance/device_report.h"
#include "maintenance/report_output.h"
#include "maintenance/workbook.h"

namespace quillon {

void FillAlarmExport(Workbook& book, const TDeviceInfo4& device, const AlarmExportRequest& request) {
  book.Value(book.Range("DocDate"), DateTimeText(request.when));
  FillDeviceIdentity(book, device, ReportProgress{});
  for (std::size_t i = 0; i < kAlarmCounterNames.size(); ++i) {
    book.Value(book.Range(kAlarmCounterNames[i]), request.counters[i]);
  }

  const CellRange row = book.Range("ABNum", "ABNote");
  bool first = true;
  // From the oldest record to the newest, each written on top of the ones before.
  for (int index = kLogPageRecords - 1; index >= 0; --index) {
    const LogRecord& record = request.page.records[static_cast<std::size_t>(index)];
    if (record.events == 0) continue;
    if (!first) {
      book.Copy(row);
      book.Insert(row);
      book.PasteSpecial(row);
    }
    first = false;
    book.Value(row, std::vector<CellValue>{static_cast<double>(record.index), ShortDateText(record.stamp),
                                           LongTimeText(record.stamp), EventExportText(record.events), std::string(),
                                           AlarmExportText(record.alarms), std::string()});
  }
}

std::string MakeAlarmExport(const WorkspacePaths& paths, const AlarmExportRequest& request) {
  const TDeviceInfo4 device = ReadDeviceInfo(request.devicePath);
  Workbook book = Workbook::Open(request.templatePath.empty() ? AlarmExportTemplate(paths) : request.templatePath);
  FillAlarmExport(book, device, request);
  const std::string stem = "alarms_" + (device.serial.empty() ? std::string("device") : device.serial);
  return SaveReport(book, paths, stem, request.when, request.outPath);
}

std::string AlarmExportTemplate(const WorkspacePaths& paths) { return paths.Xlt() + "bbx.xlt"; }

}  // namespace quillon
