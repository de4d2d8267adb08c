#include "app/maintenance/new_device_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "app/maintenance/clone_form.h"
#include "app/support/current_prompt.h"
#include "app/widgets/palette_colours.h"
#include "app/widgets/template_combo_box.h"
#include "app/widgets/widget_helpers.h"
#include "history/record_save.h"
#include "maintenance/clone_device.h"
#include "maintenance/device_file_replace.h"
#include "maintenance/new_device.h"
#include "text/datetime.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

namespace {

constexpr const char* kFirmwareWarning =
    "Версия прошивки устройства изменилась. Параметры, записанные в базе для прежней прошивки, "
    "могут не подойти к новой. В базу будут записаны данные выбранного шаблона или выбранного "
    "резерва другого блока. Прежний файл устройства будет скопирован в папку BackUp; в списке "
    "устройств такая копия показана красным цветом.";

// Room for an identification string with a few words of additional text.
constexpr int kIdFieldChars = 48;

}  // namespace

TNewDevice::TNewDevice(const WorkspacePaths& paths, QWidget* parent) : QDialog(parent), paths_(paths) {
  setObjectName(QStringLiteral("NewDevice"));
  setModal(true);
  BuildControls();
}

void TNewDevice::BuildControls() {
  pnWarning_ = Named(new QLabel(Text(kFirmwareWarning), this), "pnWarning");
  pnWarning_->setWordWrap(true);
  pnWarning_->setFrameShape(QFrame::StyledPanel);
  pnWarning_->setMargin(6);
  // A note on the desktop's tooltip colour, its dark red lightened should that be dark.
  pnWarning_->setAutoFillBackground(true);
  FollowPalette(pnWarning_, [label = pnWarning_] {
    const QPalette system = QApplication::palette(label);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, system.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::WindowText, LegibleOn(QColor(0xa0, 0, 0), system.color(QPalette::ToolTipBase)));
    label->setPalette(colours);
  });

  edID_ = Named(new QLineEdit(this), "edID");
  edID_->setMinimumWidth(edID_->fontMetrics().averageCharWidth() * kIdFieldChars);
  edType_ = Named(new QLineEdit(this), "edType");
  edType_->setReadOnly(true);
  edType_->setMaximumWidth(edType_->fontMetrics().averageCharWidth() * 16);
  // Fixed pitch: the labels are padded with blanks so that their values line up.
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  lbHV_ = Named(new QLabel(this), "lbHV");
  lbFV_ = Named(new QLabel(this), "lbFV");
  lbROMDate_ = Named(new QLabel(this), "lbROMDate");
  for (QLabel* label : {lbHV_, lbFV_, lbROMDate_}) label->setFont(fixed);
  edMech_ = Named(new QLineEdit(this), "edMech");
  edLocation_ = Named(new QLineEdit(this), "edLocation");
  cbTemplate_ = Named(new TemplateComboBox(this), "cbTemplate");
  btAddTemlate_ = Named(new QPushButton(QStringLiteral("Добавить шаблон"), this), "btAddTemlate");
  btCreateClone_ = Named(new QPushButton(QStringLiteral("Создать резерв для блока..."), this), "btCreateClone");
  btAddDeviceToBase_ = Named(new QPushButton(QStringLiteral("Добавить устройство в базу"), this), "btAddDeviceToBase");
  btAddDeviceToBase_->setDefault(true);
  btCancel_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btCancel");

  auto* versions = new QVBoxLayout;
  versions->setSpacing(2);
  versions->addWidget(lbHV_);
  versions->addWidget(lbFV_);
  versions->addWidget(lbROMDate_);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->addWidget(new QLabel(QStringLiteral("ID"), this), 0, 0);
  grid->addWidget(edID_, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Тип"), this), 1, 0, Qt::AlignTop);
  grid->addWidget(edType_, 1, 1, Qt::AlignTop);
  grid->addLayout(versions, 1, 2, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("* Mеханизм"), this), 2, 0);
  grid->addWidget(edMech_, 2, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("* Расположение"), this), 3, 0);
  grid->addWidget(edLocation_, 3, 1, 1, 3);
  grid->addWidget(Named(new QLabel(QStringLiteral("  * Эти поля можно заполнить  позже"), this), "lbNote"), 4, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Шаблон"), this), 5, 0);
  grid->addWidget(cbTemplate_, 5, 1, 1, 2);
  grid->addWidget(btAddTemlate_, 5, 3);
  grid->setColumnStretch(2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btCreateClone_);
  buttons->addStretch(1);
  buttons->addWidget(btAddDeviceToBase_);
  buttons->addWidget(btCancel_);

  auto* column = new QVBoxLayout(this);
  column->addWidget(pnWarning_);
  column->addLayout(grid);
  column->addSpacing(6);
  column->addLayout(buttons);
  // The dialog is exactly as large as its contents: a user cannot squeeze a text away.
  column->setSizeConstraint(QLayout::SetFixedSize);

  connect(btAddTemlate_, &QPushButton::clicked, this, &TNewDevice::btAddTemlateClick);
  connect(btAddDeviceToBase_, &QPushButton::clicked, this, &TNewDevice::btAddDeviceToBaseClick);
  connect(btCreateClone_, &QPushButton::clicked, this, &TNewDevice::btCreateCloneClick);
  connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TNewDevice::ExecuteNewDevice(const std::string& idText) {
  setWindowTitle(QStringLiteral("Новое устройство"));
  pnWarning_->hide();
  edMech_->clear();
  edLocation_->clear();
  Prepare(idText, {});
  return exec() == QDialog::Accepted;
}

bool TNewDevice::ExecuteFirmwareUpdate(const std::string& devicePath, const std::string& idText) {
  setWindowTitle(QStringLiteral("Обновление программы устройства"));
  pnWarning_->show();
  const TDeviceInfo4 existing = ReadDeviceInfo(devicePath);
  edMech_->setText(Text(existing.description));
  edLocation_->setText(Text(existing.location));
  Prepare(idText, devicePath);
  return exec() == QDialog::Accepted;
}

void TNewDevice::Prepare(const std::string& idText, const std::string& devicePath) {
  existingPath_ = devicePath;
  writtenPath_.clear();
  const Identification id = ParseIdentification(idText).value_or(Identification{});
  edID_->setText(Text(idText));
  edType_->setText(Text(id.deviceType));
  lbHV_->setText(Text("Версия устройства: " + id.deviceVersion));
  lbFV_->setText(Text("Версия прошивки:   " + id.firmwareVersion));
  lbROMDate_->setText(Text("Дата прошивки:     " + id.firmwareDate));
  serial_ = id.serial;
  deviceVersion_ = id.deviceVersion;
  firmwareVersion_ = id.firmwareVersion;
  FillTemplates();
}

void TNewDevice::FillTemplates() {
  templates_ = ListDeviceTemplates(paths_);
  cbTemplate_->SetEntries(templates_);
  Identification id;
  id.deviceType = edType_->text().toStdString();
  id.deviceVersion = deviceVersion_;
  id.firmwareVersion = firmwareVersion_;
  cbTemplate_->setCurrentIndex(MatchingTemplate(templates_, id));
}

void TNewDevice::btAddTemlateClick() {
  std::string source;
  if (ChooseTemplateFile) {
    source = ChooseTemplateFile();
  } else {
    source = QFileDialog::getOpenFileName(this, QStringLiteral("Добавить шаблон"), Text(paths_.deviceTemplate),
                                          QStringLiteral("Template files (*.*)"))
                 .toStdString();
  }
  if (source.empty()) return;
  Identification id;
  id.deviceType = edType_->text().toStdString();
  id.deviceVersion = deviceVersion_;
  id.firmwareVersion = firmwareVersion_;
  try {
    AddDeviceTemplate(paths_, source, id);
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
  }
  FillTemplates();
}

void TNewDevice::btAddDeviceToBaseClick() {
  const int chosen = cbTemplate_->currentIndex();
  if (chosen < 0 || chosen >= static_cast<int>(templates_.size())) return;
  NewDeviceFields fields{edID_->text().toStdString(), serial_, edLocation_->text().toStdString(),
                         edMech_->text().toStdString()};
  const TemplateEntry& entry = templates_[static_cast<std::size_t>(chosen)];
  const std::string before = DeviceFileBytes(NewDeviceFilePath(paths_, entry, fields.serial));
  try {
    std::optional<std::string> written;
    try {
      written = AddDeviceToBase(paths_, entry, fields, TodayDate());
    } catch (const DeviceFileClashError& clash) {
      if (!CurrentPrompt().Question("Quillon", ClashQuestion(clash.Clash()))) return;
      fields.replaceOtherDevice = true;
      written = AddDeviceToBase(paths_, entry, fields, TodayDate());
    }
    if (!written) return;
    writtenPath_ = *written;
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  const DeviceSaveRecord record = RecordDeviceSave(paths_, writtenPath_, before, DeviceFileBytes(writtenPath_));
  if (const std::string warning = HistoryWarning(record); !warning.empty()) CurrentPrompt().Warning("Quillon", warning);
  accept();
}

void TNewDevice::btCreateCloneClick() {
  TCloneForm clone(paths_, this);
  const bool applied =
      clone.Execute(CloneTargetOfNewDevice(edID_->text().toStdString(), edLocation_->text().toStdString(),
                                           edMech_->text().toStdString(), existingPath_, TodayDate()));
  const int matching = TemplateByTypeName(templates_, clone.Target().typeKey);
  if (matching >= 0) cbTemplate_->setCurrentIndex(matching);
  if (applied) {
    writtenPath_ = clone.Target().path;
    accept();
  } else {
    reject();
  }
}

}  // namespace quillon
