#include "app/maintenance/clone_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <exception>

#include "app/support/current_prompt.h"
#include "app/widgets/table_panel01.h"
#include "app/widgets/widget_helpers.h"
#include "history/record_save.h"
#include "maintenance/device_file_replace.h"
#include "text/datetime.h"

namespace quillon {

namespace {

constexpr std::array<const char*, 5> kCaptions = {"Место установки", "Механизм", "Серийный номер", "Версия ПО", "Файл"};
// A cell's text padding on both sides, its separator line and some air.
constexpr int kCellSlack = 10;
constexpr int kInitialTableWidth = 620;
constexpr int kTableRows = 12;
// The memo shows its lines whole up to this many characters; a longer path scrolls sideways.
constexpr int kInfoMinChars = 40;
constexpr int kInfoMaxChars = 72;
constexpr int kInfoLines = 13;
constexpr std::size_t kFileColumn = 4;
// The table's own text padding on each side of a cell.
constexpr int kTablePadding = 2;

std::string CellText(const CloneSourceRow& row, std::size_t column) {
  switch (column) {
    case 0:
      return row.location;
    case 1:
      return row.description;
    case 2:
      return row.serial;
    case 3:
      return row.firmware;
    default:
      return PathForDisplay(row.path);
  }
}

}  // namespace

TCloneForm::TCloneForm(const WorkspacePaths& paths, QWidget* parent) : QDialog(parent), paths_(paths) {
  setObjectName(QStringLiteral("CloneForm"));
  setWindowTitle(QStringLiteral("Создать резерв для усройства..."));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  BuildControls();
}

void TCloneForm::BuildControls() {
  auto* gbDevice = Named(new QGroupBox(QStringLiteral("Устройство"), this), "gbDevice");
  meDevInfo_ = Named(new QPlainTextEdit(gbDevice), "meDevInfo");
  meDevInfo_->setReadOnly(true);
  meDevInfo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  meDevInfo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  const QFontMetrics info(meDevInfo_->font());
  meDevInfo_->setMinimumSize(info.horizontalAdvance(QString(kInfoMinChars, QLatin1Char('W'))),
                             info.lineSpacing() * kInfoLines + 2 * meDevInfo_->frameWidth() + 8);
  auto* deviceColumn = new QVBoxLayout(gbDevice);
  deviceColumn->addWidget(meDevInfo_);

  auto* gbConfigure = Named(new QGroupBox(QStringLiteral("Настроить как..."), this), "gbConfigure");
  cbDeviceType_ = Named(new QComboBox(gbConfigure), "cbDeviceType");
  cbDeviceType_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  cbDeviceType_->setMinimumContentsLength(12);
  tpDevices_ = Named(new TTablePanel01(gbConfigure), "tpDevices");
  tpDevices_->setMinimumSize(kInitialTableWidth, kHeaderHeight + kCellHeight * kTableRows + 2);
  sbVert_ = Named(new QScrollBar(Qt::Vertical, gbConfigure), "sbVert");
  sbVert_->setRange(0, 0);
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(new QLabel(QStringLiteral("Тип устройства"), gbConfigure));
  typeRow->addWidget(cbDeviceType_);
  typeRow->addStretch(1);
  auto* tableRow = new QHBoxLayout;
  tableRow->setSpacing(0);
  tableRow->addWidget(tpDevices_, 1);
  tableRow->addWidget(sbVert_);
  auto* configureColumn = new QVBoxLayout(gbConfigure);
  configureColumn->addLayout(typeRow);
  configureColumn->addLayout(tableRow, 1);

  auto* gbUse = Named(new QGroupBox(QStringLiteral("Использовать данные"), this), "gbUse");
  chbLocation_ = Named(new QCheckBox(QStringLiteral("Место установки"), gbUse), "chbLocation");
  chbDescription_ = Named(new QCheckBox(QStringLiteral("Название механизма"), gbUse), "chbDescription");
  auto* useRow = new QHBoxLayout(gbUse);
  useRow->addWidget(chbLocation_);
  useRow->addSpacing(12);
  useRow->addWidget(chbDescription_);

  btApplay_ = Named(new QPushButton(QStringLiteral("Применить"), this), "btApplay");
  btCancel_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(gbUse);
  buttons->addStretch(1);
  buttons->addWidget(btApplay_, 0, Qt::AlignBottom);
  buttons->addWidget(btCancel_, 0, Qt::AlignBottom);

  auto* top = new QHBoxLayout;
  top->addWidget(gbDevice);
  top->addWidget(gbConfigure, 1);
  auto* column = new QVBoxLayout(this);
  column->addLayout(top, 1);
  column->addLayout(buttons);

  for (const char* caption : kCaptions) columns_.push_back(&tpDevices_->AddColumn(caption));
  tpDevices_->LayOutColumns();
  tpDevices_->OnClickItem = [this](TTableItem& cell) { tpDevicesClickItem(cell); };
  tpDevices_->OnResizeItems = [this](TTableItem&) { widthsChosen_ = true; };
  tpDevices_->OnResize = [this] {
    if (!widthsChosen_) SizeColumns();
  };
  tpDevices_->OnScroll = [this](int position) {
    sbVert_->setValue(position);
    tpDevices_->SetPosition(sbVert_->value());
  };
  connect(sbVert_, &QScrollBar::valueChanged, this, [this](int value) { tpDevices_->SetPosition(value); });
  connect(cbDeviceType_, &QComboBox::currentIndexChanged, this, &TCloneForm::cbDeviceTypeChange);
  connect(btApplay_, &QPushButton::clicked, this, &TCloneForm::btApplayClick);
  connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TCloneForm::Execute(const CloneTarget& target) {
  target_ = target;
  QStringList lines;
  int widest = 0;
  const QFontMetrics info(meDevInfo_->font());
  for (const std::string& line : CloneInfoLines(target_)) {
    lines << Text(line);
    widest = std::max(widest, info.horizontalAdvance(lines.back()));
  }
  meDevInfo_->setPlainText(lines.join(QLatin1Char('\n')));
  const int limit = info.horizontalAdvance(QString(kInfoMaxChars, QLatin1Char('W')));
  // The text's margins, the frame and a little air.
  const int frame = 2 * (meDevInfo_->frameWidth() + static_cast<int>(meDevInfo_->document()->documentMargin())) + 8;
  meDevInfo_->setMinimumWidth(std::max(meDevInfo_->minimumWidth(), std::min(widest, limit) + frame));
  FormShow();
  WidenForContents();
  return exec() == QDialog::Accepted;
}

void TCloneForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (const QWidget* owner = parentWidget()) {
    move(owner->window()->frameGeometry().center() - QPoint(width() / 2, height() / 2));
  }
}

void TCloneForm::FormShow() { ShowType(target_.typeKey); }

void TCloneForm::cbDeviceTypeChange() {
  const int index = cbDeviceType_->currentIndex();
  if (index < 0 || index >= static_cast<int>(types_.size())) return;
  ShowType(types_[static_cast<std::size_t>(index)]);
}

void TCloneForm::ShowType(const std::string& type) {
  sourcePath_.clear();
  btApplay_->setEnabled(false);
  tpDevices_->SelectRow(-1);
  types_ = DeviceTypeNames(paths_);
  const auto found = std::find(types_.begin(), types_.end(), type);
  {
    const QSignalBlocker quiet(cbDeviceType_);
    cbDeviceType_->clear();
    for (const std::string& name : types_) cbDeviceType_->addItem(Text(name));
    cbDeviceType_->setCurrentIndex(found == types_.end() ? -1 : static_cast<int>(found - types_.begin()));
  }
  if (found == types_.end()) {
    tpDevices_->Repaint();
    return;
  }
  FillTable(type);
}

void TCloneForm::FillTable(const std::string& type) {
  tpDevices_->ClearInfoIntems();
  rows_ = CloneSourceRows(paths_, type);
  for (const CloneSourceRow& row : rows_) {
    for (std::size_t i = 0; i < kFileColumn; ++i) columns_[i]->AddCell().SetCaption(CellText(row, i));
    // A path wider than its column loses its start, never the file name.
    TTableItem* file = columns_[kFileColumn];
    file->AddCell([this, file, path = Text(CellText(row, kFileColumn))] {
      const int room = static_cast<int>(file->Width) - 2 * kTablePadding;
      return tpDevices_->fontMetrics().elidedText(path, Qt::ElideLeft, std::max(room, 0)).toStdString();
    });
  }
  sbVert_->setRange(0, static_cast<int>(rows_.size()));
  sbVert_->setPageStep(std::max(tpDevices_->VisibleRowCount(), 1));
  sbVert_->setValue(0);
  tpDevices_->SetPosition(0);
  if (!widthsChosen_) SizeColumns();
  tpDevices_->Repaint();
}

void TCloneForm::tpDevicesClickItem(TTableItem& cell) {
  const int row = cell.Index();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  sourcePath_ = rows_[static_cast<std::size_t>(row)].path;
  btApplay_->setEnabled(true);
}

void TCloneForm::btApplayClick() {
  if (sourcePath_.empty()) return;
  const int index = cbDeviceType_->currentIndex();
  const std::string type =
      index >= 0 && index < static_cast<int>(types_.size()) ? types_[static_cast<std::size_t>(index)] : target_.typeKey;
  CloneChoice choice{sourcePath_, chbLocation_->isChecked(), chbDescription_->isChecked()};
  const std::string before = DeviceFileBytes(CloneTargetPath(paths_, target_, sourcePath_));
  try {
    try {
      ApplyClone(paths_, target_, type, choice, TodayDate());
    } catch (const DeviceFileClashError& clash) {
      // Another controller's file: replaced only when the engineer says so, "No" being the default.
      if (!CurrentPrompt().Question("Quillon", ClashQuestion(clash.Clash()))) return;
      choice.replaceOtherDevice = true;
      ApplyClone(paths_, target_, type, choice, TodayDate());
    }
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  // A clone, and a restore from BackUp/, is a save like any other: it becomes a version.
  const DeviceSaveRecord record = RecordDeviceSave(paths_, target_.path, before, DeviceFileBytes(target_.path));
  if (const std::string warning = HistoryWarning(record); !warning.empty()) CurrentPrompt().Warning("Quillon", warning);
  accept();
}

ColumnNeed TCloneForm::NeedOf(const TTableItem& column) const {
  const QFontMetrics metrics = tpDevices_->fontMetrics();
  const auto width = [&metrics](const std::string& text) {
    return static_cast<double>(metrics.horizontalAdvance(Text(text)) + kCellSlack);
  };
  ColumnNeed need;
  need.minimum = width(column.Caption());
  need.content = need.minimum;
  const auto index = static_cast<std::size_t>(std::find(columns_.begin(), columns_.end(), &column) - columns_.begin());
  if (index >= columns_.size()) return need;
  // From the rows, not the cells: a path cell holds what was last shown of it.
  for (const CloneSourceRow& row : rows_) need.content = std::max(need.content, width(CellText(row, index)));
  return need;
}

void TCloneForm::WidenForContents() {
  // Before the first showing the dialog grows, within the screen, so every text shows whole.
  double needed = 0;
  for (const TTableItem* column : columns_) needed += NeedOf(*column).content;
  const int extra = static_cast<int>(needed) - tpDevices_->minimumWidth();
  if (extra <= 0) return;
  int wanted = sizeHint().width() + extra;
  if (const QScreen* shown = screen()) wanted = std::min(wanted, shown->availableGeometry().width() * 9 / 10);
  resize(std::max(wanted, width()), sizeHint().height());
}

void TCloneForm::SizeColumns() {
  tpDevices_->SizeColumnsToContents([this](const TTableItem& column) { return NeedOf(column); });
  tpDevices_->FitColumnsToWidth();
}

}  // namespace quillon
