#include "cosphi/cosphi_link.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "link/link_hub.h"
#include "variables/integer_types.h"

namespace quillon {
namespace {

void PreparePoll(TLinkRequest& request, const PollFrame& frame, std::uint8_t* answer, std::size_t capacity) {
  request.AnswerBuf = answer;
  request.AnswerCapacity = capacity;
  request.RequestBuf = frame.bytes.data();
  request.RequestLen = static_cast<std::uint32_t>(frame.bytes.size());
  request.ExpectedLen = frame.expectedLen;
  request.DelayMs = kCosPhiDelayMs;
  request.OneShot = false;
  request.Busy = false;
}

std::optional<std::string> Shown(TViewList& list, std::string_view name, int kind) {
  TView* variable = list.FindVariable(name);
  if (variable == nullptr) return std::nullopt;
  return variable->ColumnTextAt(kind, variable->History.Head());
}

std::optional<Colour> BitColour(TViewList& list, int index) {
  int seen = 0;
  for (const auto& variable : list.Variables) {
    const auto* bit = dynamic_cast<const TBit*>(variable.get());
    if (bit == nullptr) continue;
    if (seen++ == index) return bit->TrendColour;
  }
  return std::nullopt;
}

}  // namespace

CosPhiLink::CosPhiLink(LinkHub& hub, BufferLoaded buffer, OffsetLoaded offset)
    : bufferLoaded_(std::move(buffer)), offsetLoaded_(std::move(offset)), attachment_(hub) {
  bufferFrame_ = BuildPhaseBufferRead();
  PreparePoll(bufferRead_, bufferFrame_, lists_.phaseImage.data(), lists_.phaseImage.size());
  ramPoll_.OnAnswer = [this](TLinkRequest& request) { RamAnswered(request); };
  flashPoll_.OnAnswer = [this](TLinkRequest& request) { FlashAnswered(request); };
  bufferRead_.OnAnswer = [this](TLinkRequest& request) { BufferAnswered(request); };
  for (TLinkRequest* write : {&ramWrite_, &flashWrite_}) {
    write->AnswerBuf = writeAnswer_.data();
    write->AnswerCapacity = writeAnswer_.size();
    write->DelayMs = kCosPhiDelayMs;
    write->ExpectedLen = 1;
  }
}

void CosPhiLink::RamAnswered(TLinkRequest& request) {
  const std::uint32_t length = request.AnswerLen.load();
  std::lock_guard lock(mutex_);
  if (!AnswerFits(length, request.ExpectedLen)) {
    status_.failed = true;
    return;
  }
  ++status_.goodReplies;
  std::copy_n(ramAnswer_.begin(), std::min<std::size_t>(length, lists_.ramImage.size()), lists_.ramImage.begin());
  lists_.ram.SampleAll();
  ramAnswered_ = true;
}

void CosPhiLink::FlashAnswered(TLinkRequest& request) {
  const std::uint32_t length = request.AnswerLen.load();
  std::optional<std::string> offset;
  {
    std::lock_guard lock(mutex_);
    if (!AnswerFits(length, request.ExpectedLen)) {
      status_.failed = true;
      return;
    }
    ++status_.goodReplies;
    std::copy_n(flashAnswer_.begin(), std::min<std::size_t>(length, lists_.flashImage.size()),
                lists_.flashImage.begin());
    lists_.flash.SampleAll();
    offset = Shown(lists_.flash, kOffsetName, 6);
  }
  if (offset && offsetLoaded_) offsetLoaded_(*offset);
}

void CosPhiLink::BufferAnswered(TLinkRequest& request) {
  const std::uint32_t length = request.AnswerLen.load();
  std::array<std::uint8_t, kPhaseImageSize> buffer{};
  {
    std::lock_guard lock(mutex_);
    if (!AnswerFits(length, request.ExpectedLen)) {
      status_.failed = true;
      return;
    }
    ++status_.goodReplies;
    buffer = lists_.phaseImage;
  }
  if (bufferLoaded_) bufferLoaded_(buffer);
}

bool CosPhiLink::Attach(const Endpoint& endpoint, const std::string& devicePath) {
  Detach();
  {
    std::lock_guard lock(mutex_);
    BuildCosPhiLists(devicePath, lists_);
    ramAnswered_ = false;
    ramFrame_ = BuildListRead(lists_.ram, "RAM").value_or(PollFrame{});
    flashFrame_ = BuildListRead(lists_.flash, "FLASH").value_or(PollFrame{});
  }
  // Configured before the polls go in, so none of them goes out at the old speed.
  if (attachment_.Open(endpoint)) return false;
  PreparePoll(ramPoll_, ramFrame_, ramAnswer_.data(), ramAnswer_.size());
  PreparePoll(flashPoll_, flashFrame_, flashAnswer_.data(), flashAnswer_.size());
  bufferRead_.OneShot = false;
  bufferRead_.Busy = false;
  // A list without variables has nothing to read: its poll stays idle.
  if (ramFrame_.expectedLen != 0) attachment_.Add(ramPoll_);
  if (flashFrame_.expectedLen != 0) attachment_.Add(flashPoll_);
  attachment_.Add(bufferRead_);
  return true;
}

void CosPhiLink::Detach() {
  for (TLinkRequest* request : {&ramPoll_, &flashPoll_, &bufferRead_, &ramWrite_, &flashWrite_}) {
    request->OneShot = true;
    attachment_.Withdraw(*request);
  }
  attachment_.Leave();
}

bool CosPhiLink::Write(Area area, std::string_view name, const std::string& text, Prompt& prompt) {
  if (!attachment_.Place()) return false;
  TLinkRequest& request = area == Area::Ram ? ramWrite_ : flashWrite_;
  std::vector<std::uint8_t>& frame = area == Area::Ram ? ramWriteFrame_ : flashWriteFrame_;
  // Out of the worker before its frame changes; a write not yet sent gives way to the newer one.
  attachment_.Withdraw(request);
  {
    std::lock_guard lock(mutex_);
    TView* variable = (area == Area::Ram ? lists_.ram : lists_.flash).FindVariable(name);
    if (variable == nullptr) return false;
    auto built = BuildValueWrite(*variable, area == Area::Ram ? "RAM" : "FLASH", text, prompt);
    if (!built) return false;
    frame = std::move(*built);
  }
  request.RequestBuf = frame.data();
  request.RequestLen = static_cast<std::uint32_t>(frame.size());
  request.OneShot = true;
  request.Busy = false;
  attachment_.Add(request);
  // The worker serves the newest record first, so the poll reads the value after the write.
  if (area == Area::Flash) flashPoll_.Busy = false;
  return true;
}

CosPhiValues CosPhiLink::Values() {
  std::lock_guard lock(mutex_);
  CosPhiValues values;
  // The empty image is no reading: nothing is shown before this controller's first answer.
  if (ramAnswered_) {
    values.statorVoltage = Shown(lists_.ram, kStatorVoltageName, 6);
    values.statorCurrent = Shown(lists_.ram, kStatorCurrentName, 5);
    values.angle = Shown(lists_.ram, kAngleName, 6);
    if (values.angle) values.cosine = CosineText(*values.angle);
  }
  values.hasBufferRequest = lists_.ram.FindVariable(kBufferRequestName) != nullptr;
  return values;
}

CosPhiStatus CosPhiLink::TakeStatus() {
  std::lock_guard lock(mutex_);
  return std::exchange(status_, CosPhiStatus{});
}

StripColours CosPhiLink::Colours() {
  std::lock_guard lock(mutex_);
  return StripColours{BitColour(lists_.xram, 0), BitColour(lists_.xram, 1)};
}

}  // namespace quillon
