#include "scope/scope_poll.h"

#include <algorithm>

#include "device/link_status.h"
#include "link/answers.h"
#include "link/buses.h"
#include "link/spans.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

// A serial answer holds at most 256 bytes and a CRC16 call covers at most 255: anything longer
// is not an answer to our read (design: oversized input is judged as a wrong answer).
constexpr std::size_t kLongestReadAnswer = 255;
constexpr std::uint32_t kPollDelayMs = 1;
constexpr std::uint32_t kWriteDelayMs = 100;
constexpr std::int32_t kWriteExpectedLen = 5;

}  // namespace

ScopePoll::ScopePoll(TViewList& list, std::span<std::uint8_t> image)
    : list_(list), image_(image), answer_(kImageSize, 0) {}

bool ScopePoll::PreparePoll(const TBaseProperty& settings) {
  if (settings.PortName == kViewRecordPort) return false;
  const auto protocol = ProtocolOf(settings);
  if (!protocol) return false;
  const bool qubus = *protocol == Protocol::QuBUS;
  list_.LayoutByAddress(image_);
  int length = 0;
  if (qubus) {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    QuBUSSpan(list_, start, end);
    BuildQuBUSRead(&list_, settings.MemArea, start, end, request_.data(), length);
    // The answer is raw memory without header or checksum: it lands in the image directly.
    poll_.AnswerBuf = image_.data();
    poll_.AnswerCapacity = image_.size();
    poll_.ExpectedLen = request_[5];
    poll_.OnAnswer = [this](TLinkRequest& request) { ReceiveDataFromQuBUS(request); };
  } else {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    MODBUSSpan(list_, start, end, oddStart_);
    BuildMODBUSRead(settings.SlaveAddr, start, end, request_.data(), length);
    poll_.AnswerBuf = answer_.data();
    poll_.AnswerCapacity = answer_.size();
    poll_.ExpectedLen = 0;
    poll_.OnAnswer = [this](TLinkRequest& request) { ReceiveDataFromMODBUS(request); };
  }
  poll_.RequestBuf = request_.data();
  poll_.RequestLen = static_cast<std::uint32_t>(length);
  poll_.AnswerLen = 0;
  poll_.Busy = false;
  poll_.OneShot = false;
  poll_.DelayMs = kPollDelayMs;
  return true;
}

void ScopePoll::PrepareWrite(const LinkFrame& frame) {
  const std::size_t length = std::min(frame.bytes.size(), writeBuffer_.size());
  std::copy_n(frame.bytes.begin(), length, writeBuffer_.begin());
  write_.RequestBuf = writeBuffer_.data();
  write_.RequestLen = static_cast<std::uint32_t>(length);
  write_.AnswerBuf = writeBuffer_.data();
  write_.AnswerCapacity = writeBuffer_.size();
  write_.AnswerLen = 0;
  write_.OneShot = true;
  write_.Busy = false;
  write_.ExpectedLen = kWriteExpectedLen;
  write_.DelayMs = kWriteDelayMs;
  write_.OnAnswer = nullptr;
}

void ScopePoll::ReceiveDataFromQuBUS(TLinkRequest& request) {
  const std::uint32_t length = request.AnswerLen;
  if (JudgeQuBUSRead(length, static_cast<std::uint32_t>(request.ExpectedLen)) != AnswerJudgement::Valid) {
    Reject(request, kStatusTransferError);
    return;
  }
  ProcessAnswer(request);
}

void ScopePoll::ReceiveDataFromMODBUS(TLinkRequest& request) {
  const std::size_t length = request.AnswerLen;
  if (length > kLongestReadAnswer || request.AnswerBuf == nullptr) {
    Reject(request, kStatusTransferError);
    return;
  }
  // Judged against the read it answers: an exception, another slave's answer or one that
  // carries fewer registers holds none of this window's values.
  const AnswerCheck check = JudgeMODBUSAnswer(request.RequestBuf, request.RequestLen, request.AnswerBuf, length,
                                              crcCheck_.load(std::memory_order_relaxed));
  switch (check.judgement) {
    case AnswerJudgement::Valid:
      break;
    case AnswerJudgement::CrcError:
      Reject(request, kStatusTransferError | kStatusCrcError);
      return;
    case AnswerJudgement::Exception:
      exceptionCode_.store(check.exceptionCode, std::memory_order_relaxed);
      Reject(request, kStatusRequestError);
      return;
    case AnswerJudgement::NoValidAnswer:
    case AnswerJudgement::UnexpectedFunction:
    case AnswerJudgement::WrongSlave:
      Reject(request, kStatusTransferError);
      return;
  }
  DecodeMODBUSRead(request.AnswerBuf, length, oddStart_, image_.data(), image_.size(), 0);
  ProcessAnswer(request);
}

void ScopePoll::ProcessAnswer(TLinkRequest& request) {
  status_.fetch_add(1, std::memory_order_relaxed);
  list_.SampleAll();
  if (AfterSample) AfterSample();
  ServeAgain(request);
}

void ScopePoll::Reject(TLinkRequest& request, std::uint32_t bits) {
  status_.fetch_or(bits, std::memory_order_relaxed);
  // Asked again at once: a device that fell silent shows "DNR!" while polling goes on.
  ServeAgain(request);
}

void ScopePoll::ServeAgain(TLinkRequest& request) {
  if (!paused_.load(std::memory_order_relaxed)) request.Busy = false;
}

std::string ScopePoll::OneSecondTick() {
  const std::uint32_t word = status_.exchange(0, std::memory_order_relaxed);
  std::atomic_ref<std::uint8_t>(tick_).store(1);
  if ((word & kStatusTransferError) != 0) return (word & kStatusCrcError) != 0 ? "CRC!" : "DNR!";
  if ((word & kStatusRequestError) != 0) return ExceptionText(exceptionCode_.load(std::memory_order_relaxed));
  return std::to_string(word & kScopeAnswerCountMask);
}

std::string ScopeTraceLine(TViewList& list) {
  std::string line;
  for (auto it = list.Variables.rbegin(); it != list.Variables.rend(); ++it) {
    if ((*it)->IsTimeMark()) continue;
    line += (*it)->PhysicalTextAt((*it)->History.Head());
    line += ';';
  }
  line += "\r\n";
  return line;
}

}  // namespace quillon
