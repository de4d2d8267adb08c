#include "app/tools/cos_ftune.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/support/tool_attach.h"
#include "app/support/window_thread.h"
#include "app/tools/phase_strip.h"
#include "app/widgets/widget_helpers.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "link/serial_port.h"
#include "text/numbers.h"

namespace quillon {
namespace {

std::optional<QColor> PenOf(const std::optional<Colour>& colour) {
  if (!colour) return std::nullopt;
  return QColor(RedOf(*colour), GreenOf(*colour), BlueOf(*colour));
}

void ShowIfKnown(QLineEdit* edit, const std::optional<std::string>& text) {
  if (text) edit->setText(Text(*text));
}

}  // namespace

TFmCOSFTune::TFmCOSFTune(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Настройка контура COS Ф"), parent) {
  setObjectName(QStringLiteral("FmCOSFTune"));
  BuildControls();
  QPointer<TFmCOSFTune> self(this);
  link_ = std::make_shared<CosPhiLink>(
      Context().hub,
      [self](const std::array<std::uint8_t, kPhaseImageSize>& buffer) {
        OnWindowThreadCall(self, [buffer](TFmCOSFTune& w) { w.DrawStrips(buffer); });
      },
      [self](const std::string& text) { OnWindowThreadCall(self, [text](TFmCOSFTune& w) { w.OffsetLoaded(text); }); });
  connect(btConnect_, &QPushButton::clicked, this, [this] { btConnectClick(); });
  connect(edCOSDF_, &QLineEdit::returnPressed, this, [this] { edCOSDFKeyPress(); });
  connect(tmrTraffic_, &QTimer::timeout, this, [this] { tmrTrafficTimer(); });
  connect(tmrRefresh_, &QTimer::timeout, this, [this] { tmrRefreshTimer(); });
  connect(tmrCosBufReady_, &QTimer::timeout, this, [this] { tmrCosBufReadyTimer(); });
}

TFmCOSFTune::~TFmCOSFTune() {
  // The records stay alive in the task until the worker that may hold them has let them go.
  Context().tasks.Post([link = link_] { link->Detach(); });
}

void TFmCOSFTune::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  FormShow();
}

void TFmCOSFTune::closeEvent(QCloseEvent* event) {
  FormClose();
  TToolWindow::closeEvent(event);
}

void TFmCOSFTune::FormShow() {
  tmrTraffic_->start();
  tmrRefresh_->start();
}

void TFmCOSFTune::FormClose() {
  tmrTraffic_->stop();
  tmrRefresh_->stop();
  Context().tasks.Post([link = link_] { link->Detach(); });
}

void TFmCOSFTune::btConnectClick() {
  const std::optional<Endpoint> endpoint = ReadToolEndpoint(Property);
  if (!endpoint) return;
  // What an earlier connection showed is not this controller's.
  for (QLineEdit* edit : {edUs_, edIs_, edF_, edCOS_}) edit->clear();
  btConnect_->setEnabled(false);
  setCursor(Qt::BusyCursor);
  AttachOnQueue(Context().tasks, link_, *endpoint, this, &TFmCOSFTune::Connected, Property.DevicePath);
}

void TFmCOSFTune::Connected(bool attached, const std::string& port) {
  unsetCursor();
  btConnect_->setEnabled(true);
  if (!attached) CurrentPrompt().Warning("Quillon", PortErrorMessage(port));
}

void TFmCOSFTune::Write(CosPhiLink::Area area, std::string_view name, const std::string& text) {
  Context().tasks.Post([link = link_, area, name = std::string(name), text] {
    try {
      // Told as the refusal happens, as the variable's own parse always did.
      link->Write(area, name, text, CurrentPrompt());
    } catch (const std::exception&) {
      // A text the variable cannot take sends nothing; the field shows the value read back.
    }
  });
}

void TFmCOSFTune::edCOSDFKeyPress() {
  const std::string filtered = FilterOffsetEntry(edCOSDF_->text().toStdString());
  edCOSDF_->setText(Text(filtered));
  Write(CosPhiLink::Area::Flash, kOffsetName, filtered);
}

void TFmCOSFTune::OffsetLoaded(const std::string& text) { edCOSDF_->setText(Text(text)); }

void TFmCOSFTune::tmrRefreshTimer() {
  const CosPhiValues values = link_->Values();
  ShowIfKnown(edUs_, values.statorVoltage);
  ShowIfKnown(edIs_, values.statorCurrent);
  ShowIfKnown(edF_, values.angle);
  ShowIfKnown(edCOS_, values.cosine);
  if (values.hasBufferRequest && !tmrCosBufReady_->isActive()) {
    Write(CosPhiLink::Area::Ram, kBufferRequestName, "1");
    tmrCosBufReady_->start();
  }
  link_->RearmRamPoll();
}

void TFmCOSFTune::tmrCosBufReadyTimer() {
  tmrCosBufReady_->stop();
  link_->RearmBufferRead();
}

void TFmCOSFTune::tmrTrafficTimer() {
  const CosPhiStatus status = link_->TakeStatus();
  lbSPS_->setText(status.failed ? QStringLiteral("DNR!") : QString::number(status.goodReplies));
}

void TFmCOSFTune::DrawStrips(const std::array<std::uint8_t, kPhaseImageSize>& buffer) {
  const PhaseStrips strips = ExtractPhaseStrips(buffer);
  const StripColours colours = link_->Colours();
  // Without the two bits of the buffer there are no pens, and the strips stay blank.
  gbU_->Draw(strips.voltage, PenOf(colours.voltage));
  gbI_->Draw(strips.current, PenOf(colours.current));
}

}  // namespace quillon
