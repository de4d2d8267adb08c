#include "app/maintenance/report_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "app/support/current_prompt.h"
#include "app/support/report_job.h"
#include "app/widgets/widget_helpers.h"
#include "text/numbers.h"
#include "workspace/device_file.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

const QString kIdleCaption = QStringLiteral("Ход операции");

}  // namespace

TfReport::TfReport(const ToolContext& context, const TBaseProperty& link,
                   std::function<DeviceReportRequest()> deviceSource, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Отчёт"), parent), deviceSource_(std::move(deviceSource)) {
  setObjectName(QStringLiteral("fReport"));
  job_ = new ReportJob(this);
  connect(job_, &ReportJob::Finished, this, &TfReport::ReportWritten);
  connect(job_, &ReportJob::Failed, this, &TfReport::ReportFailed);
  BuildControls();
  ReadSettings();
}

TfReport::~TfReport() {
  try {
    WriteSettings();
  } catch (const std::exception&) {
    // The program is ending; a settings file that cannot be written was reported on closing.
  }
}

void TfReport::BuildControls() {
  auto* layout = new QVBoxLayout(this);

  auto* document = new QGroupBox(QStringLiteral("Документ"), this);
  auto* form = new QFormLayout(document);
  edOrganization_ = Named(new QLineEdit(document), "edOrganization");
  edReportNumber_ = Named(new QLineEdit(document), "edReportNumber");
  cbAutoInc_ = Named(new QCheckBox(QStringLiteral("автоинкремент"), document), "cbAutoInc");
  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(edReportNumber_, 1);
  numberRow->addWidget(cbAutoInc_);
  form->addRow(QStringLiteral("ОРГАНИЗАЦИЯ"), edOrganization_);
  form->addRow(QStringLiteral("НОМЕР ОТЧЁТА"), numberRow);
  layout->addWidget(document);

  // Kept from the old form for its layout; they have no function.
  for (const char* caption : {"Исполнитель", "Заказчик"}) {
    auto* unused = new QGroupBox(QString::fromUtf8(caption), this);
    unused->hide();
    layout->addWidget(unused);
  }

  lbDevice_ = Named(new QLabel(this), "lbDevice");
  lbDevice_->setWordWrap(true);
  lbDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbDevice_);

  Button1_ = Named(new QPushButton(QStringLiteral("Создать отчёт"), this), "Button1");
  connect(Button1_, &QPushButton::clicked, this, &TfReport::Button1Click);
  layout->addWidget(Button1_);

  pnMainOp_ = Named(new QLabel(kIdleCaption, this), "pnMainOp");
  pnMainOp_->setFrameShape(QFrame::StyledPanel);
  pnMainOp_->setMinimumWidth(
      pnMainOp_->fontMetrics().horizontalAdvance(QStringLiteral("2. Заполнение таблицы информацией об устройстве")) +
      16);
  layout->addWidget(pnMainOp_);
  gMainOp_ = Named(new QProgressBar(this), "gMainOp");
  gMainOp_->setRange(0, kReportSteps);
  gMainOp_->setValue(0);
  layout->addWidget(gMainOp_);
  gTmpOp_ = Named(new QProgressBar(this), "gTmpOp");
  gTmpOp_->setRange(0, 1);
  gTmpOp_->setValue(0);
  layout->addWidget(gTmpOp_);

  lbResult_ = Named(new QLabel(this), "lbResult");
  lbResult_->setWordWrap(true);
  lbResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbResult_);
  layout->addStretch(1);
  // The result line wraps a long path: the window grows with it rather than squeezing the rest.
  layout->setSizeConstraint(QLayout::SetMinimumSize);
  resize(480, sizeHint().height() + 2 * fontMetrics().lineSpacing());
}

void TfReport::ReadSettings() {
  const std::string ini = Context().paths.SettingsFile();
  edOrganization_->setText(Text(ReadSetting(ini, "Organization")));
  edReportNumber_->setText(Text(ReadSetting(ini, "ReportNumber")));
  cbAutoInc_->setChecked(ReadSetting(ini, "ReportNumAutoInc") == "1");
}

void TfReport::WriteSettings() {
  const std::string ini = Context().paths.SettingsFile();
  WriteSetting(ini, "Organization", edOrganization_->text().toStdString());
  WriteSetting(ini, "ReportNumber", edReportNumber_->text().toStdString());
  WriteSetting(ini, "ReportNumAutoInc", cbAutoInc_->isChecked() ? "1" : "0");
}

void TfReport::ApplyLink(const TBaseProperty& link) {
  TToolWindow::ApplyLink(link);
  ShowDevice();
}

void TfReport::ShowDevice() {
  const std::string path = deviceSource_ ? deviceSource_().devicePath : std::string();
  if (path.empty()) {
    lbDevice_->setText(QStringLiteral("Устройство не выбрано: откройте устройство в главном окне."));
  } else {
    const std::string id = FirstLineValue(path, "ID").value_or(std::string());
    lbDevice_->setText(QStringLiteral("Устройство: ") + Text(id.empty() ? path : id));
  }
  Button1_->setEnabled(!path.empty() && !job_->Running());
}

void TfReport::showEvent(QShowEvent* event) {
  // The window is kept between showings; what was stored meanwhile (by quillon-cli, say) counts.
  ReadSettings();
  ShowDevice();
  TToolWindow::showEvent(event);
}

void TfReport::closeEvent(QCloseEvent* event) {
  // Closing only hides the window, and the next showing reads the settings again: what was
  // typed must be stored now, not only when the program ends.
  try {
    WriteSettings();
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Отчёт", error.what());
  }
  TToolWindow::closeEvent(event);
}

void TfReport::Button1Click() {
  DeviceReportRequest request = deviceSource_ ? deviceSource_() : DeviceReportRequest{};
  if (request.devicePath.empty()) return;
  request.organization = edOrganization_->text().toStdString();
  request.number = edReportNumber_->text().toStdString();
  request.when = NowDateTime();

  ReportProgress progress;
  progress.Step = [this](int step, const std::string& title) {
    job_->Post([this, step, title = Text(title)] { StepBegun(step, title); });
  };
  progress.Items = [this](int count) {
    job_->Post([this, count] {
      gTmpOp_->setRange(0, count > 0 ? count : 1);
      gTmpOp_->setValue(0);
    });
  };
  progress.Item = [this](int done) { job_->Post([this, done] { gTmpOp_->setValue(done); }); };

  gMainOp_->setValue(0);
  gTmpOp_->setValue(0);
  lbResult_->clear();
  Button1_->setEnabled(false);
  setCursor(Qt::BusyCursor);
  notes_.clear();
  job_->Start([this, paths = Context().paths, request = std::move(request), progress] {
    ReportNotes notes;
    std::string path = MakeDeviceReport(paths, request, progress, &notes);
    // Posted before the job posts its end, so the notes are here when the result is shown.
    if (!notes.empty()) job_->Post([this, notes = std::move(notes)] { notes_ = notes; });
    return path;
  });
}

void TfReport::StepBegun(int step, const QString& title) {
  pnMainOp_->setText(title);
  gMainOp_->setValue(step - 1);
}

void TfReport::ReportWritten(const QString& path) {
  unsetCursor();
  gMainOp_->setValue(kReportSteps);
  lbResult_->setText(QStringLiteral("Отчёт записан: ") + path);
  ShowDevice();
  job_->OpenDocument(path);
  if (!notes_.empty()) {
    // A long list is cut short: the engineer needs to know that texts were clipped and where to
    // look first, not a box taller than the screen.
    constexpr std::size_t kShownNotes = 10;
    std::string text;
    for (std::size_t i = 0; i < notes_.size() && i < kShownNotes; ++i) text += notes_[i] + "\n";
    if (notes_.size() > kShownNotes) text += "… и ещё ячеек: " + std::to_string(notes_.size() - kShownNotes) + "\n";
    lbResult_->setText(lbResult_->text() + QStringLiteral("\n") + Text(text).trimmed());
    CurrentPrompt().Warning("Отчёт", text);
  }
  if (!cbAutoInc_->isChecked()) return;
  try {
    edReportNumber_->setText(QString::number(ReadInteger(edReportNumber_->text().toStdString()) + 1));
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Отчёт", error.what());
  }
}

void TfReport::ReportFailed(const QString& message) {
  unsetCursor();
  pnMainOp_->setText(kIdleCaption);
  lbResult_->setText(QStringLiteral("Отчёт не создан: ") + message);
  ShowDevice();
  CurrentPrompt().Warning("Отчёт", message.toStdString());
}

}  // namespace quillon
