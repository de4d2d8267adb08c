#include "app/tools/tirel.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <stdexcept>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/tools/card_target.h"
#include "app/tools/tirel_prog_select.h"
#include "app/widgets/scope_panel.h"
#include "app/widgets/widget_helpers.h"
#include "card/card_queries.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "link/serial_port.h"
#include "link/tcpip_list.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr int kDataErrIntervalMs = 1000;
constexpr int kGoodAnswerDelayMs = 10;

}  // namespace

TfmTirel::TfmTirel(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Tirel"), parent) {
  setObjectName(QStringLiteral("fmTirel"));
  QPointer<TfmTirel> self(this);
  link_ = std::make_shared<PlayerLink>(context.hub, [self] {
    OnWindowThreadCall(self, [](TfmTirel& window) { window.tmrDataErr_->start(kGoodAnswerDelayMs); });
  });
  card_ = std::make_shared<CardLink>(context.hub, [self](CardStep step) {
    OnWindowThreadCall(self, [step = std::move(step)](TfmTirel& window) { window.ApplyStepped(step); });
  });
  BuildControls();
  fmProgSelect_ = new TfmTirelProgSelect(context, this);
}

TfmTirel::~TfmTirel() {
  tmrDataErr_->stop();
  // The records stay alive in the task until the worker that may hold them has let them go.
  Context().tasks.Post([link = link_, card = card_] {
    card->Withdraw();
    link->Detach();
  });
}

void TfmTirel::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  FormShow();
}

bool TfmTirel::ModbusRtu() const { return ProtocolOf(Property) == Protocol::MODBUSRTU; }

Endpoint TfmTirel::PlayerEndpoint() const {
  Endpoint endpoint;
  endpoint.protocol = Protocol::MODBUSRTU;
  endpoint.port = Property.PortName;
  endpoint.baud = static_cast<unsigned>(TryReadInteger(Property.Baud).value_or(0));
  endpoint.frameEndMs = static_cast<unsigned>(TryReadInteger(Property.FrameEnd).value_or(kDefaultFrameEndMs));
  return endpoint;
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
  Context().tasks.Post([link = link_, endpoint = PlayerEndpoint(), poll = std::move(poll), self] {
    const bool attached = link->Attach(endpoint, poll);
    OnWindowThreadCall(self, [attached, name = endpoint.port](TfmTirel& window) { window.Attached(attached, name); });
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
  Context().tasks.Post([link = link_, frame = std::move(frame)]() mutable { link->Send(std::move(frame)); });
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
  auto operation = std::make_shared<CardApplyQuery>(CardAddressOf(Property), programName_, card_->Counters());
  QPointer<TfmTirel> self(this);
  Context().tasks.Post(
      [card = card_, target = CardEndpointFor(Property), operation = std::move(operation), generation, self] {
        const CardAttach attach = card->Start(target, operation, generation);
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
  // A greyed name is a disabled label: the desktop's disabled text colour, light or dark.
  pnFileName_->setEnabled(!state.greyed);
}

}  // namespace quillon
