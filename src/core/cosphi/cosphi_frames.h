#pragma once
// What the cos-phi tuning tool sends and how it reads what comes back: the polls of its lists,
// the read of the phase buffer, the writes of one value, the cosine of the angle, the offset
// entry and the two strips of the phase buffer.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/buses.h"

namespace quillon {

class Prompt;

class TView;
class TViewList;

// Where the controller leaves the phase buffer when asked, in XRAM.
inline constexpr std::uint16_t kPhaseBufferAddress = 0x0400;
inline constexpr int kPhaseBufferLength = 255;
// Bits of a buffer byte: the stator voltage's and the stator current's logic level.
inline constexpr std::uint8_t kVoltagePhaseBit = 1u << 6;
inline constexpr std::uint8_t kCurrentPhaseBit = 1u << 7;
// Samples a strip shows (the 256th byte of the image is never read and stays as it was).
inline constexpr int kStripSamples = 256;
// The characters an offset entry may keep.
inline constexpr std::string_view kOffsetChars = "0123456789abcdefABCDEFxX$-+,.";

struct PollFrame {
  std::array<std::uint8_t, kQuBUSReadFrameLength> bytes{};
  std::int32_t expectedLen = 0;
};

// The QuBUS read of `area` over the address span of the list, with its address step as unit.
// Nothing when the list holds no variable to read.
std::optional<PollFrame> BuildListRead(const TViewList& list, std::string_view area);
PollFrame BuildPhaseBufferRead();

// A QuBUS read answered with the length the frame asked for (and not with nothing).
bool AnswerFits(std::uint32_t answerLen, std::int32_t expectedLen);

// The QuBUS write of `text` to the variable in `area`: the text, after "=", parsed as the
// variable parses entries, written with the variable's size at its address. A TBit writes its
// current byte with its mask bits set (non-zero entry) or cleared. Nothing when the variable
// refuses the text (which `prompt` is told) or has no address.
std::optional<std::vector<std::uint8_t>> BuildValueWrite(TView& variable, std::string_view area,
                                                         const std::string& text, Prompt& prompt);

// cos(angle in electrical degrees) with 3 decimals, trailing zeros removed. Nothing for a text
// that is no number.
std::optional<std::string> CosineText(const std::string& angleText);

// The offset entry with every character a number cannot hold removed.
std::string FilterOffsetEntry(std::string text);

struct PhaseStrips {
  std::array<bool, kStripSamples> voltage{};
  std::array<bool, kStripSamples> current{};
};
PhaseStrips ExtractPhaseStrips(std::span<const std::uint8_t> buffer);

}  // namespace quillon
