#pragma once
// TfReport, "Отчёт": the commissioning report of the device open in the main window, filled into
// XLT/template3.xlt, saved under Reports/ and opened with the desktop's spreadsheet application.
// The five steps run off the window's thread; the step caption and the two gauges follow them.
#include <functional>

#include "app/support/tool_window.h"
#include "maintenance/device_report.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quillon {

class ReportJob;

class TfReport : public TToolWindow {
  Q_OBJECT

 public:
  // `deviceSource` gives the open device's file path, parameter rows and scale lines (an empty
  // path when no device is open); it is asked on this window's thread when a report starts.
  TfReport(const ToolContext& context, const TBaseProperty& link, std::function<DeviceReportRequest()> deviceSource,
           QWidget* parent = nullptr);
  ~TfReport() override;

  void ApplyLink(const TBaseProperty& link) override;
  ReportJob& Job() const { return *job_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void ReadSettings();
  void WriteSettings();
  void ShowDevice();
  void Button1Click();
  void StepBegun(int step, const QString& title);
  void ReportWritten(const QString& path);
  void ReportFailed(const QString& message);

  std::function<DeviceReportRequest()> deviceSource_;
  ReportJob* job_ = nullptr;
  // The notes of the report under way (cells whose text was clipped), shown with its result.
  ReportNotes notes_;

  QLineEdit* edOrganization_ = nullptr;
  QLineEdit* edReportNumber_ = nullptr;
  QCheckBox* cbAutoInc_ = nullptr;
  QPushButton* Button1_ = nullptr;
  QLabel* lbDevice_ = nullptr;
  QLabel* pnMainOp_ = nullptr;
  QProgressBar* gMainOp_ = nullptr;
  QProgressBar* gTmpOp_ = nullptr;
  QLabel* lbResult_ = nullptr;
};

}  // namespace quillon
