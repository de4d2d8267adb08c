#include "app/tools/alarm_buffer.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "alarm/controller_clock.h"
#include "alarm/page_record.h"
#include "alarm/xram_write.h"
#include "app/support/current_prompt.h"
#include "app/support/report_job.h"
#include "app/support/tool_attach.h"
#include "app/support/window_thread.h"
#include "app/tools/set_prof_time.h"
#include "app/widgets/widget_helpers.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "link/serial_port.h"
#include "text/numbers.h"

namespace quillon {

namespace {

// A value the controller has not sent yet.
constexpr const char* kNotYetRead = "---";

QStringList ListLines(const std::vector<std::string>& lines) {
  QStringList texts;
  for (const std::string& line : lines) texts.push_back(Text(line));
  return texts;
}

void ShowLines(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  list->addItems(ListLines(lines));
}

}  // namespace

TfmAlarmBuffer::TfmAlarmBuffer(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Отключения/Статистика аварий"), parent) {
  setObjectName(QStringLiteral("fmAlarmBuffer"));
  BuildControls();
  exportJob_ = new ReportJob(this);
  connect(exportJob_, &ReportJob::Finished, this, &TfmAlarmBuffer::ExportWritten);
  connect(exportJob_, &ReportJob::Failed, this, &TfmAlarmBuffer::ExportFailed);
  QPointer<TfmAlarmBuffer> self(this);
  link_ = std::make_shared<AlarmLink>(
      Context().hub,
      [self](std::uint64_t generation, int decoded) {
        OnWindowThreadCall(self, [generation, decoded](TfmAlarmBuffer& w) { w.LogProgress(generation, decoded); });
      },
      [self](std::uint64_t generation, const LogPage& page) {
        OnWindowThreadCall(self, [generation, page](TfmAlarmBuffer& w) { w.PageLoaded(generation, page); });
      });
  FormCreate();
}

TfmAlarmBuffer::~TfmAlarmBuffer() {
  FormDestroy();
  // The records stay alive in the task until the worker that may hold them has let them go.
  Context().tasks.Post([link = link_] { link->Detach(); });
}

void TfmAlarmBuffer::FormCreate() {
  page_ = 0;
  HeaderControl1SectionResize();
  // Nothing has come from a controller yet.
  ShowNoCounters();
}

void TfmAlarmBuffer::FormShow() {
  tbSaveToXLS_->setEnabled(false);
  tmrTraffic_->start();
}

void TfmAlarmBuffer::FormClose() {
  tmrRefresh_->stop();
  tmrTraffic_->stop();
  Context().tasks.Post([link = link_] { link->Detach(); });
}

void TfmAlarmBuffer::FormDestroy() { tmrRefresh_->stop(); }

void TfmAlarmBuffer::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  FormShow();
}

void TfmAlarmBuffer::closeEvent(QCloseEvent* event) {
  FormClose();
  TToolWindow::closeEvent(event);
}

void TfmAlarmBuffer::btConnectClick() {
  const std::optional<Endpoint> endpoint = ReadToolEndpoint(Property);
  if (!endpoint) return;
  btConnect_->setEnabled(false);
  setCursor(Qt::BusyCursor);
  AttachOnQueue(Context().tasks, link_, *endpoint, this, &TfmAlarmBuffer::Connected);
}

void TfmAlarmBuffer::Connected(bool attached, const std::string& port) {
  unsetCursor();
  btConnect_->setEnabled(true);
  if (!attached) {
    tmrRefresh_->stop();
    CurrentPrompt().Warning("Quillon", PortErrorMessage(port));
    return;
  }
  tmrRefresh_->start();
}

void TfmAlarmBuffer::tmrRefreshTimer() {
  const PollSnapshot snapshot = link_->Snapshot();
  // Until the controller has answered there is nothing of it to show, and zeros would pass for
  // its values.
  edTime_->setText(snapshot.hasClock ? Text(ClockText(snapshot.clock)) : QString::fromUtf8(kNotYetRead));
  edCLBRDATtmp_->setText(snapshot.hasClock ? Text(CalibrationText(snapshot.calibration))
                                           : QString::fromUtf8(kNotYetRead));
  if (!snapshot.hasCounters) {
    ShowNoCounters();
    link_->RearmPolls();
    return;
  }
  const CounterBlock block = DecodeCounterBlock(snapshot.counters);
  ShowCounters(block);
  gbLog_->setTitle(QStringLiteral("Журнал событий / последняя запись:") + QString::number(block.lastRecord));
  const auto widths = TripBarWidths(block.causes, block.trips);
  for (std::size_t i = 0; i < causeBars_.size(); ++i) causeBars_[i]->setFixedWidth(widths[i]);
  link_->RearmPolls();
}

void TfmAlarmBuffer::ShowCounters(const CounterBlock& block) {
  lbTotalON_->setText(QString::number(block.starts));
  lbTotalAlOFF_->setText(QString::number(block.trips));
  for (std::size_t i = 0; i < causeLabels_.size(); ++i) causeLabels_[i]->setText(QString::number(block.causes[i]));
  lbTotalWT_->setText(Text(WorkTimeText(block.motorSeconds)));
  lbLastWT_->setText(Text(WorkTimeText(block.maintenanceSeconds)));
  lbCPUWT_->setText(Text(WorkTimeText(block.unitSeconds)));
}

void TfmAlarmBuffer::ShowNoCounters() {
  const QString none = QString::fromUtf8(kNotYetRead);
  for (QLabel* label : {lbTotalON_, lbTotalAlOFF_, lbTotalWT_, lbLastWT_, lbCPUWT_}) label->setText(none);
  for (QLabel* label : causeLabels_) label->setText(none);
  for (QWidget* bar : causeBars_) bar->setFixedWidth(0);
}

void TfmAlarmBuffer::tmrTrafficTimer() {
  const ReplyStatus status = link_->TakeReplyStatus();
  lbSPS_->setText(status.failed ? QStringLiteral("DNR!") : QString::number(status.goodReplies));
}

void TfmAlarmBuffer::btCLBR_MClick() {
  // A step from a calibration never read would send a value built on nothing.
  if (!link_->Snapshot().hasClock) return;
  const std::uint8_t calibration = StepCalibration(link_->Snapshot().calibration, -1);
  link_->HoldCalibration(calibration);
  SyncClock(calibration);
}

void TfmAlarmBuffer::btCLBR_PClick() {
  if (!link_->Snapshot().hasClock) return;
  const std::uint8_t calibration = StepCalibration(link_->Snapshot().calibration, +1);
  link_->HoldCalibration(calibration);
  SyncClock(calibration);
}

void TfmAlarmBuffer::btSyncTimeClick() {
  const PollSnapshot snapshot = link_->Snapshot();
  if (snapshot.hasClock) SyncClock(snapshot.calibration);
}

void TfmAlarmBuffer::SyncClock(std::uint8_t calibration) {
  const auto frame = BuildClockSetFrame(calibration, NowDateTime());
  Send(XramWrites::Kind::Once, std::vector<std::uint8_t>(frame.begin(), frame.end()));
}

void TfmAlarmBuffer::Send(XramWrites::Kind kind, std::vector<std::uint8_t> frame) {
  Context().tasks.Post(
      [link = link_, kind, frame = std::move(frame)]() mutable { link->Send(kind, std::move(frame)); });
}

void TfmAlarmBuffer::btALBFormatClick() { Send(XramWrites::Kind::WithCommit, BuildCounterClearFrame()); }

void TfmAlarmBuffer::btTotalWTClick() {
  if (!CurrentPrompt().Question("Подтверждение", "Обнулить время работы двигателя?")) return;
  Send(XramWrites::Kind::WithCommit, BuildMotorTimeResetFrame());
}

void TfmAlarmBuffer::btSetProfTimeClick() {
  TfmSetProfTime dialog(this);
  dialog.move(QCursor::pos());
  if (dialog.exec() != QDialog::Accepted) return;
  const MaintenanceHoursInput input = ReadMaintenanceHours(dialog.Hours().toStdString());
  if (!input.hours) {
    CurrentPrompt().Warning("Quillon", input.message);
    return;
  }
  Send(XramWrites::Kind::WithCommit, BuildMaintenanceFrame(*input.hours));
}

void TfmAlarmBuffer::btNextClick() { LoadPage(NextLogPage(page_)); }

void TfmAlarmBuffer::btPredClick() { LoadPage(PreviousLogPage(page_)); }

void TfmAlarmBuffer::LoadPage(int page) {
  tbGetScope_->setEnabled(false);
  tbSaveToXLS_->setEnabled(false);
  guLoad_->setRange(0, kLogPageRecords);
  guLoad_->setValue(0);
  guLoad_->setVisible(true);
  page_ = page;
  gbLog_->setTitle(QString::number(page_));
  loading_ = true;
  const std::uint64_t generation = ++generation_;
  QPointer<TfmAlarmBuffer> self(this);
  Context().tasks.Post([link = link_, page, generation, self] {
    const bool started = link->StartPageLoad(page, generation);
    if (!started) OnWindowThreadCall(self, [generation](TfmAlarmBuffer& w) { w.LoadNotStarted(generation); });
  });
}

// Without a port nothing is read; the lists keep what they showed.
void TfmAlarmBuffer::LoadNotStarted(std::uint64_t generation) {
  if (generation != generation_) return;
  loading_ = false;
  guLoad_->setVisible(false);
}

void TfmAlarmBuffer::LogProgress(std::uint64_t generation, int decoded) {
  if (generation == generation_) guLoad_->setValue(decoded);
}

void TfmAlarmBuffer::PageLoaded(std::uint64_t generation, const LogPage& page) {
  if (generation != generation_) return;
  loading_ = false;
  guLoad_->setVisible(false);
  LogPage& stored = pages_[page.number % kLogPages];
  stored = page;
  SortNewestFirst(stored);
  const LogPageLines lines = PageLines(stored);
  ShowLines(lbRecInterval_, lines.interval);
  ShowLines(lbEvents_, lines.events);
  ShowLines(lbLogger_, lines.alarms);
  tbGetScope_->setEnabled(true);
  tbSaveToXLS_->setEnabled(true);
}

void TfmAlarmBuffer::tbGetScopeClick() {
  const LogPage& page = pages_[static_cast<std::size_t>(page_)];
  const std::string path = PageRecordPath(page, Context().paths.records);
  if (WritePageRecord(page, Property.DevicePath, path, CurrentPrompt()) == 0) return;
  if (Context().openRecord) Context().openRecord(path);
}

}  // namespace quillon
