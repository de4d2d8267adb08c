#include "app/scope/window_property_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>
#include <utility>

#include "app/scope/list_moves.h"
#include "app/support/current_prompt.h"
#include "app/variables/scale_editor.h"
#include "app/widgets/link_fields.h"
#include "app/widgets/widget_helpers.h"
#include "link/buses.h"
#include "platform/files.h"
#include "scope/scope_device.h"
#include "scope/scope_file.h"
#include "text/items.h"
#include "variables/view.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

constexpr int kSerialAddressWidth = 41;
constexpr int kIpAddressWidth = 90;
constexpr int kFrameEndWidth = 41;
constexpr int kTcpPortWidth = 48;
constexpr int kComboSpacing = 4;
constexpr int kEditSpacing = 2;
constexpr int kPairSpacing = 8;
constexpr int kListWidth = 260;
constexpr int kListHeight = 220;

const char* const kMessageCaption = "Quillon";
const char* const kBitRates[] = {"1200",  "2400",   "4800",   "9600",   "19200", "38400",
                                 "57600", "115200", "230400", "460800", "921600"};
const char* const kAreas[] = {"RAM", "FLASH", "XRAM"};
const char* const kScopeFileFilter = "win files (*.scp)";
const char* const kDeviceFileFilter = "device files (*.dev *.ini)";

// A caption and its field side by side, shown or hidden together.
QWidget* Pair(QWidget* parent, QLabel* caption, QWidget* field, int spacing, QLabel* unit = nullptr) {
  auto* pair = new QWidget(parent);
  auto* row = new QHBoxLayout(pair);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(caption);
  row->addSpacing(spacing);
  row->addWidget(field);
  if (unit != nullptr) {
    row->addSpacing(kEditSpacing);
    row->addWidget(unit);
  }
  return pair;
}

}  // namespace

TWindowProperty::TWindowProperty(WorkspacePaths paths, QWidget* parent) : QDialog(parent), paths_(std::move(paths)) {
  setObjectName(QStringLiteral("WindowProperty"));
  setWindowTitle(QStringLiteral("Свойства окна"));
  auto* column = new QVBoxLayout(this);
  column->addWidget(BuildPaths());
  column->addWidget(BuildSettings());
  column->addWidget(BuildLists(), 1);

  auto* btApplay = Named(new QPushButton(QStringLiteral("Применить"), this), "btApplay");
  // Enter anywhere in the dialog applies, as the button does.
  btApplay->setDefault(true);
  connect(btApplay, &QPushButton::clicked, this, &QDialog::accept);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(btApplay);
  column->addLayout(bottom);

  cbBUSChange();
}

QWidget* TWindowProperty::BuildPaths() {
  auto* box = new QWidget(this);
  auto* grid = new QVBoxLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  auto addRow = [&](QLineEdit* edit, const char* buttonName, const QString& hint) {
    edit->setPlaceholderText(hint);
    auto* button = Named(new QPushButton(QStringLiteral("Путь"), box), buttonName);
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    grid->addLayout(row);
    return button;
  };
  WinPath_ = Named(new QLineEdit(box), "WinPath");
  DevPath_ = Named(new QLineEdit(box), "DevPath");
  connect(addRow(WinPath_, "btSetWinPath", QStringLiteral("*.scp")), &QPushButton::clicked, this,
          &TWindowProperty::btSetWinPathClick);
  connect(addRow(DevPath_, "btSetDevPath", QStringLiteral("*.dev, *.ini")), &QPushButton::clicked, this,
          &TWindowProperty::btSetDevPathClick);
  return box;
}

QWidget* TWindowProperty::BuildSettings() {
  auto* group = Named(new QGroupBox(QStringLiteral("Настройки"), this), "gbSettings");
  auto caption = [group](const char* text, const char* name) {
    return Named(new QLabel(QString::fromUtf8(text), group), name);
  };

  cbBUS_ = Named(new QComboBox(group), "cbBUS");
  for (std::string_view protocol : kProtocolNames) cbBUS_->addItem(QString::fromUtf8(protocol.data(), protocol.size()));
  ComPort_ = Named(new PortComboBox(group), "ComPort");
  // A port reached through Ports/ has a name of its own, not one of the COM items.
  ComPort_->setEditable(true);
  for (int number = 1; number <= 14; ++number) ComPort_->addItem(QStringLiteral("COM%1").arg(number));
  ComPort_->OnDropDown = [this] { ComPortDropDown(); };
  cbBPS_ = Named(new QComboBox(group), "cbBPS");
  for (const char* rate : kBitRates) cbBPS_->addItem(QString::fromUtf8(rate));
  AddrEd_ = Named(new QLineEdit(QStringLiteral("1"), group), "AddrEd");
  FrameEndEd_ = Named(new QLineEdit(QStringLiteral("5"), group), "FrameEndEd");
  FrameEndEd_->setFixedWidth(kFrameEndWidth);
  edPort_ = Named(new QLineEdit(QStringLiteral("20"), group), "edPort");
  edPort_->setFixedWidth(kTcpPortWidth);
  lbAddr_ = caption("Addr", "lbAddr");
  lbFrameEnd_ = caption("Пауза", "lbFrameEnd");
  lbMs_ = caption("мс", "lbMs");

  auto* link = new QHBoxLayout;
  link->setSpacing(kPairSpacing);
  link->addWidget(Pair(group, caption("Протокол", "lbBus"), cbBUS_, kComboSpacing));
  portPair_ = Pair(group, caption("Порт", "lbPort"), ComPort_, kComboSpacing);
  link->addWidget(portPair_);
  link->addWidget(Pair(group, lbAddr_, AddrEd_, kEditSpacing));
  bpsPair_ = Pair(group, caption("BPS", "lbBPS"), cbBPS_, kComboSpacing);
  link->addWidget(bpsPair_);
  ipPortPair_ = Pair(group, caption("IP Port", "lbIPPort"), edPort_, kEditSpacing);
  link->addWidget(ipPortPair_);
  link->addWidget(Pair(group, lbFrameEnd_, FrameEndEd_, kEditSpacing, lbMs_));
  link->addStretch(1);

  MemSelect_ = Named(new QComboBox(group), "MemSelect");
  for (const char* area : kAreas) MemSelect_->addItem(QString::fromUtf8(area));
  btVariables_ = Named(new QPushButton(QStringLiteral("Переменные"), group), "btVariables");
  auto* memory = new QHBoxLayout;
  memory->setSpacing(kPairSpacing);
  memory->addWidget(Pair(group, caption("Регистры", "lbMemSelect"), MemSelect_, kComboSpacing));
  memory->addWidget(btVariables_);
  memory->addStretch(1);

  auto* rows = new QVBoxLayout(group);
  rows->addLayout(link);
  rows->addLayout(memory);

  connect(cbBUS_, &QComboBox::currentIndexChanged, this, &TWindowProperty::cbBUSChange);
  connect(MemSelect_, &QComboBox::currentIndexChanged, this, &TWindowProperty::MemSelectChange);
  connect(btVariables_, &QPushButton::clicked, this, [this] {
    if (property_ == nullptr || property_->Vars == nullptr) return;
    EditScales(this, *property_->Vars, ScaleGate);
  });
  return group;
}

QWidget* TWindowProperty::BuildLists() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto makeList = [box](const char* name) {
    auto* list = Named(new QListWidget(box), name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setMinimumSize(kListWidth, kListHeight);
    return list;
  };

  auto* all = Named(new QGroupBox(QStringLiteral("Все параметры"), box), "gbAll");
  ListBox1_ = makeList("ListBox1");
  ListBox1_->setParent(all);
  (new QVBoxLayout(all))->addWidget(ListBox1_);

  auto* toView = Named(new QPushButton(QStringLiteral(">"), box), "ToViewButton");
  toView->setFixedWidth(32);
  toView->setAutoDefault(false);

  auto* shown = Named(new QGroupBox(QStringLiteral("Просмотр"), box), "gbView");
  ListBox2_ = makeList("ListBox2");
  ListBox2_->setParent(shown);
  auto tool = [shown](const char* name, Qt::ArrowType arrow, const QString& hint) {
    auto* button = Named(new QToolButton(shown), name);
    button->setToolTip(hint);
    if (arrow != Qt::NoArrow) button->setArrowType(arrow);
    return button;
  };
  auto* btUp = tool("btUp", Qt::UpArrow, QStringLiteral("Alt+Up"));
  auto* btDown = tool("btDown", Qt::DownArrow, QStringLiteral("Alt+Down"));
  auto* btDel = tool("btDel", Qt::NoArrow, QStringLiteral("Delete"));
  btDel->setText(QStringLiteral("X"));
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btUp);
  buttons->addWidget(btDown);
  buttons->addWidget(btDel);
  buttons->addStretch(1);
  auto* shownRow = new QHBoxLayout(shown);
  shownRow->addWidget(ListBox2_, 1);
  shownRow->addLayout(buttons);

  row->addWidget(all, 1);
  row->addWidget(toView, 0, Qt::AlignVCenter);
  row->addWidget(shown, 1);

  ListBox1_->installEventFilter(this);
  ListBox2_->installEventFilter(this);
  connect(toView, &QPushButton::clicked, this, &TWindowProperty::ToViewButtonClick);
  connect(btUp, &QToolButton::clicked, this, &TWindowProperty::btUpClick);
  connect(btDown, &QToolButton::clicked, this, &TWindowProperty::btDownClick);
  connect(btDel, &QToolButton::clicked, this, &TWindowProperty::btDelClick);
  return box;
}

void TWindowProperty::Edit(TBaseProperty& property) {
  property_ = &property;
  SelectItemByText(cbBUS_, property.Protocol);
  cbBUSChange();
  WinPath_->setText(Text(property.FilePath));
  DevPath_->setText(Text(property.DevicePath));
  {
    // The shown list below is the window's own; a change of area must not clear it.
    const QSignalBlocker blocker(MemSelect_);
    SelectItemByText(MemSelect_, property.MemArea);
  }
  ListBox2_->clear();
  if (property.Vars != nullptr) {
    for (int index = 0; index < property.Vars->Count(); ++index) {
      const TView& variable = property.Vars->Item(index);
      if (!variable.IsTimeMark()) ListBox2_->addItem(Text(ShownEntryText(variable)));
    }
  }
  ListBox1_->clear();
  listedArea_ = property.MemArea;
  if (!DevPath_->text().isEmpty()) ViewParamList(property.MemArea);
}

bool TWindowProperty::OpenWinFile(const std::string& path) {
  if (property_ == nullptr) return false;
  if (property_->Vars != nullptr) property_->Vars->ClearVariables();
  const bool read = ReadScopeSettings(path, *property_);
  setWindowTitle(Text(property_->Caption));
  if (!read) {
    CurrentPrompt().Warning(kMessageCaption, ScopeFileRefusal(path));
    return false;
  }
  OpenDeviceFile();
  return true;
}

void TWindowProperty::OpenDeviceFile() {
  if (property_ == nullptr || !FileExists(property_->FilePath)) return;
  ListBox2_->clear();
  WinPath_->setText(Text(property_->FilePath));
  for (const std::string& key : ReadViewListKeys(property_->FilePath)) ListBox2_->addItem(Text(key + " "));
  OpenDeviceFromList();
}

void TWindowProperty::OpenDeviceFromList() {
  if (property_ == nullptr || property_->Vars == nullptr) return;
  for (;;) {
    const ScopeDeviceResult result = quillon::OpenDeviceFromList(
        *property_, ShownEntries(), WinPath_->text().toStdString(), *property_->Vars, property_->Image, paths_);
    if (result.status == ScopeDeviceStatus::Built) return;
    if (result.status == ScopeDeviceStatus::NoDeviceSection) {
      CurrentPrompt().Warning(kMessageCaption, result.message);
      return;
    }
    if (!CurrentPrompt().Question(std::string(kDeviceFileNotFoundCaption), result.message)) return;
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Open device file..."),
                                                        Text(paths_.devices), QString::fromUtf8(kDeviceFileFilter));
    if (chosen.isEmpty()) return;
    property_->DevicePath = chosen.toStdString();
  }
}

std::vector<std::string> TWindowProperty::ShownEntries() const {
  std::vector<std::string> entries;
  for (int row = 0; row < ListBox2_->count(); ++row) entries.push_back(ListBox2_->item(row)->text().toStdString());
  return entries;
}

void TWindowProperty::ViewParamList(const std::string& area) {
  ListBox1_->clear();
  listedArea_ = area;
  for (const std::string& entry : quillon::ViewParamList(DevPath_->text().toStdString(), area))
    ListBox1_->addItem(Text(entry));
}

void TWindowProperty::cbBUSChange() {
  const bool tcp = OverTcp(ProtocolNamed(cbBUS_->currentText().toStdString()));
  portPair_->setVisible(!tcp);
  bpsPair_->setVisible(!tcp);
  lbMs_->setVisible(!tcp);
  ipPortPair_->setVisible(tcp);
  lbAddr_->setText(tcp ? QStringLiteral("IP") : QStringLiteral("Addr"));
  lbFrameEnd_->setText(tcp ? QStringLiteral("Адрес") : QStringLiteral("Пауза"));
  AddrEd_->setFixedWidth(tcp ? kIpAddressWidth : kSerialAddressWidth);
  if (property_ == nullptr) return;
  if (tcp) {
    AddrEd_->setText(Text(property_->IPAddress));
    edPort_->setText(Text(property_->IPPort));
    FrameEndEd_->setText(Text(property_->SlaveAddr));
  } else {
    AddrEd_->setText(Text(property_->SlaveAddr));
    FrameEndEd_->setText(Text(property_->FrameEnd));
    SelectItemByText(cbBPS_, property_->Baud);
    ComPort_->setEditText(Text(property_->PortName));
  }
}

void TWindowProperty::ComPortDropDown() {
  if (!ListComPorts) return;
  const QString current = ComPort_->currentText();
  ComPort_->clear();
  for (const std::string& name : SplitItems(ListComPorts())) {
    if (!name.empty()) ComPort_->addItem(Text(name));
  }
  ComPort_->setEditText(current);
}

void TWindowProperty::MemSelectChange() {
  const std::string area = MemSelect_->currentText().toStdString();
  if (area == listedArea_) return;
  ListBox2_->clear();
  ViewParamList(area);
}

void TWindowProperty::ToViewButtonClick() { AppendSelectedMissing(ListBox1_, ListBox2_); }

void TWindowProperty::btUpClick() { MoveSelectedUp(ListBox2_); }

void TWindowProperty::btDownClick() { MoveFirstSelectedDown(ListBox2_); }

void TWindowProperty::btDelClick() { DeleteSelected(ListBox2_); }

bool TWindowProperty::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (watched == ListBox1_ && key->key() == Qt::Key_Space) {
    ToViewButtonClick();
    return true;
  }
  if (watched == ListBox2_) {
    const bool alt = key->modifiers().testFlag(Qt::AltModifier);
    if (key->key() == Qt::Key_Delete) {
      btDelClick();
      return true;
    }
    if (alt && key->key() == Qt::Key_Up) {
      btUpClick();
      return true;
    }
    if (alt && key->key() == Qt::Key_Down) {
      btDownClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TWindowProperty::btSetWinPathClick() {
  const QString chosen =
      QFileDialog::getSaveFileName(this, QStringLiteral("Open/Create scope file..."), Text(paths_.scopeWindow),
                                   QString::fromUtf8(kScopeFileFilter), nullptr, QFileDialog::DontConfirmOverwrite);
  if (!chosen.isEmpty()) WinPathChosen(chosen.toStdString());
}

void TWindowProperty::WinPathChosen(const std::string& path) {
  if (!FileExists(path)) {
    try {
      CreateScopeFile(path);
    } catch (const std::runtime_error& error) {
      CurrentPrompt().Warning(kMessageCaption, error.what());
      return;
    }
    SelectItemByText(MemSelect_, "RAM");
    ComPort_->setEditText(QStringLiteral("COM2"));
  }
  WinPath_->setText(Text(path));
}

void TWindowProperty::btSetDevPathClick() {
  const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Open device file..."), Text(paths_.devices),
                                                      QString::fromUtf8(kDeviceFileFilter));
  if (chosen.isEmpty()) return;
  DevPath_->setText(chosen);
  // The list of all parameters follows the device file; the shown list is left to the user.
  ViewParamList(MemSelect_->currentText().toStdString());
}

WindowPropertyFields TWindowProperty::Fields() const {
  WindowPropertyFields fields;
  fields.winPath = WinPath_->text().toStdString();
  fields.devPath = DevPath_->text().toStdString();
  fields.protocol = SelectedItemText(cbBUS_).value_or(property_->Protocol);
  fields.memArea = MemSelect_->currentText().toStdString();
  fields.comPort = ComPort_->currentText().toStdString();
  // A stored rate the list does not offer stays as it was.
  fields.baud = SelectedItemText(cbBPS_).value_or(property_->Baud);
  fields.frameEnd = FrameEndEd_->text().toStdString();
  fields.address = AddrEd_->text().toStdString();
  fields.ipPort = edPort_->text().toStdString();
  return fields;
}

void TWindowProperty::ShowRefusal(const WindowPropertyRefusal& refusal) {
  CurrentPrompt().Warning(kMessageCaption, refusal.message);
  switch (refusal.focus) {
    case WindowPropertyField::WinPath:
      WinPath_->setFocus();
      break;
    case WindowPropertyField::DevPath:
      DevPath_->setFocus();
      break;
    case WindowPropertyField::FrameEnd:
      FrameEndEd_->setFocus();
      break;
    case WindowPropertyField::Address:
      AddrEd_->setFocus();
      break;
  }
}

void TWindowProperty::done(int result) {
  if (result != QDialog::Accepted || property_ == nullptr) {
    QDialog::done(QDialog::Rejected);
    return;
  }
  const WindowPropertyFields fields = Fields();
  try {
    WindowPropertyResult applied = ApplyWindowProperty(fields, newWindow_, std::nullopt, *property_);
    if (applied.outcome == WindowPropertyOutcome::AskCreate) {
      const bool create = CurrentPrompt().Question(kMessageCaption, applied.question);
      applied = ApplyWindowProperty(fields, newWindow_, create, *property_);
    }
    switch (applied.outcome) {
      case WindowPropertyOutcome::Applied:
        newWindow_ = false;
        QDialog::done(QDialog::Accepted);
        return;
      case WindowPropertyOutcome::Closed:
        QDialog::done(QDialog::Rejected);
        return;
      case WindowPropertyOutcome::Refused:
        ShowRefusal(applied.refusal);
        return;
      case WindowPropertyOutcome::AskCreate:
        return;
    }
  } catch (const std::runtime_error& error) {
    CurrentPrompt().Warning(kMessageCaption, error.what());
  }
}

}  // namespace quillon
