// The alarm buffer's export of the shown log page into the spreadsheet template XLT/bbx.xlt.
#include <QLabel>
#include <QToolButton>

#include "app/support/current_prompt.h"
#include "app/support/report_job.h"
#include "app/tools/alarm_buffer.h"
#include "maintenance/alarm_export.h"

namespace quillon {

void TfmAlarmBuffer::tbSaveToXLSClick() {
  AlarmExportRequest request;
  request.devicePath = Property.DevicePath;
  const std::array<const QLabel*, kAlarmCounterNames.size()> counters{
      lbTotalON_,      lbTotalAlOFF_, causeLabels_[0], causeLabels_[1], causeLabels_[2], causeLabels_[3],
      causeLabels_[4], lbFrLow_OFF_,  causeLabels_[5], lbTotalWT_,      lbLastWT_,
  };
  for (std::size_t i = 0; i < counters.size(); ++i) request.counters[i] = counters[i]->text().toStdString();
  request.page = pages_[static_cast<std::size_t>(page_)];
  request.when = NowDateTime();
  tbSaveToXLS_->setEnabled(false);
  exportJob_->Start(
      [paths = Context().paths, request = std::move(request)] { return MakeAlarmExport(paths, request); });
}

void TfmAlarmBuffer::ExportWritten(const QString& path) {
  tbSaveToXLS_->setEnabled(!loading_);
  exportJob_->OpenDocument(path);
}

void TfmAlarmBuffer::ExportFailed(const QString& message) {
  tbSaveToXLS_->setEnabled(!loading_);
  CurrentPrompt().Warning("Отключения/Статистика аварий", message.toStdString());
}

}  // namespace quillon
