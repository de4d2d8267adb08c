#include "link/device_search.h"

#include <algorithm>
#include <utility>

#include "link/answers.h"
#include "link/crc16.h"
#include "text/cp1251.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

namespace {

constexpr std::uint8_t kReportSlaveID = 0x11;

}  // namespace

std::array<std::uint8_t, kSearchFrameLength> BuildSearchFrame(std::uint8_t address) {
  std::array<std::uint8_t, kSearchFrameLength> frame{address, kReportSlaveID, 0, 0};
  const std::uint16_t crc = CRC16(frame.data(), 2);
  frame[2] = static_cast<std::uint8_t>(crc & 0xFF);
  frame[3] = static_cast<std::uint8_t>(crc >> 8);
  return frame;
}

DeviceSweep::DeviceSweep(StepHandler onStep) : onStep_(std::move(onStep)), answer_(kSearchAnswerCapacity, 0) {
  request_.AnswerBuf = answer_.data();
  request_.AnswerCapacity = answer_.size();
  request_.RequestBuf = frame_.data();
  request_.RequestLen = kSearchFrameLength;
}

void DeviceSweep::Start() { Start(1, 256); }

void DeviceSweep::Start(std::uint8_t first, unsigned count) {
  stopped_ = false;
  first_ = first;
  count_ = std::clamp(count, 1u, 256u);
  asked_ = 0;
  counter_ = first;
  frame_ = BuildSearchFrame(first);
  std::fill(answer_.begin(), answer_.end(), 0);
  request_.AnswerLen = 0;
  request_.OneShot = false;
  request_.Busy = false;
  request_.DelayMs = 0;
  request_.OnAnswer = [this](TLinkRequest& request) { HandleAnswer(request); };
}

void DeviceSweep::Stop() {
  request_.OneShot = true;
  stopped_ = true;
}

void DeviceSweep::HandleAnswer(TLinkRequest& request) {
  // The counter wraps through 0, so the window's sweep asks address 0 last.
  const std::uint8_t asked = counter_.load();
  const std::uint8_t next = static_cast<std::uint8_t>(asked + 1);
  counter_ = next;
  ++asked_;
  SweepStep step;
  step.asked = asked;
  step.counter = next;
  const std::size_t received = std::min<std::size_t>(request.AnswerLen.load(), answer_.size());
  if (received > 0 && answer_[0] == asked &&
      JudgeMODBUSReportSlaveID(answer_.data(), received) == AnswerJudgement::Valid) {
    step.found = MODBUSReportSlaveIDText(answer_.data(), received);
  }
  step.last = asked_ >= count_ || stopped_.load();
  if (step.last) {
    request.OneShot = true;
  } else {
    frame_ = BuildSearchFrame(next);
    std::fill(answer_.begin(), answer_.end(), 0);
    request.AnswerLen = 0;
    request.DelayMs = kSearchNextDelayMs;
    request.Busy = false;
  }
  if (onStep_) onStep_(std::move(step));
}

std::optional<FoundDevice> ProcessFoundText(const WorkspacePaths& paths, std::string_view text) {
  const std::size_t length = Utf8Length(text);
  const std::string cut = length == 0 ? std::string() : Utf8Left(text, length - 1);
  std::string id = FilterIdentificationText(cut);
  if (!ParseIdentification(id)) return std::nullopt;
  FoundDevice found;
  found.devicePath = FindDeviceFile(paths, id).path;
  found.noDeviceFile = found.devicePath.empty();
  found.id = std::move(id);
  return found;
}

SearchProgressGeometry SearchProgress(int panelWidth, int panelHeight, std::uint8_t counter) {
  SearchProgressGeometry geometry;
  geometry.outline = {3, panelHeight - 10, panelWidth - 4, panelHeight - 3};
  const int top = panelHeight - 8;
  geometry.bar = {5, top, 5 + counter * (panelWidth - 10) / 256, top + 3};
  return geometry;
}

}  // namespace quillon
