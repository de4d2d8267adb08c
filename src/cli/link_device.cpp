#include "cli/link_device.h"

#include <algorithm>
#include <stdexcept>

#include "link/answers.h"
#include "link/buses.h"
#include "link/crc16.h"
#include "link/spans.h"
#include "platform/files.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "workspace/device_file.h"

namespace quillon::cli {
namespace {

constexpr std::uint32_t kValueWriteDelayMs = 500;
constexpr std::uint32_t kImageWriteDelayMs = 20;
// What the whole-image write of QuBUS answers with: the FLASH write code.
constexpr std::uint8_t kFlashWriteCode = 0x12;

// A MODBUS answer of at most one byte is silence: a TCP worker reports "nothing came" as 1.
void ThrowForMODBUS(AnswerJudgement judgement, std::uint32_t answerLen) {
  if (answerLen <= 1) throw LinkError(kNoAnswerMessage);
  switch (judgement) {
    case AnswerJudgement::Valid:
      return;
    case AnswerJudgement::NoValidAnswer:
      throw LinkError(kTransferErrorMessage);
    case AnswerJudgement::CrcError:
      throw LinkError(kCrcErrorMessage);
    case AnswerJudgement::UnexpectedFunction:
      throw LinkError(kRequestErrorMessage);
  }
}

}  // namespace

DeviceParameters::DeviceParameters(const std::string& path, const std::string& set) : values_(kImageSize, 0) {
  if (set != "FLASH" && set != "CD" && set != "RAM") throw std::runtime_error("--set must be FLASH, CD or RAM");
  if (!FileExists(path)) throw std::runtime_error("device file not found: " + path);
  list_.Path = path;
  const DeviceSections sections = ReadDeviceSections(path, kReadVars);
  for (const auto& line : sections.vars) list_.AddScale(line);
  for (const auto& line : ReadParameterSection(path, set)) CreateVariable(line, "", values_, list_);
  list_.LayoutByAddress(values_);
}

void DeviceParameters::Read(LinkSession& session) {
  if (Empty()) return;
  list_.LayoutByAddress(values_);
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  const LinkSettings& settings = session.Settings();
  if (settings.protocol == kProtocolQuBUS) {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    QuBUSSpan(list_, start, end);
    BuildQuBUSRead(&list_, "FLASH", start, end, frame, length);
    const auto expected = static_cast<std::uint32_t>(frame[5]);
    const Exchange exchange = session.Send(frame, static_cast<std::size_t>(length), session.ReadDelayMs());
    if (JudgeQuBUSRead(exchange.answerLen, expected) != AnswerJudgement::Valid) throw LinkError(kTransferErrorMessage);
    std::copy_n(exchange.answer.begin(), std::min<std::size_t>(expected, exchange.answer.size()), values_.begin());
  } else {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    int oddStart = 0;
    MODBUSSpan(list_, start, end, oddStart);
    BuildMODBUSRead(settings.address, start, end, frame, length);
    const Exchange exchange = session.Send(frame, static_cast<std::size_t>(length), session.ReadDelayMs());
    const std::size_t received = std::min<std::size_t>(exchange.answerLen, exchange.answer.size());
    ThrowForMODBUS(JudgeMODBUSRead(exchange.answer.data(), received, true, true), exchange.answerLen);
    DecodeMODBUSRead(exchange.answer.data(), received, oddStart, values_.data(), values_.size(), 0);
  }
  // Each variable takes its controller value from the buffer into its history.
  list_.SampleAll();
  read_ = true;
}

bool DeviceParameters::Same(TView& variable) { return variable.ColumnText(3) == variable.ColumnText(5); }

std::string DeviceParameters::Row(TView& variable) {
  variable.ShownIndex = variable.Head;
  std::string row = variable.Key + "\t" + variable.ColumnText(1) + "\t" + variable.ColumnText(3) + "\t" +
                    variable.ColumnText(4) + "\t";
  if (!read_) return row + "\t\t-";
  row += variable.ColumnText(5) + "\t" + variable.ColumnText(6) + "\t";
  if (variable.NotInMemory) return row + "-";
  return row + (Same(variable) ? "SAME" : "DIFF");
}

std::string DeviceParameters::Rows() {
  std::string rows;
  for (auto& variable : list_.Variables) rows += Row(*variable) + "\n";
  return rows;
}

void DeviceParameters::WriteValue(LinkSession& session, TView& variable, const std::string& text) {
  if (variable.NoAddress) throw std::invalid_argument(variable.Name + " has no address and is never written");
  if (variable.NotInMemory) throw std::invalid_argument(variable.Name + " has no cell in the controller");
  if (variable.DataPtr == nullptr) throw std::invalid_argument(variable.Name + " lies outside the value buffer");
  std::string entry = "=" + text;
  std::uint32_t raw = variable.ParseInput(entry);
  if (entry == "Error") throw std::invalid_argument("value not accepted: \"" + text + "\"");
  const int size = std::clamp(static_cast<int>(variable.Size), 1, 4);
  if (size < 4) raw &= (1u << (8 * size)) - 1;
  std::uint8_t data[4];
  if (variable.TypeName == "TBit") {
    const auto bits = static_cast<std::uint8_t>(variable.Mask & 0xFF);
    data[0] = raw != 0 ? static_cast<std::uint8_t>(*variable.DataPtr | bits)
                       : static_cast<std::uint8_t>(*variable.DataPtr & ~bits);
  } else {
    for (int i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(raw >> (8 * i));
  }
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  const LinkSettings& settings = session.Settings();
  if (settings.protocol == kProtocolQuBUS) {
    BuildQuBUSWrite("FLASH", variable.Address, data, size, frame, length);
  } else if (size == 1) {
    const std::size_t offset = static_cast<std::size_t>(variable.DataPtr - values_.data());
    auto word = RegisterBytesForByte(data[0], values_.data(), values_.size(), offset, variable.HighByte);
    BuildMODBUSWrite(settings.address, variable.Register, word.data(), 2, frame, length);
  } else {
    if (size % 2 != 0) throw std::invalid_argument(variable.Name + ": a " + std::to_string(size) +
                                                   "-byte value cannot be written as whole registers");
    BuildMODBUSWrite(settings.address, variable.Register, data, size, frame, length);
  }
  // The write answer is not examined: the read that follows shows what the controller holds.
  session.Send(frame, static_cast<std::size_t>(length), kValueWriteDelayMs);
}

ImageWrite BuildImageWrite(TViewList& list, const LinkSettings& settings) {
  std::vector<std::uint8_t> image(kImageSize, 0xFF);
  for (auto& variable : list.Variables) variable->WriteBase(image);
  ImageWrite write;
  write.frame.resize(kMaxFrameLength);
  int length = 0;
  if (settings.protocol == kProtocolQuBUS) {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    QuBUSSpan(list, start, end);
    const int count = static_cast<int>(end) - static_cast<int>(start);
    if (count < 1 || count > kMaxQuBUSWriteBytes) {
      throw LinkError("the parameter span holds " + std::to_string(std::max(count, 0)) + " bytes; one QuBUS write carries 1 to " +
                      std::to_string(kMaxQuBUSWriteBytes));
    }
    BuildQuBUSWrite("FLASH", start, image.data() + start, count, write.frame.data(), length);
    write.expectedLen = 1;
  } else {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::uint16_t startAddress = 0;
    MODBUSWriteSpan(list, start, end, startAddress);
    const int count = 2 * (static_cast<int>(end) - static_cast<int>(start));
    if (count < 2 || count > kMaxMODBUSWriteBytes || startAddress + static_cast<std::size_t>(count) > image.size()) {
      throw LinkError("the register span holds " + std::to_string(std::max(count, 0) / 2) +
                      " registers; one MODBUS write carries 1 to " + std::to_string(kMaxMODBUSWriteBytes / 2));
    }
    BuildMODBUSWrite(settings.address, start, image.data() + startAddress, count, write.frame.data(), length);
    write.expectedLen = 8;
  }
  write.frame.resize(static_cast<std::size_t>(length));
  return write;
}

void DeviceParameters::WriteImage(LinkSession& session) {
  if (Empty()) return;
  const ImageWrite write = BuildImageWrite(list_, session.Settings());
  const Exchange exchange = session.Send(write.frame.data(), write.frame.size(), kImageWriteDelayMs);
  const std::size_t received = std::min<std::size_t>(exchange.answerLen, exchange.answer.size());
  if (session.Settings().protocol == kProtocolQuBUS) {
    if (received == 0) throw LinkError(kTransferErrorMessage);
    if (exchange.answer[0] != kFlashWriteCode) throw LinkError(kRequestErrorMessage);
    return;
  }
  if (exchange.answerLen <= 1) throw LinkError(kNoAnswerMessage);
  if (CRC16(exchange.answer.data(), received) != 0) throw LinkError(kCrcErrorMessage);
  if (received < 2 || exchange.answer[1] != 0x10) throw LinkError(kRequestErrorMessage);
}

}  // namespace quillon::cli
