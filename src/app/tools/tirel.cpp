#include "tools/tirel.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <stdexcept>
#include <utility>

#include "card/card_queries.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "link/serial_port.h"
#include "link/tcpip_list.h"
#include "platform/prompt.h"
#include "scope/scope_panel.h"
#include "scope/window_thread.h"
#include "text/numbers.h"
#include "tools/card_target.h"
#include "tools/tirel_prog_select.h"
#include "widget_helpers.h"

namespace quillon {

namespace {

constexpr int kDataErrIntervalMs = 1000;
constexpr int kGoodAnswerDelayMs = 10;

}  // namespace

TfmTirel::TfmTirel(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Tirel"), parent) {
  setObjectName(QStringLiteral("fmTirel"));
  QPointer<TfmTirel> self(this);
  link_ = std::make_shared<PlayerLink>(
      [self] { OnWindowThreadCall(self, [](TfmTirel& window) { window.tmrDataErr_->start(kGoodAnswerDelayMs); }); });
  card_ = std::make_shared<CardLink>([self](CardStep step) {
    OnWindowThreadCall(self, [step = std::move(step)](TfmTirel& window) { window.ApplyStepped(step); });
  });
  BuildControls();
  fmProgSelect_ = new TfmTirelProgSelect(context, this);
}

TfmTirel::~TfmTirel() {
  tmrDataErr_->stop();
  // The records stay alive in the task until the worker that may hold them has let them go.
  Context().tasks.Post([link = link_, card = card_, &hub = Context().hub] {
    card->Withdraw(RegistriesOf(hub));
    link->Detach(hub.Serial());
  });
}

void TfmTirel::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  FormShow();
}

bool TfmTirel::ModbusRtu() const { return Property.Protocol == kProtocolMODBUSRTU; }

PlayerPort TfmTirel::Port() const {
  PlayerPort port;
  port.name = Property.PortName;
  port.programDirectory = Context().paths.program;
  port.baud = static_cast<unsigned>(TryReadInteger(Property.Baud).value_or(0));
  port.frameEndMs = static_cast<unsigned>(TryReadInteger(Property.FrameEnd).value_or(kDefaultFrameEndMs));
  return port;
}

CardTarget TfmTirel::CardTargetOf() const {
  CardTarget target;
  const auto address = TryReadInteger(Property.SlaveAddr);
  target.address = static_cast<std::uint8_t>(address && *address >= 0 && *address <= 255 ? *address : 1);
  target.programDirectory = Context().paths.program;
  target.port = Property.PortName;
  target.baud = static_cast<unsigned>(TryReadInteger(Property.Baud).value_or(0));
  target.frameEndMs = static_cast<unsigned>(TryReadInteger(Property.FrameEnd).value_or(kDefaultFrameEndMs));
  return target;
}

void TfmTirel::FormShow() {
  std::optional<PlayerPollFrame> poll;
  link_->WithImage([&] { LoadPlayerVariables(Property.DevicePath, list_, link_->Image()); });
  list_.Resize(pbScreen_->width(), pbScreen_->height());
  if (ModbusRtu()) {
    try {
      poll = BuildPlayerPoll(list_, Property.SlaveAddr);
    } catch (const ConversionError& error) {
      CurrentPrompt().Warning("Quillon", error.what());
      return;
    }
  }
  setCursor(Qt::BusyCursor);
  QPointer<TfmTirel> self(this);
  Context().tasks.Post([link = link_, &hub = Context().hub, port = Port(), poll = std::move(poll), self] {
    const bool attached = link->Attach(hub.Serial(), port, poll);
    OnWindowThreadCall(self, [attached, name = port.name](TfmTirel& window) { window.Attached(attached, name); });
  });
}

void TfmTirel::Attached(bool attached, const std::string& port) {
  unsetCursor();
  if (!attached) {
    tmrDataErr_->stop();
    CurrentPrompt().Warning("Quillon", PortErrorMessage(port));
    return;
  }
  if (ModbusRtu()) tmrDataErr_->start(kDataErrIntervalMs);
}

void TfmTirel::tmrDataErrTimer() {
  tmrDataErr_->setInterval(kDataErrIntervalMs);
  const std::string message = link_->Message();
  const bool good = statistics_.Tick(message);
  lbPakCnt_->setText(QString::number(statistics_.Packets()));
  lbErrCode_->setText(Text(statistics_.Code()));
  if (!good) {
    lbErrCnt_->setText(QString::number(statistics_.Errors()));
  } else {
    RefreshDisplay();
  }
  link_->Rearm();
}

void TfmTirel::RefreshDisplay() {
  link_->WithImage([&] { list_.SampleAll(); });
  Render();
  const TView* player = list_.FindVariable(kPlayerVariableName);
  if (player == nullptr) return;
  const std::uint16_t word = LastSampledWord(*player);
  ShowButtons(word);
  pnFileName_->setText(Text(ProgramPanelText(word, programName_)));
}

void TfmTirel::Render() {
  if (pbScreen_->isVisible()) pbScreen_->Render(list_, std::nullopt);
}

void TfmTirel::ShowButtons(std::uint16_t word) {
  const PlayerButtons buttons = PlayerButtonsOf(word);
  btSTARTProg_->setChecked(buttons.start);
  btPAUSEProg_->setChecked(buttons.pause);
  sbRepAuto_->setChecked(buttons.repeat);
}

void TfmTirel::btSTARTProgClick() { Command(PlayerCommand::Start); }
void TfmTirel::btPAUSEProgClick() { Command(PlayerCommand::Pause); }
void TfmTirel::btSTOPProgClick() { Command(PlayerCommand::Stop); }
void TfmTirel::sbRepAutoClick() { Command(PlayerCommand::Repeat); }

void TfmTirel::Command(PlayerCommand command) {
  TView* player = list_.FindVariable(kPlayerVariableName);
  if (player == nullptr) {
    // A click toggled the button by itself; without a player it must not look pressed.
    ShowButtons(0);
    return;
  }
  const std::uint16_t word = PlayerCommandWord(command, LastSampledWord(*player));
  ShowButtons(word);
  if (!ModbusRtu()) return;
  std::vector<std::uint8_t> frame;
  try {
    link_->WithImage(
        [&] { frame = BuildPlayerWrite(*player, word, link_->Image(), Property.SlaveAddr, link_->ByteBeforeImage()); });
  } catch (const ConversionError& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  if (frame.empty()) return;
  Context().tasks.Post([link = link_, &hub = Context().hub, frame = std::move(frame)]() mutable {
    link->Send(hub.Serial(), std::move(frame));
  });
}

void TfmTirel::btSelectProgClick() {
  fmProgSelect_->ApplyLink(Property);
  if (fmProgSelect_->exec() != QDialog::Accepted) return;
  selectionPending_ = true;
  programName_ = fmProgSelect_->FileName();
  pnFileName_->setText(Text(programName_));
  if (programName_.empty()) {
    CurrentPrompt().Warning("Quillon", kCardNoFileMessage);
    return;
  }
  const std::uint64_t generation = ++generation_;
  auto operation = std::make_shared<CardApplyQuery>(CardTargetOf().address, programName_, card_->Counters());
  QPointer<TfmTirel> self(this);
  Context().tasks.Post([card = card_, &hub = Context().hub, target = CardTargetOf(), operation = std::move(operation),
                        generation, self] {
    const CardAttach attach = card->Start(RegistriesOf(hub), target, operation, generation);
    OnWindowThreadCall(self, [generation, attach, place = target.Place()](TfmTirel& window) {
      window.ApplyStarted(generation, attach, place);
    });
  });
}

void TfmTirel::ApplyStarted(std::uint64_t generation, CardAttach attach, const std::string& place) {
  if (generation == generation_ && attach == CardAttach::PortFailed)
    CurrentPrompt().Warning("Quillon", PortErrorMessage(place));
}

void TfmTirel::ApplyStepped(const CardStep& step) {
  if (step.generation != generation_ || !step.Finished()) return;
  message_ = step.message;
  tmrMsg_->start();
}

void TfmTirel::tmrMsgTimer() {
  tmrMsg_->stop();
  if (!message_.empty()) CurrentPrompt().Warning("Quillon", message_);
  if (!selectionPending_) return;
  const ProgramPanelState state = ProgramPanelAfterApply(message_);
  btSTARTProg_->setEnabled(state.playEnabled);
  btPAUSEProg_->setEnabled(state.playEnabled);
  QPalette palette = pnFileName_->palette();
  palette.setColor(QPalette::WindowText, state.greyed ? QColor(0xC0, 0xC0, 0xC0) : QColor(Qt::black));
  pnFileName_->setPalette(palette);
}

}  // namespace quillon
