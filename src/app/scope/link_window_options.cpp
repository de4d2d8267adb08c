#include "app/scope/link_window_options.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

#include "app/widgets/widget_helpers.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

// Ten million minutes or kilobytes is beyond any trace worth cutting.
constexpr int kLimitDigits = 7;
constexpr int kMaxKeptFiles = 9999;

QLineEdit* DigitsEdit(QWidget* parent, const char* name) {
  auto* edit = Named(new QLineEdit(parent), name);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  edit->setMaxLength(kLimitDigits);
  edit->setAlignment(Qt::AlignRight);
  // Room for every digit the field takes, whatever the font.
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(kLimitDigits + 1, QLatin1Char('0'))) + 8);
  return edit;
}

}  // namespace

TfmLinkWindowOptions::TfmLinkWindowOptions(std::string settingsFile, QWidget* parent)
    : QDialog(parent), settingsFile_(std::move(settingsFile)) {
  setObjectName(QStringLiteral("fmLinkWindowOptions"));
  setWindowTitle(QStringLiteral("Options"));

  cbGrid_ = Named(new QCheckBox(QStringLiteral("Сетка"), this), "cbGrid");
  cbCRC16_ = Named(new QCheckBox(QStringLiteral("Проверка CRC16"), this), "cbCRC16");
  cbFastFrameEnd_ = Named(new QCheckBox(QStringLiteral("Быстрое окончание ответа"), this), "cbFastFrameEnd");
  cbFastFrameEnd_->setToolTip(
      QStringLiteral("Ответ, дошедший до ожидаемой длины, завершается сразу, без паузы конца кадра.\n"
                     "Снимите флажок, если устройству на линии нужна классическая пауза конца кадра."));
  cbSilentInterval_ =
      Named(new QCheckBox(QStringLiteral("Пауза 3,5 символа перед запросом MODBUS"), this), "cbSilentInterval");
  cbSilentInterval_->setToolTip(
      QStringLiteral("Перед каждым запросом MODBUS RTU линия молчит не меньше 3,5 символа (1,75 мс выше 19 200 "
                     "бод).\nСнимите флажок, если устройствам на линии эта пауза не нужна."));

  auto* tracer = Named(new QGroupBox(QStringLiteral("Трейсер"), this), "gbTracer");
  // Both rows read on from the same caption: "каждые 60 минут", "каждые 1000 кБ".
  cbNewFileByTime_ = Named(new QCheckBox(QStringLiteral("создавать новый файл каждые :"), tracer), "cbNewFileByTime");
  edTraceMinutes_ = DigitsEdit(tracer, "edTraceMinutes");
  cbNewFileBySize_ = Named(new QCheckBox(QStringLiteral("создавать новый файл каждые :"), tracer), "cbNewFileBySize");
  edTraceKilobytes_ = DigitsEdit(tracer, "edTraceKilobytes");
  edKeptFiles_ = Named(new QSpinBox(tracer), "edKeptFiles");
  edKeptFiles_->setRange(0, kMaxKeptFiles);
  edKeptFiles_->setAlignment(Qt::AlignRight);

  auto* rows = new QGridLayout(tracer);
  rows->addWidget(cbNewFileByTime_, 0, 0);
  rows->addWidget(edTraceMinutes_, 0, 1);
  rows->addWidget(Named(new QLabel(QStringLiteral("минут"), tracer), "lbMinutes"), 0, 2);
  rows->addWidget(cbNewFileBySize_, 1, 0);
  rows->addWidget(edTraceKilobytes_, 1, 1);
  rows->addWidget(Named(new QLabel(QStringLiteral("кБ"), tracer), "lbKilobytes"), 1, 2);
  rows->addWidget(Named(new QLabel(QStringLiteral("хранить старых файлов :"), tracer), "lbKeptFiles"), 2, 0);
  rows->addWidget(edKeptFiles_, 2, 1);
  rows->addWidget(Named(new QLabel(QStringLiteral("шт."), tracer), "lbPieces"), 2, 2);
  rows->setColumnStretch(3, 1);

  // At most one limit: checking one clears the other; neither means one file for the whole trace.
  connect(cbNewFileByTime_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) cbNewFileBySize_->setChecked(false);
  });
  connect(cbNewFileBySize_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) cbNewFileByTime_->setChecked(false);
  });

  auto* btApply = Named(new QPushButton(QStringLiteral("Применить"), this), "btApply");
  btApply->setDefault(true);
  auto* btCancel = Named(new QPushButton(QStringLiteral("Отмена"), this), "btCancel");
  btCancel->setAutoDefault(false);
  connect(btApply, &QPushButton::clicked, this, &QDialog::accept);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btApply);
  buttons->addWidget(btCancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(cbGrid_);
  column->addWidget(cbCRC16_);
  column->addWidget(cbFastFrameEnd_);
  column->addWidget(cbSilentInterval_);
  column->addWidget(tracer);
  column->addStretch(1);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);

  options_ = ReadScopeOptions(settingsFile_);
  // A hand-edited file may set both limits; the time limit was the first choice.
  if (options_.newFileByTime) options_.newFileBySize = false;
  fastFrameEnd_ = ReadSettingInt(settingsFile_, "FastFrameEnd") != 0;
  silentInterval_ = ReadSettingInt(settingsFile_, "SilentInterval") != 0;
  ShowOptions(options_.grid);
}

bool TfmLinkWindowOptions::Edit(bool& grid) {
  ShowOptions(grid);
  if (exec() != QDialog::Accepted) return false;
  grid = options_.grid;
  return true;
}

void TfmLinkWindowOptions::Store() const {
  WriteScopeOptions(settingsFile_, options_);
  WriteSetting(settingsFile_, "FastFrameEnd", fastFrameEnd_ ? "1" : "0");
  WriteSetting(settingsFile_, "SilentInterval", silentInterval_ ? "1" : "0");
}

void TfmLinkWindowOptions::done(int result) {
  if (result == QDialog::Accepted) {
    // A count still being typed counts as shown.
    edKeptFiles_->interpretText();
    TakeShownOptions();
    if (Applied) Applied(options_, fastFrameEnd_);
  }
  QDialog::done(result);
}

void TfmLinkWindowOptions::ShowOptions(bool grid) {
  cbGrid_->setChecked(grid);
  cbCRC16_->setChecked(options_.crcCheck);
  cbFastFrameEnd_->setChecked(fastFrameEnd_);
  cbSilentInterval_->setChecked(silentInterval_);
  cbNewFileByTime_->setChecked(options_.newFileByTime);
  cbNewFileBySize_->setChecked(options_.newFileBySize);
  edTraceMinutes_->setText(Text(options_.traceMinutes));
  edTraceKilobytes_->setText(Text(options_.traceKilobytes));
  edKeptFiles_->setValue(options_.keptOldFiles);
}

void TfmLinkWindowOptions::TakeShownOptions() {
  options_.grid = cbGrid_->isChecked();
  options_.crcCheck = cbCRC16_->isChecked();
  fastFrameEnd_ = cbFastFrameEnd_->isChecked();
  silentInterval_ = cbSilentInterval_->isChecked();
  options_.newFileByTime = cbNewFileByTime_->isChecked();
  options_.newFileBySize = cbNewFileBySize_->isChecked();
  options_.traceMinutes = edTraceMinutes_->text().toStdString();
  options_.traceKilobytes = edTraceKilobytes_->text().toStdString();
  options_.keptOldFiles = edKeptFiles_->value();
}

}  // namespace quillon
