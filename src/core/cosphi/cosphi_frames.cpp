#include "cosphi/cosphi_frames.h"

#include <cmath>
#include <numbers>

#include "link/spans.h"
#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view.h"
#include "variables/view_list.h"

namespace quillon {

std::optional<PollFrame> BuildListRead(const TViewList& list, std::string_view area) {
  std::uint16_t start = 0;
  std::uint16_t end = 0;
  QuBUSSpan(list, start, end);
  if (start == 0xFFFF && end == 0) return std::nullopt;
  PollFrame frame;
  int length = 0;
  BuildQuBUSRead(&list, area, start, end, frame.bytes.data(), length);
  frame.expectedLen = frame.bytes[5];
  return frame;
}

PollFrame BuildPhaseBufferRead() {
  PollFrame frame;
  int length = 0;
  BuildQuBUSRead(1, "XRAM", kPhaseBufferAddress, kPhaseBufferAddress + kPhaseBufferLength, frame.bytes.data(), length);
  frame.expectedLen = kPhaseBufferLength;
  return frame;
}

bool AnswerFits(std::uint32_t answerLen, std::int32_t expectedLen) {
  return answerLen != 0 && answerLen == static_cast<std::uint32_t>(expectedLen & 0xFF);
}

std::optional<std::vector<std::uint8_t>> BuildValueWrite(TView& variable, std::string_view area,
                                                         const std::string& text, Prompt& prompt) {
  if (variable.Definition().NoAddress || variable.Definition().NotInMemory) return std::nullopt;
  std::string entry = "=" + text;
  std::uint32_t raw = ParseTypedEntry(variable, entry, prompt);
  if (entry == "Error") return std::nullopt;
  if (variable.Kind() == ViewKind::Bit) {
    const std::uint8_t current = variable.DataPtr != nullptr ? variable.DataPtr[0] : 0;
    const auto bits = static_cast<std::uint8_t>(variable.Definition().Mask & 0xFF);
    raw = raw != 0 ? (current | bits) : (current & static_cast<std::uint8_t>(~bits));
  }
  const int size =
      variable.Definition().Size < 1 ? 1 : (variable.Definition().Size > 4 ? 4 : variable.Definition().Size);
  std::array<std::uint8_t, 4> data{};
  for (int i = 0; i < size; ++i) data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(raw >> (8 * i));
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(size) + 7);
  int length = 0;
  BuildQuBUSWrite(area, variable.Definition().Address, data.data(), size, frame.data(), length);
  frame.resize(static_cast<std::size_t>(length));
  return frame;
}

std::optional<std::string> CosineText(const std::string& angleText) {
  const auto angle = TryReadReal(angleText);
  if (!angle) return std::nullopt;
  return FormatFixed(std::cos(std::numbers::pi * *angle / 180.0), 3, true);
}

std::string FilterOffsetEntry(std::string text) {
  KeepChars(text, kOffsetChars);
  return text;
}

PhaseStrips ExtractPhaseStrips(std::span<const std::uint8_t> buffer) {
  PhaseStrips strips;
  for (std::size_t i = 0; i < strips.voltage.size() && i < buffer.size(); ++i) {
    strips.voltage[i] = (buffer[i] & kVoltagePhaseBit) != 0;
    strips.current[i] = (buffer[i] & kCurrentPhaseBit) != 0;
  }
  return strips;
}

}  // namespace quillon
