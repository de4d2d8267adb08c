#include "app/tools/cmd_line.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <string_view>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/widgets/link_fields.h"
#include "app/widgets/widget_helpers.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_check.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "text/items.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr int kTimeOutMs = 1000;
constexpr int kIpAddressWidth = 90;
constexpr int kIpPortWidth = 40;

const char* const kBitRates[] = {"1200",  "2400",   "4800",   "9600",   "19200",  "38400",
                                 "57600", "115200", "230400", "460800", "921600", ""};

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The selected item's text, empty when nothing is selected.
std::string Selected(const QComboBox* list) {
  return list->currentIndex() < 0 ? std::string() : list->currentText().toStdString();
}

}  // namespace

TCmdLine::TCmdLine(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Командная строка"), parent) {
  setObjectName(QStringLiteral("CmdLine"));
  BuildControls();
  QPointer<TCmdLine> self(this);
  exchange_ = std::make_shared<CommandExchange>(context.hub, [self](std::uint64_t generation,
                                                                    std::vector<std::uint8_t> answer) {
    OnWindowThreadCall(self, [generation, answer = std::move(answer)](TCmdLine& w) { w.Answered(generation, answer); });
  });
  FormCreate();
  ApplyLink(link);
}

TCmdLine::~TCmdLine() {
  FormDestroy();
  // The record stays alive in the task until the worker that may hold it has let it go.
  Context().tasks.Post([exchange = exchange_] { exchange->Withdraw(); });
}

void TCmdLine::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* fields = new QGridLayout();
  layout->addLayout(fields);
  auto addColumn = [fields](int column, QLabel* caption, QWidget* field) {
    fields->addWidget(caption, 0, column);
    fields->addWidget(field, 1, column);
  };

  cbBUS_ = Named(new QComboBox(this), "cbBUS");
  for (std::string_view name : kProtocolNames) cbBUS_->addItem(Utf8(name));
  addColumn(0, Named(new QLabel(QStringLiteral("BUS"), this), "lbBUS"), cbBUS_);

  // The IP fields take the places of the port and the bit rate under MODBUS TCP.
  lbCOM_ = Named(new QLabel(QStringLiteral("COM"), this), "lbCOM");
  cbCOM_ = Named(new PortComboBox(this), "cbCOM");
  cbCOM_->OnDropDown = [this] { cbCOMDropDown(); };
  edIPAddr_ = Named(new QLineEdit(ipAddress_, this), "edIPAddr");
  edIPAddr_->setFixedWidth(kIpAddressWidth);
  addColumn(1, lbCOM_, cbCOM_);
  fields->addWidget(edIPAddr_, 1, 1);

  lbBPS_ = Named(new QLabel(QStringLiteral("BPS"), this), "lbBPS");
  cbBPS_ = Named(new QComboBox(this), "cbBPS");
  for (const char* rate : kBitRates) cbBPS_->addItem(QString::fromUtf8(rate));
  edIPPort_ = Named(new QLineEdit(ipPort_, this), "edIPPort");
  edIPPort_->setFixedWidth(kIpPortWidth);
  addColumn(2, lbBPS_, cbBPS_);
  fields->addWidget(edIPPort_, 1, 2);

  edFE_ = Named(new QLineEdit(QStringLiteral("10"), this), "edFE");
  edFE_->setFixedWidth(40);
  addColumn(3, Named(new QLabel(QStringLiteral("FE"), this), "lbFE"), edFE_);

  cbMODE_ = Named(new QComboBox(this), "cbMODE");
  for (std::string_view name : kAnswerModeNames) cbMODE_->addItem(Utf8(name));
  addColumn(4, Named(new QLabel(QStringLiteral("MODE"), this), "lbMODE"), cbMODE_);

  btClearMemo_ = Named(new QPushButton(QStringLiteral("Clear"), this), "btClearMemo");
  fields->addWidget(btClearMemo_, 1, 5);
  fields->setColumnStretch(6, 1);

  m_ = Named(new QPlainTextEdit(this), "m");
  m_->setReadOnly(true);
  layout->addWidget(m_, 1);

  CmdBox_ = Named(new QComboBox(this), "CmdBox");
  CmdBox_->setEditable(true);
  // The history is kept by the window's own rules, never by the box.
  CmdBox_->setInsertPolicy(QComboBox::NoInsert);
  CmdBox_->installEventFilter(this);
  CmdBox_->lineEdit()->installEventFilter(this);
  CmdBox_->view()->installEventFilter(this);
  layout->addWidget(CmdBox_);

  tmrTimeOut_ = Named(new QTimer(this), "tmrTimeOut");
  tmrTimeOut_->setInterval(kTimeOutMs);

  connect(cbBUS_, &QComboBox::currentIndexChanged, this, [this] { cbBUSChange(); });
  connect(edIPAddr_, &QLineEdit::textEdited, this, [this](const QString& text) { ipAddress_ = text; });
  connect(edIPPort_, &QLineEdit::textEdited, this, [this](const QString& text) { ipPort_ = text; });
  connect(btClearMemo_, &QPushButton::clicked, this, &TCmdLine::ClrMemoClick);
  connect(tmrTimeOut_, &QTimer::timeout, this, &TCmdLine::tmrTimeOutTimer);
  resize(560, 360);
}

void TCmdLine::FormCreate() {
  cbMODE_->setCurrentIndex(cbMODE_->findText(QStringLiteral("HEX")));
  history_ = LoadCommandHistory(CommandHistoryFile(Context().paths));
  ShowHistory(QString());
}

void TCmdLine::FormDestroy() { SaveCommandHistory(CommandHistoryFile(Context().paths), history_); }

void TCmdLine::FormShow() { cbBUSChange(); }

void TCmdLine::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  FormShow();
}

void TCmdLine::ApplyLink(const TBaseProperty& link) {
  TToolWindow::ApplyLink(link);
  {
    const QSignalBlocker blocker(cbBUS_);
    SelectItemByText(cbBUS_, link.Protocol);
  }
  cbCOM_->clear();
  if (!link.PortName.empty()) cbCOM_->addItem(Text(link.PortName));
  SelectItemByText(cbCOM_, link.PortName);
  SelectItemByText(cbBPS_, link.Baud);
  // Under MODBUS TCP the main window's frame-end field holds the IP address.
  const bool tcp = OverTcp(ProtocolOf(link));
  if (!tcp && !link.FrameEnd.empty()) edFE_->setText(Text(link.FrameEnd));
  if (!link.IPAddress.empty()) ipAddress_ = Text(link.IPAddress);
  if (!link.IPPort.empty()) ipPort_ = Text(link.IPPort);
  cbBUSChange();
}

void TCmdLine::cbBUSChange() {
  const bool tcp = OverTcp(ProtocolNamed(cbBUS_->currentText().toStdString()));
  cbCOM_->setVisible(!tcp);
  cbBPS_->setVisible(!tcp);
  edIPAddr_->setVisible(tcp);
  edIPPort_->setVisible(tcp);
  lbCOM_->setText(tcp ? QStringLiteral("IP addres") : QStringLiteral("COM"));
  lbBPS_->setText(tcp ? QStringLiteral("IP Port") : QStringLiteral("BPS"));
  if (tcp) {
    edIPAddr_->setText(ipAddress_);
    edIPPort_->setText(ipPort_);
  }
}

void TCmdLine::cbCOMDropDown() {
  const std::string ports = Context().hub.Serial().ListComPorts();
  const QString previous = cbCOM_->currentText();
  cbCOM_->clear();
  if (!ports.empty()) {
    for (const std::string& name : SplitItems(ports)) cbCOM_->addItem(Text(name));
  }
  cbCOM_->setCurrentIndex(cbCOM_->findText(previous, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

bool TCmdLine::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return TToolWindow::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (watched == CmdBox_->view()) {
    if (key != Qt::Key_Delete) return false;
    const int index = CmdBox_->view()->currentIndex().row();
    CmdBox_->hidePopup();
    return CmdBoxKeyDown(index);
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    CmdBoxKeyPress();
    return true;
  }
  if (key == Qt::Key_Delete) {
    // An entry counts as selected until its text is edited.
    const int index = CmdBox_->currentIndex();
    if (index >= 0 && CmdBox_->currentText() == CmdBox_->itemText(index)) return CmdBoxKeyDown(index);
  }
  return false;
}

void TCmdLine::CmdBoxKeyPress() {
  if (waiting_) return;
  const std::string digits = CommandDigits(CmdBox_->currentText().toStdString());
  const QString text = Text(digits);
  CmdBox_->setEditText(text);
  if (digits.empty()) return;
  if (history_.Add(digits)) ShowHistory(text);
  const CommandBytes command = ParseCommand(digits);
  if (command.error) {
    AddLine(*command.error);
    return;
  }
  if (!CheckFields()) return;

  const std::optional<Endpoint> endpoint = EndpointOf(WithWriteDefaults(LinkFieldsShown()));
  if (!endpoint) return;
  const Endpoint& target = *endpoint;
  if (target.Tcp()) {
    ipAddress_ = edIPAddr_->text();
    ipPort_ = edIPPort_->text();
  }
  sentProtocol_ = Selected(cbBUS_);
  const std::uint64_t generation = ++generation_;
  waiting_ = true;
  CmdBox_->setEnabled(false);
  QPointer<TCmdLine> self(this);
  const std::string shownPort = target.Tcp() ? target.ip : target.port;
  Context().tasks.Post([exchange = exchange_, target, frame = CommandFrame(command.bytes, sentProtocol_), generation,
                        self, shownPort]() mutable {
    const CommandRegistration registration = exchange->Send(target, std::move(frame), generation);
    OnWindowThreadCall(self, [generation, registration, shownPort](TCmdLine& w) {
      w.Registered(generation, registration, shownPort);
    });
  });
}

LinkFieldTexts TCmdLine::LinkFieldsShown() const {
  LinkFieldTexts fields;
  fields.protocol = Selected(cbBUS_);
  fields.port = Selected(cbCOM_);
  fields.baud = Selected(cbBPS_);
  fields.frameEnd = fields.Tcp() ? edIPAddr_->text().toStdString() : edFE_->text().toStdString();
  fields.tcpPort = edIPPort_->text().toStdString();
  return fields;
}

bool TCmdLine::CheckFields() {
  const LinkFieldTexts fields = LinkFieldsShown();
  // A single value write checks in the terminal's order: protocol, port, bit rate, frame end
  // (empty counts as 8); the device address plays no part in a typed command.
  const auto failure = CheckLinkFields(WithWriteDefaults(fields), LinkCheck::WriteValue);
  if (!failure) return true;
  CurrentPrompt().Warning("Quillon", failure->message);
  switch (failure->focus) {
    case LinkField::Protocol:
      cbBUS_->setFocus();
      break;
    case LinkField::Port:
      cbCOM_->setFocus();
      break;
    case LinkField::Baud:
      cbBPS_->setFocus();
      break;
    case LinkField::TcpPort:
      edIPPort_->setFocus();
      break;
    case LinkField::FrameEnd:
    case LinkField::Address:
      edFE_->setFocus();
      break;
  }
  return false;
}

bool TCmdLine::CmdBoxKeyDown(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= history_.Items().size()) return false;
  const std::string entry = history_.Items()[static_cast<std::size_t>(index)];
  if (CurrentPrompt().Question("?", "Удалить команду:\n" + entry)) {
    history_.Remove(static_cast<std::size_t>(index));
    ShowHistory(QString());
  }
  return true;
}

void TCmdLine::ShowHistory(const QString& text) {
  const QSignalBlocker blocker(CmdBox_);
  CmdBox_->clear();
  for (const std::string& item : history_.Items()) CmdBox_->addItem(Text(item));
  CmdBox_->setCurrentIndex(-1);
  CmdBox_->setEditText(text);
}

void TCmdLine::ClrMemoClick() { m_->clear(); }

void TCmdLine::AddLine(const std::string& line) { m_->appendPlainText(Text(line)); }

void TCmdLine::Registered(std::uint64_t generation, CommandRegistration registration, const std::string& port) {
  // The answer may have come first; then there is nothing left to wait for.
  if (generation != generation_ || !waiting_) return;
  if (registration == CommandRegistration::PortFailed) {
    EndWaiting(false);
    CurrentPrompt().Warning("Quillon", PortErrorMessage(port));
    return;
  }
  tmrTimeOut_->start();
}

void TCmdLine::Answered(std::uint64_t generation, const std::vector<std::uint8_t>& answer) {
  if (generation != generation_) return;
  const AnswerMode mode = AnswerModeByName(cbMODE_->currentText().toStdString()).value_or(AnswerMode::Hex);
  AddLine(AnswerLine(answer.data(), answer.size(), sentProtocol_, mode));
  EndWaiting(false);
}

void TCmdLine::tmrTimeOutTimer() { EndWaiting(true); }

void TCmdLine::EndWaiting(bool timedOut) {
  waiting_ = false;
  tmrTimeOut_->stop();
  CmdBox_->setEnabled(true);
  CmdBox_->setFocus();
  // Enter sends the same command again; typing starts a new one instead of extending it.
  if (QLineEdit* edit = CmdBox_->lineEdit()) edit->selectAll();
  if (timedOut) AddLine(std::string(kNoAnswerLine));
}

}  // namespace quillon
