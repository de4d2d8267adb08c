// The event tool's exchanges with the controller (the oscillogram rate, a counter's new value)
// and the oscillogram around an event, from the controller or from a local file.
#include <QFileDialog>
#include <QPointer>
#include <algorithm>
#include <stdexcept>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/tools/brenn_ab.h"
#include "app/tools/card_target.h"
#include "app/tools/form_change_counter.h"
#include "app/tools/form_limit.h"
#include "app/tools/rem_file_op.h"
#include "app/widgets/widget_helpers.h"
#include "events/event_exchanges.h"
#include "events/event_frames.h"
#include "events/osc_decode.h"
#include "events/osc_search.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "link/tcpip_list.h"
#include "platform/files.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr const char* kNoEventSelectedText = "Не выбрана запись для просмотра.";
constexpr const char* kFileNotOpenText = "ФАЙЛ НЕ ОТКРЫТ!";
constexpr const char* kNoOscRateText = "Контроллер не записывает осциллограммы (частота записи 0).";

}  // namespace

Endpoint TfmBrennAB::Target() const { return CardEndpointFor(Property); }

void TfmBrennAB::StartExchange(Exchange kind, std::shared_ptr<CardOperation> operation) {
  exchange_ = kind;
  const std::uint64_t generation = ++generation_;
  QPointer<TfmBrennAB> self(this);
  Context().tasks.Post([link = link_, target = Target(), operation = std::move(operation), generation, self] {
    const CardAttach attach = link->Start(target, operation, generation);
    OnWindowThreadCall(self, [generation, attach, place = target.Place()](TfmBrennAB& window) {
      window.ExchangeAttached(generation, attach, place);
    });
  });
}

void TfmBrennAB::ExchangeAttached(std::uint64_t generation, CardAttach attach, const std::string& place) {
  if (generation != generation_ || attach != CardAttach::PortFailed) return;
  exchange_ = Exchange::None;
  Warn(PortErrorMessage(place));
}

void TfmBrennAB::ExchangeOver(const CardStep& step) {
  if (step.generation != generation_) return;
  const Exchange kind = exchange_;
  exchange_ = Exchange::None;
  if (kind == Exchange::Rate) OscRateAnswered(step);
}

void TfmBrennAB::Withdraw() {
  Context().tasks.Post([link = link_] { link->Withdraw(); });
}

void TfmBrennAB::btChangeCountClick() {
  if (!selectedStat_ || *selectedStat_ >= stats_.size()) return;
  const StatEntry& entry = stats_[*selectedStat_];
  formChangeCounter_->SetCounter(Text(entry.name), entry.value);
  formChangeCounter_->open();
}

void TfmBrennAB::ButtonNewCountClick() {
  const auto value = formChangeCounter_->Value();
  if (!selectedStat_ || !value) return;
  try {
    StartExchange(Exchange::Counter, std::make_shared<CounterChange>(Property.SlaveAddr, *value));
  } catch (const std::exception&) {
    // An address that is no number: the controller cannot be reached at all.
    Warn(PortErrorMessage(Property.PortName));
  }
}

void TfmBrennAB::btShowOSCClick() {
  if (!selectedEvent_) {
    Warn(kNoEventSelectedText);
    return;
  }
  oscFromFile_ = false;
  formLimit_->open();
}

void TfmBrennAB::btShowOSCFromFileClick() {
  if (!selectedEvent_) {
    Warn(kNoEventSelectedText);
    return;
  }
  RemoveFile(Context().paths.records + "OSC.rec");
  const auto path = AskDataPath(Context().paths.EventsAndStats(), QStringLiteral("All files (*)"));
  if (!path) return;
  oscFromFile_ = true;
  oscSourcePath_ = *path;
  formLimit_->open();
}

void TfmBrennAB::OscLimitsChosen() {
  secondsBefore_ = formLimit_->SecondsBefore();
  secondsAfter_ = formLimit_->SecondsAfter();
  if (oscFromFile_) {
    OscFromFile(oscSourcePath_);
    return;
  }
  rateQuery_ = std::make_shared<OscRateQuery>(CardAddressOf(Property));
  StartExchange(Exchange::Rate, rateQuery_);
}

void TfmBrennAB::OscRateAnswered(const CardStep& step) {
  if (step.outcome != CardOutcome::Done || !rateQuery_ || !selectedEvent_) {
    Warn(kOscRateCrcErrorText);
    return;
  }
  oscRate_ = rateQuery_->Rate();
  // No samples a second: the span would be empty, which the file window takes as "all of it".
  if (oscRate_ == 0) {
    Warn(kNoOscRateText);
    return;
  }
  const EventRecord& event = events_[*selectedEvent_].record;
  TRemFileOp::WantedFile wanted;
  wanted.name = "OSC.dat";
  wanted.position = event.position;
  wanted.recordsBefore = static_cast<std::uint32_t>(secondsBefore_ * oscRate_);
  wanted.byteCount = static_cast<std::uint32_t>((secondsBefore_ + secondsAfter_) * oscRate_ * kOscRecordSize);
  QPointer<TfmBrennAB> self(this);
  fileWindow_->StartAutomaticDownload(Property, wanted, [self](bool received, const std::string& message) {
    if (self) self->OscDownloaded(received, message);
  });
}

void TfmBrennAB::OscDownloaded(bool received, const std::string& message) {
  // An OSC.dat left by an earlier download belongs to another event.
  if (!received) {
    Warn(message.empty() ? kNotReceivedText : message);
    return;
  }
  if (!message.empty()) Warn(message);
  auto file = OscFile::Open(Context().paths.EventsAndStats() + "OSC.dat");
  if (!file || !selectedEvent_) {
    Warn(kFileOpenFailedText);
    return;
  }
  // The download began before the event as far as the file's start allowed: the event lies as
  // many records into it as were asked for before it, or as there were.
  const std::uint32_t position = events_[*selectedEvent_].record.position;
  const auto asked = static_cast<std::uint32_t>(secondsBefore_ * oscRate_);
  const std::uint32_t before = std::min(position, asked);
  OscRecorder recorder(devicePath_);
  const OscDecodeResult result =
      DecodeOsc(*file,
                {0, std::nullopt, std::uint64_t{before} * kOscRecordSize, static_cast<std::uint32_t>(secondsBefore_),
                 static_cast<std::uint32_t>(secondsAfter_)},
                recorder);
  if (!result) {
    Warn(result.message);
    return;
  }
  if (before < asked) Warn(OscShortenedBeforeText(before / std::max<std::uint32_t>(oscRate_, 1)));
  if (!result.Note().empty()) Warn(result.Note());
  OpenOscRecord(recorder);
}

void TfmBrennAB::OscFromFile(const std::string& path) {
  auto file = OscFile::Open(path);
  if (!file || !selectedEvent_) {
    Warn(kFileNotOpenText);
    return;
  }
  const OscDecodeRange range =
      OscRangeAround(*file, events_[*selectedEvent_].record.position, static_cast<std::uint32_t>(secondsBefore_),
                     static_cast<std::uint32_t>(secondsAfter_));
  OscRecorder recorder(devicePath_);
  const OscDecodeResult result = DecodeOsc(*file, range, recorder);
  if (!result) {
    Warn(result.message);
    return;
  }
  if (!result.Note().empty()) Warn(result.Note());
  OpenOscRecord(recorder);
}

void TfmBrennAB::OpenOscRecord(OscRecorder& recorder) {
  const std::string path = Context().paths.records + "OSC.rec";
  if (recorder.Write(path, CurrentPrompt()) == 0) return;
  if (Context().openRecord) Context().openRecord(path);
}

}  // namespace quillon
