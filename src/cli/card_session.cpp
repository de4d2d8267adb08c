#include "cli/card_session.h"

#include <chrono>
#include <cstdio>

#include "card/traffic_meter.h"
#include "cli/link_session.h"
#include "device/link_status.h"
#include "text/numbers.h"

namespace quillon::cli {

namespace {

// A line quiet this long has no controller on it (a serial worker answers silence with an empty
// answer within a second; a TCP worker whose peer went away does not answer at all).
constexpr std::chrono::seconds kSilenceLimit{5};
// How often a stop asked for by a signal is looked at.
constexpr std::chrono::milliseconds kStopCheck{50};
constexpr const char* kStoppedMessage = "Передача прервана";

void ShowProgress(const TrafficTexts& texts) {
  std::fprintf(stderr, "\rПередано байт: %s Скорость: %s Принято блоков: %s Ошибки: %s\033[K", texts.bytes.c_str(),
               texts.speed.c_str(), texts.blocks.c_str(), texts.errors.c_str());
  std::fflush(stderr);
}

}  // namespace

CardSession::CardSession(const LinkFieldTexts& fields, const std::string& programDirectory, bool trace)
    : hub_(programDirectory),
      trace_(hub_.Traffic(), trace),
      link_(hub_, [this](CardStep step) { Take(std::move(step)); }) {
  const auto address = TryReadInteger(fields.address);
  if (!address || *address < 0 || *address > 255) throw LinkFailure("Адрес устройства - это число от 0 до 255");
  const std::optional<Endpoint> endpoint = EndpointOf(fields);
  if (!endpoint) throw LinkFailure("Неверные настройки связи");
  target_ = *endpoint;
}

CardSession::~CardSession() { link_.Withdraw(); }

void CardSession::Take(CardStep step) {
  std::lock_guard lock(mutex_);
  steps_.push_back(std::move(step));
  arrived_.notify_all();
}

CardStep CardSession::Run(std::shared_ptr<CardOperation> operation, bool progress, std::vector<std::string>* names,
                          const volatile std::sig_atomic_t* stop) {
  const std::uint64_t generation = ++generation_;
  const CardKind kind = operation->Kind();
  if (link_.Start(target_, std::move(operation), generation) == CardAttach::PortFailed) {
    throw LinkFailure(PortErrorMessage(target_.Place()));
  }
  TrafficMeter meter;
  std::uint64_t served = link_.Served();
  auto quietSince = std::chrono::steady_clock::now();
  auto nextTick = quietSince;
  while (true) {
    if (stop != nullptr && *stop != 0) {
      // The link holds the only reference: withdrawn, the operation goes, and with it what it
      // had written so far.
      link_.Withdraw();
      if (progress) std::fputc('\n', stderr);
      // An operation that ended just before is what happened, whatever came after.
      std::lock_guard lock(mutex_);
      for (CardStep& step : steps_) {
        if (step.generation == generation && step.Finished()) return std::move(step);
      }
      return MakeCardStep(kind, CardOutcome::BadAnswer, kStoppedMessage);
    }
    std::unique_lock lock(mutex_);
    const auto wait = stop != nullptr ? kStopCheck : std::chrono::milliseconds(kTrafficTickMs);
    arrived_.wait_for(lock, wait, [this] { return !steps_.empty(); });
    while (!steps_.empty()) {
      CardStep step = std::move(steps_.front());
      steps_.pop_front();
      if (step.generation != generation) continue;
      if (step.fileName && names != nullptr) names->push_back(*step.fileName);
      if (!step.Finished()) continue;
      if (progress) {
        ShowProgress(meter.Tick(link_.Counters()));
        std::fputc('\n', stderr);
      }
      return step;
    }
    lock.unlock();
    const auto now = std::chrono::steady_clock::now();
    if (now < nextTick) continue;
    nextTick = now + std::chrono::milliseconds(kTrafficTickMs);
    if (progress) ShowProgress(meter.Tick(link_.Counters()));
    if (link_.Served() != served) {
      served = link_.Served();
      quietSince = now;
    } else if (now - quietSince > kSilenceLimit) {
      if (progress) std::fputc('\n', stderr);
      throw LinkFailure(kNoAnswerMessage);
    }
  }
}

}  // namespace quillon::cli
