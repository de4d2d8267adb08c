#pragma once
// The three variable lists of the cos-phi tuning tool, each over its own memory image: the RAM
// list (the angle, the stator voltage and current, and the bit that asks for the phase buffer),
// the FLASH list (the angle offset) and the XRAM list (the two bits of the phase buffer, whose
// trend colours draw the strips).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "variables/view_list.h"

namespace quillon {

// Not in the device files: every controller of this kind has the request bit at the same place.
inline constexpr std::string_view kCosBufWriteLine = "p99=cos_buf_write/---/TBit/x0022/2/r0001.1/0/1/";

inline constexpr std::string_view kAngleName = "cos";
inline constexpr std::string_view kStatorVoltageName = "Ust";
inline constexpr std::string_view kStatorCurrentName = "Ist";
inline constexpr std::string_view kBufferRequestName = "cos_buf_write";
inline constexpr std::string_view kOffsetName = "cosdf";
inline constexpr std::string_view kVoltagePhaseName = "CFU";
inline constexpr std::string_view kCurrentPhaseName = "CFI";

inline constexpr std::size_t kPhaseImageSize = 256;

struct CosPhiLists {
  CosPhiLists();
  CosPhiLists(const CosPhiLists&) = delete;
  CosPhiLists& operator=(const CosPhiLists&) = delete;

  TViewList ram;
  TViewList flash;
  TViewList xram;
  std::vector<std::uint8_t> ramImage;
  std::vector<std::uint8_t> flashImage;
  std::array<std::uint8_t, kPhaseImageSize> phaseImage{};
};

// Empties the lists and builds them from the device file at `path`: RAM from its section RAM
// followed by kCosBufWriteLine, FLASH from its section FLASH, both with the address step of
// key MCU of DEVICE (default 1) and the scale table of `vars`; XRAM from its section XRAM with
// step 1. Only the variables the tool uses are created, a name the lines lack is left out, and
// a line that cannot be read is left out too. A missing file leaves the lists empty.
void BuildCosPhiLists(const std::string& path, CosPhiLists& lists);

}  // namespace quillon
