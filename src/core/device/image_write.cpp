#include "device/image_write.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "device/cell_commit.h"
#include "link/answers.h"
#include "link/buses.h"
#include "link/crc16.h"
#include "link/spans.h"
#include "platform/prompt.h"
#include "variables/entry.h"

namespace quillon {

namespace {

constexpr std::uint8_t kQuBUSFlashWriteCode = 0x12;
constexpr std::int32_t kQuBUSImageExpectedLen = 1;
constexpr std::int32_t kMODBUSImageExpectedLen = 8;

// A variable with a cell parses its base value as it writes it, and a refused one becomes 0
// (a bit's own parse refuses nothing). The parse is repeated here only to know whether to tell.
bool BaseValueRefused(TView& variable) {
  if (variable.Definition().NotInMemory || variable.Definition().NoAddress) return false;
  std::string entry = "=" + variable.BaseValue;
  variable.ParseInput(entry);
  return entry == "Error";
}

}  // namespace

std::vector<std::uint8_t> BaseImage(TViewList& list, Prompt& prompt) {
  std::vector<std::uint8_t> image(kImageSize, 0xFF);
  for (auto& variable : list.Variables) {
    variable->WriteBase(image);
    if (BaseValueRefused(*variable)) TellRefusedEntry(prompt);
  }
  return image;
}

LinkFrame BuildImageWrite(TViewList& list, const LinkFieldTexts& fields, Prompt& prompt) {
  std::vector<std::uint8_t> image = BaseImage(list, prompt);
  LinkFrame frame;
  frame.bytes.resize(kMaxFrameLength);
  int length = 0;
  if (fields.Kind() == Protocol::QuBUS) {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    QuBUSSpan(list, start, end);
    const int count = static_cast<int>(end) - static_cast<int>(start);
    CheckRequestSpan(count, kMaxQuBUSWriteBytes, "байт", "записывается");
    BuildQuBUSWrite("FLASH", start, image.data() + start, count, frame.bytes.data(), length);
    frame.expectedLen = kQuBUSImageExpectedLen;
  } else {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::uint16_t startAddress = 0;
    MODBUSWriteSpan(list, start, end, startAddress);
    const int registers = static_cast<int>(end) - static_cast<int>(start);
    const int count = 2 * registers;
    CheckRequestSpan(registers, kMaxMODBUSWriteBytes / 2, "регистров", "записывается");
    if (startAddress + static_cast<std::size_t>(count) > image.size()) {
      throw SpanTooLong(registers, "регистров", "записывается", kMaxMODBUSWriteBytes / 2);
    }
    BuildMODBUSWrite(fields.address, start, image.data() + startAddress, count, frame.bytes.data(), length);
    frame.expectedLen = kMODBUSImageExpectedLen;
  }
  frame.bytes.resize(static_cast<std::size_t>(length));
  return frame;
}

AnswerVerdict JudgeImageWriteAnswer(const LinkFieldTexts& fields, const std::vector<std::uint8_t>& request,
                                    const std::uint8_t* answer, std::size_t answerLen) {
  if (IsSilence(answerLen, fields.Tcp())) return AnswerVerdict::Silent();
  if (fields.Kind() == Protocol::QuBUS) {
    return answer[0] == kQuBUSFlashWriteCode ? AnswerVerdict::Accepted() : AnswerVerdict::Error(kStatusRequestError);
  }
  return VerdictOf(JudgeMODBUSAnswer(request.data(), request.size(), answer, answerLen).judgement);
}

bool CopyControllerToBase(DeviceParameters& parameters, Prompt& prompt) {
  TViewList& list = parameters.List();
  const auto copied = [&parameters](const TView& variable) {
    return !variable.Definition().NotInMemory && parameters.IsRead(variable);
  };
  bool changed = false;
  for (auto& variable : list.Variables) {
    if (!copied(*variable)) continue;
    std::string controller = variable->ColumnTextAt(kControllerHexKind, variable->History.Head());
    if (controller != variable->BaseValue) changed = true;
    variable->BaseValue = std::move(controller);
  }
  // Second pass: a ratio is computed against its reference's new base value.
  for (auto& variable : list.Variables) {
    if (!copied(*variable) || !IsDependent(*variable)) continue;
    if (const auto warning = variable->UpdateRatio("=" + variable->BaseValue))
      prompt.Warning("Предупреждение", *warning);
  }
  return changed;
}

}  // namespace quillon
