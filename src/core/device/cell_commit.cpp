#include "device/cell_commit.h"

#include <algorithm>
#include <stdexcept>

#include "link/buses.h"
#include "text/items.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr std::int32_t kValueWriteExpectedLen = 5;

int ValueBytes(const TView& variable) { return std::clamp(static_cast<int>(variable.Definition().Size), 1, 4); }

std::uint32_t Masked(const TView& variable, std::uint32_t raw) {
  const int bytes = ValueBytes(variable);
  return bytes >= 4 ? raw : raw & ((1u << (8 * bytes)) - 1);
}

bool IsBit(const TView& variable) { return variable.Kind() == ViewKind::Bit; }

}  // namespace

bool IsBaseKind(int kind) { return kind == kBaseHexKind || kind == kBasePhysicalKind; }
bool IsControllerKind(int kind) { return kind == kControllerHexKind || kind == kControllerPhysicalKind; }

bool IsDependent(const TView& variable) {
  return variable.Definition().HasDependency() && !variable.Definition().NotInMemory;
}

bool OpensEditor(const TView& variable, int kind, bool controllerRead) {
  if (IsBaseKind(kind)) return true;
  if (!IsControllerKind(kind)) return false;
  return !variable.Definition().NotInMemory && !variable.Definition().NoAddress && variable.DataPtr != nullptr &&
         controllerRead;
}

std::string BaseValueText(const TView& variable, std::uint32_t raw) {
  return "x" + HexDigits(Masked(variable, raw), 2 * ValueBytes(variable));
}

CellCommit CommitCell(TView& variable, int kind, std::string text) {
  CellCommit result;
  // What cannot be part of a number goes, the line break that committed the entry with it: a
  // unit typed after the value ("150 А") or a blank between thousands does not refuse it.
  KeepNumberChars(text);
  std::string entry = "=" + text;
  if (IsBaseKind(kind) && IsDependent(variable)) {
    const std::string before = variable.BaseValue;
    result.ratioWarning = variable.UpdateRatio(entry);
    result.baseChanged = variable.BaseValue != before;
    return result;
  }
  const std::uint32_t raw = variable.ParseInput(entry);
  result.refused = entry == "Error";
  if (result.refused) return result;
  if (IsBaseKind(kind)) {
    // A bit's controller column shows 0 or 1; its base value is kept in the same form so the
    // two compare equal when the bit is the same.
    variable.BaseValue = IsBit(variable) ? std::to_string(raw != 0 ? 1 : 0) : BaseValueText(variable, raw);
    result.baseChanged = true;
    return result;
  }
  if (!IsControllerKind(kind) || variable.Definition().NotInMemory || variable.Definition().NoAddress ||
      variable.DataPtr == nullptr) {
    return result;
  }
  std::vector<std::uint8_t> data;
  if (IsBit(variable)) {
    const auto bits = static_cast<std::uint8_t>(variable.Definition().Mask & 0xFF);
    const std::uint8_t current = *variable.DataPtr;
    data.push_back(raw != 0 ? static_cast<std::uint8_t>(current | bits) : static_cast<std::uint8_t>(current & ~bits));
  } else {
    const std::uint32_t value = Masked(variable, raw);
    for (int i = 0; i < ValueBytes(variable); ++i) data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  result.write = std::move(data);
  return result;
}

LinkFrame BuildValueWrite(const TView& variable, const std::vector<std::uint8_t>& data, const LinkFieldTexts& fields,
                          std::span<const std::uint8_t> valueBuffer, std::string_view area) {
  if (variable.Definition().NoAddress || variable.Definition().NotInMemory)
    throw std::runtime_error(variable.Definition().Name + " не записывается в контроллер");
  if (data.empty() || data.size() > 4)
    throw std::runtime_error(variable.Definition().Name + ": неверная длина значения");
  LinkFrame frame;
  frame.bytes.resize(kMaxFrameLength);
  frame.expectedLen = kValueWriteExpectedLen;
  int length = 0;
  const int count = static_cast<int>(data.size());
  if (fields.Kind() == Protocol::QuBUS) {
    BuildQuBUSWrite(area, variable.Definition().Address, data.data(), count, frame.bytes.data(), length);
  } else if (count == 1) {
    if (variable.DataPtr == nullptr || variable.DataPtr < valueBuffer.data() ||
        variable.DataPtr >= valueBuffer.data() + valueBuffer.size()) {
      throw std::runtime_error(variable.Definition().Name + " лежит вне буфера значений");
    }
    const auto offset = static_cast<std::size_t>(variable.DataPtr - valueBuffer.data());
    auto word =
        RegisterBytesForByte(data[0], valueBuffer.data(), valueBuffer.size(), offset, variable.Definition().HighByte);
    BuildMODBUSWrite(fields.address, variable.Definition().Register, word.data(), 2, frame.bytes.data(), length);
  } else {
    if (count % 2 != 0)
      throw std::runtime_error(variable.Definition().Name + ": значение из " + std::to_string(count) +
                               " байт не записывается целыми регистрами");
    std::vector<std::uint8_t> words = data;
    BuildMODBUSWrite(fields.address, variable.Definition().Register, words.data(), count, frame.bytes.data(), length);
  }
  frame.bytes.resize(static_cast<std::size_t>(length));
  return frame;
}

}  // namespace quillon
