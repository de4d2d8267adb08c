#pragma once
// Which stretch of controller memory a variable list needs: the address span of a QuBUS read
// and the register spans of MODBUS reads and whole-image writes. Lists are walked from their
// last variable to their first; the time mark, variables that are not in memory and words
// without an address take no part.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quillon {

class TView;
class TViewList;

// What the span arithmetic needs to know of one variable.
struct SpanItem {
  std::uint16_t Address = 0;
  std::int32_t Size = 1;
  std::uint16_t Register = 0;
  bool HighByte = false;
  bool IsBit = false;  // type TBit: its byte address is that of the byte holding the bit
  bool Polled = true;  // false for the time mark, variables not in memory, words without address
};

std::vector<SpanItem> SpanItems(const TViewList& list);

struct QuBUSRange {
  std::uint16_t Start = 0xFFFF;
  std::uint16_t End = 0;
};

// Start: the lowest address. End: the highest address plus the size of the variable there
// (of several at that address, the one nearest the front of the list). No polled variable
// gives 0xFFFF..0.
QuBUSRange QuBUSSpan(std::span<const SpanItem> items);
void QuBUSSpan(const TViewList& list, std::uint16_t& start, std::uint16_t& end);

struct MODBUSRange {
  std::uint16_t StartRegister = 0xFFFF;
  std::uint16_t EndRegister = 0;
  int OddStart = 0;  // 1: the wanted bytes begin one byte into the first register
  std::uint16_t StartAddress = 0;
};

// The first polled variable met sets the start register and the byte address remembered with
// it; a later one whose register is not above it replaces both when its address is lower.
// End: the highest register plus (size >> 1) + 1 of the variable holding it. No polled
// variable gives 0xFFFF..0, one register.
MODBUSRange MODBUSSpan(std::span<const SpanItem> items);
void MODBUSSpan(const TViewList& list, std::uint16_t& startRegister, std::uint16_t& endRegister, int& oddStart);

// For writing a whole image back: the lowest register (ties: the variable nearest the front),
// and that variable's byte address, one lower for a bit in the high byte of its register.
// The end register as in MODBUSSpan.
MODBUSRange MODBUSWriteSpan(std::span<const SpanItem> items);
void MODBUSWriteSpan(const TViewList& list, std::uint16_t& startRegister, std::uint16_t& endRegister,
                     std::uint16_t& startAddress);

// BuildQuBUSRead with the list's AddressStep as the address unit; no list means unit 1.
void BuildQuBUSRead(const TViewList* list, std::string_view area, std::uint16_t start, std::uint16_t end,
                    std::uint8_t* frame, int& length);

// The whole register a one-byte variable is written through (see RegisterBytesForByte).
std::array<std::uint8_t, 2> RegisterBytesForByte(std::uint8_t newByte, const std::uint8_t* image, std::size_t imageSize,
                                                 const TView& variable);

}  // namespace quillon
