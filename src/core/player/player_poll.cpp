#include "player/player_poll.h"

#include <array>

#include "link/answers.h"
#include "link/buses.h"
#include "link/crc16.h"
#include "link/spans.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"
#include "workspace/device_file.h"

namespace quillon {

void LoadPlayerVariables(const std::string& devicePath, TViewList& list, std::span<std::uint8_t> image) {
  list.ClearVariables();
  list.Path = devicePath;
  list.AddressStep = 1;
  for (const std::string& line : ReadDeviceSections(devicePath, kReadVars).vars) list.AddScale(line);
  for (const std::string& line : ReadParameterSection(devicePath, "RAM")) {
    try {
      CreateVariable(line, kDefaultViewParameters, image, list);
    } catch (const ConversionError&) {
      // A line edited by hand must not take the others with it.
    }
  }
  list.Rescale();
  list.LayoutByAddress(image);
  // The drawing area draws the list's first row over the others, where scope windows keep their
  // time marks: without a mark row there, the first variable would hide the second.
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &list;
  list.Variables.insert(list.Variables.begin(), std::move(mark));
}

PlayerPollFrame BuildPlayerPoll(const TViewList& list, std::string_view slaveAddress) {
  std::uint16_t start = 0;
  std::uint16_t end = 0;
  PlayerPollFrame frame;
  MODBUSSpan(list, start, end, frame.oddStart);
  frame.bytes.resize(kMaxFrameLength);
  int length = 0;
  BuildMODBUSRead(slaveAddress, start, end, frame.bytes.data(), length);
  frame.bytes.resize(static_cast<std::size_t>(length));
  return frame;
}

std::string JudgePlayerPoll(std::span<const std::uint8_t> request, const std::uint8_t* answer, std::size_t answerLen) {
  const AnswerCheck check = JudgeMODBUSAnswer(request.data(), request.size(), answer, answerLen);
  switch (check.judgement) {
    case AnswerJudgement::Valid:
      return {};
    case AnswerJudgement::CrcError:
      return kPollCrcMessage;
    case AnswerJudgement::Exception:
      return kPollRefusedMessage + ExceptionText(check.exceptionCode);
    case AnswerJudgement::WrongSlave:
    case AnswerJudgement::UnexpectedFunction:
      return kPollOtherAnswerMessage;
    case AnswerJudgement::NoValidAnswer:
      break;
  }
  return kPollLengthMessage;
}

bool HasControllerCell(const TView& variable) {
  return !variable.Definition().NotInMemory && !variable.Definition().NoAddress && !variable.IsTimeMark() &&
         variable.DataPtr != nullptr;
}

std::uint16_t LastSampledWord(const TView& variable) {
  return static_cast<std::uint16_t>(variable.SampleAt(variable.History.Head()));
}

std::vector<std::uint8_t> BuildPlayerWrite(const TView& player, std::uint16_t word, std::span<const std::uint8_t> image,
                                           std::string_view slaveAddress, std::optional<std::uint8_t> byteBeforeImage) {
  if (!HasControllerCell(player) || player.DataPtr < image.data() || player.DataPtr >= image.data() + image.size())
    return {};
  std::array<std::uint8_t, 2> value{static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)};
  if (player.Definition().Size == 1) {
    // The image starts at the lowest address of the list, not at address 0.
    const auto offset = static_cast<std::size_t>(player.DataPtr - image.data());
    if (player.Definition().HighByte && offset == 0) {
      if (!byteBeforeImage) return {};
      value = {*byteBeforeImage, value[0]};
    } else {
      value = RegisterBytesForByte(value[0], image.data(), image.size(), offset, player.Definition().HighByte);
    }
  }
  std::vector<std::uint8_t> frame(2 + 9);
  int length = 0;
  BuildMODBUSWrite(slaveAddress, player.Definition().Register, value.data(), 2, frame.data(), length);
  frame.resize(static_cast<std::size_t>(length));
  return frame;
}

}  // namespace quillon
