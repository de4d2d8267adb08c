#pragma once
// TfmAlarmBuffer ("Отключения/Статистика аварий"): the controller's clock, trip counters and
// work times, polled once a second, and its event log read a page at a time. Changes to the
// counters and the clock go to the controller as writes of its XRAM.
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "alarm/alarm_link.h"
#include "alarm/counter_block.h"
#include "alarm/log_page.h"
#include "app/support/tool_window.h"

class QFrame;
class QGroupBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTimer;

namespace quillon {

class ReportJob;

class TfmAlarmBuffer : public TToolWindow {
  Q_OBJECT

 public:
  TfmAlarmBuffer(const ToolContext& context, const TBaseProperty& link, QWidget* parent = nullptr);
  ~TfmAlarmBuffer() override;

  // The page the log lists show (or are loading).
  int Page() const { return page_; }
  // True from a page button's press until the page's last record is in.
  bool Loading() const { return loading_; }
  // Makes the spreadsheet export of the shown page.
  ReportJob& ExportJob() const { return *exportJob_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildClock();
  QWidget* BuildCounters();
  QWidget* BuildWorkTimes();
  QGroupBox* BuildLog();

  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();

  void btConnectClick();
  void btCLBR_MClick();
  void btCLBR_PClick();
  void btSyncTimeClick();
  void btALBFormatClick();
  void btTotalWTClick();
  void btSetProfTimeClick();
  void btNextClick();
  void btPredClick();
  void tbGetScopeClick();
  void tbSaveToXLSClick();
  void ExportWritten(const QString& path);
  void ExportFailed(const QString& message);
  void tmrRefreshTimer();
  void tmrTrafficTimer();
  void HeaderControl1SectionResize();

  void Connected(bool attached, const std::string& port);
  void SyncClock(std::uint8_t calibration);
  void Send(XramWrites::Kind kind, std::vector<std::uint8_t> frame);
  void LoadPage(int page);
  void LoadNotStarted(std::uint64_t generation);
  void LogProgress(std::uint64_t generation, int decoded);
  void PageLoaded(std::uint64_t generation, const LogPage& page);
  void ShowCounters(const CounterBlock& block);
  void ShowNoCounters();

  QPushButton* btConnect_ = nullptr;
  QLabel* lbSPS_ = nullptr;
  QLineEdit* edTime_ = nullptr;
  QLineEdit* edCLBRDATtmp_ = nullptr;
  QPushButton* btCLBR_M_ = nullptr;
  QPushButton* btCLBR_P_ = nullptr;
  QPushButton* btSyncTime_ = nullptr;
  QPushButton* btALBFormat_ = nullptr;
  QPushButton* btTotalWT_ = nullptr;
  QPushButton* btSetProfTime_ = nullptr;
  QLabel* lbTotalON_ = nullptr;
  QLabel* lbTotalAlOFF_ = nullptr;
  // Labels and bars of the trip causes, in the order of the counter block.
  std::array<QLabel*, kTripCauses> causeLabels_{};
  std::array<QFrame*, kTripCauses> causeBars_{};
  QLabel* lbFrLow_OFF_ = nullptr;
  QFrame* Panel1_ = nullptr;
  QLabel* lbTotalWT_ = nullptr;
  QLabel* lbLastWT_ = nullptr;
  QLabel* lbCPUWT_ = nullptr;
  QGroupBox* gbLog_ = nullptr;
  QPushButton* btPred_ = nullptr;
  QPushButton* btNext_ = nullptr;
  QToolButton* tbGetScope_ = nullptr;
  QToolButton* tbSaveToXLS_ = nullptr;
  QToolButton* tbReload_ = nullptr;
  QProgressBar* guLoad_ = nullptr;
  QHeaderView* HeaderControl1_ = nullptr;
  QListWidget* lbRecInterval_ = nullptr;
  QListWidget* lbEvents_ = nullptr;
  QListWidget* lbLogger_ = nullptr;
  QTimer* tmrRefresh_ = nullptr;
  QTimer* tmrTraffic_ = nullptr;

  ReportJob* exportJob_ = nullptr;
  std::shared_ptr<AlarmLink> link_;
  std::array<LogPage, kLogPages> pages_{};
  int page_ = 0;
  std::uint64_t generation_ = 0;
  bool loading_ = false;
};

}  // namespace quillon
