#include "device/device_parameters.h"

#include <algorithm>
#include <stdexcept>

#include "link/answers.h"
#include "link/buses.h"
#include "link/spans.h"
#include "text/cp1251.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "workspace/device_file.h"

namespace quillon {

namespace {

// The variables whose bytes an accepted read brings: those laid out in the buffer.
bool InReadSpan(const TView& variable) {
  return variable.HasControllerCell() && variable.DataPtr != nullptr;
}

std::string WithoutLastCharacter(const std::string& text) {
  const std::size_t length = Utf8Length(text);
  return length == 0 ? std::string() : Utf8Left(text, length - 1);
}

}  // namespace

DeviceParameters::DeviceParameters() : buffer_(kImageSize, 0) {}

std::vector<std::string> DeviceParameters::Load(const std::string& path, std::string_view section) {
  Clear();
  list_.Path = path;
  section_ = std::string(section);
  for (const std::string& line : ReadDeviceSections(path, kReadVars).vars) list_.AddScale(line);
  std::vector<std::string> skipped;
  for (const std::string& line : ReadParameterSection(path, section)) {
    try {
      CreateVariable(line, kDefaultViewParameters, buffer_, list_);
    } catch (const ConversionError&) {
      // A line edited by hand with an unreadable address must not hide the others.
      skipped.push_back(LineKey(line));
    }
  }
  list_.Rescale();
  list_.LayoutByAddress(buffer_);
  return skipped;
}

void DeviceParameters::Clear() {
  list_.ClearVariables();
  list_.Path.clear();
  section_.clear();
  std::fill(buffer_.begin(), buffer_.end(), 0);
  read_ = false;
  readVariables_.clear();
}

std::runtime_error SpanTooLong(int count, const char* units, const char* verb, int limit) {
  return std::runtime_error("Параметры занимают " + std::to_string(count) + " " + units + "; за один запрос " + verb +
                            " не более " + std::to_string(limit));
}

void CheckRequestSpan(int count, int limit, const char* units, const char* verb) {
  if (count < 1) throw std::runtime_error("У устройства нет параметров в памяти контроллера");
  if (count > limit) throw SpanTooLong(count, units, verb, limit);
}

LinkFrame DeviceParameters::BuildRead(const LinkFieldTexts& fields) {
  list_.LayoutByAddress(buffer_);
  LinkFrame frame;
  frame.bytes.resize(kMaxFrameLength);
  int length = 0;
  if (fields.Kind() == Protocol::QuBUS) {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    QuBUSSpan(list_, start, end);
    const int bytes = (static_cast<int>(end) - static_cast<int>(start)) * std::max(list_.AddressStep, 1);
    CheckRequestSpan(bytes, kMaxQuBUSReadBytes, "байт", "читается");
    BuildQuBUSRead(&list_, "FLASH", start, end, frame.bytes.data(), length);
    frame.expectedLen = bytes & 0xFF;
  } else {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    int oddStart = 0;
    MODBUSSpan(list_, start, end, oddStart);
    const int registers = static_cast<int>(end) - static_cast<int>(start);
    CheckRequestSpan(registers, kMaxMODBUSReadRegisters, "регистров", "читается");
    BuildMODBUSRead(fields.address, start, end, frame.bytes.data(), length);
    frame.oddStart = oddStart;
  }
  frame.bytes.resize(static_cast<std::size_t>(length));
  return frame;
}

AnswerVerdict DeviceParameters::TakeReadAnswer(const LinkFieldTexts& fields, const LinkFrame& request,
                                               const std::uint8_t* answer, std::size_t answerLen) {
  if (IsSilence(answerLen, fields.Tcp())) return AnswerVerdict::Silent();
  if (fields.Kind() == Protocol::QuBUS) {
    if (JudgeQuBUSRead(answerLen, static_cast<std::uint32_t>(request.expectedLen)) != AnswerJudgement::Valid) {
      return AnswerVerdict::Error(kStatusTransferError);
    }
    std::copy_n(answer, std::min(answerLen, buffer_.size()), buffer_.begin());
  } else {
    // Judged against the read: a frame that carries fewer registers than were asked for would
    // leave stale values in the rows it does not reach, another slave's frame other values.
    const AnswerVerdict verdict =
        VerdictOf(JudgeMODBUSAnswer(request.bytes.data(), request.bytes.size(), answer, answerLen).judgement);
    if (!verdict.accepted) return verdict;
    DecodeMODBUSRead(answer, answerLen, request.oddStart, buffer_.data(), buffer_.size(), 0);
  }
  list_.SampleAll();
  read_ = true;
  for (const auto& variable : list_.Variables) {
    if (InReadSpan(*variable)) readVariables_.insert(variable.get());
  }
  return AnswerVerdict::Accepted();
}

LinkFrame BuildIdentificationRequest(const LinkFieldTexts& fields) {
  LinkFrame frame;
  frame.bytes.resize(kMaxFrameLength);
  int length = 0;
  if (fields.Kind() == Protocol::QuBUS) {
    BuildQuBUSRead(1, "ID", 0, 0, frame.bytes.data(), length);
  } else {
    BuildMODBUSRead(fields.address, 0, 0, frame.bytes.data(), length);
  }
  frame.bytes.resize(static_cast<std::size_t>(length));
  return frame;
}

IdentificationAnswer TakeIdentificationAnswer(const LinkFieldTexts& fields, const std::uint8_t* answer,
                                              std::size_t answerLen) {
  IdentificationAnswer result;
  if (IsSilence(answerLen, fields.Tcp())) {
    result.verdict = AnswerVerdict::Silent();
    return result;
  }
  if (fields.Kind() == Protocol::QuBUS) {
    result.verdict = AnswerVerdict::Accepted();
    result.text = WithoutLastCharacter(QuBUSIdentificationText(answer, answerLen));
    return result;
  }
  const LinkFrame request = BuildIdentificationRequest(fields);
  result.verdict =
      VerdictOf(JudgeMODBUSAnswer(request.bytes.data(), request.bytes.size(), answer, answerLen).judgement);
  if (result.verdict.accepted) result.text = WithoutLastCharacter(MODBUSReportSlaveIDText(answer, answerLen));
  return result;
}

}  // namespace quillon
