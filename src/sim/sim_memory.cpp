#include "sim/sim_memory.h"

#include <algorithm>

namespace quillon::sim {

std::optional<Area> AreaByName(std::string_view name) {
  if (name == "RAM") return Area::Ram;
  if (name == "XRAM") return Area::Xram;
  if (name == "FLASH") return Area::Flash;
  return std::nullopt;
}

std::string_view AreaName(Area area) {
  switch (area) {
    case Area::Ram:
      return "RAM";
    case Area::Xram:
      return "XRAM";
    case Area::Flash:
      return "FLASH";
  }
  return "";
}

std::optional<Area> AreaOfReadCode(std::uint8_t code) {
  switch (code) {
    case 3:
      return Area::Ram;
    case 4:
      return Area::Xram;
    case 5:
      return Area::Flash;
    default:
      return std::nullopt;
  }
}

std::optional<Area> AreaOfWriteCode(std::uint8_t code) {
  switch (code) {
    case 0x10:
      return Area::Ram;
    case 0x11:
      return Area::Xram;
    case 0x12:
      return Area::Flash;
    default:
      return std::nullopt;
  }
}

std::uint8_t WriteCodeOf(Area area) { return static_cast<std::uint8_t>(0x10 + static_cast<int>(area)); }

SimMemory::SimMemory() {
  // Erased flash reads as 0xFF; volatile memory starts cleared.
  areas_[static_cast<std::size_t>(Area::Ram)].assign(kAreaSize, 0x00);
  areas_[static_cast<std::size_t>(Area::Xram)].assign(kAreaSize, 0x00);
  areas_[static_cast<std::size_t>(Area::Flash)].assign(kAreaSize, 0xFF);
}

bool SimMemory::Read(Area area, std::size_t address, std::size_t count, std::uint8_t* out) const {
  const auto bytes = Bytes(area);
  if (address > bytes.size() || count > bytes.size() - address) return false;
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(address), count, out);
  return true;
}

bool SimMemory::Write(Area area, std::size_t address, const std::uint8_t* data, std::size_t count) {
  auto bytes = Bytes(area);
  if (address > bytes.size() || count > bytes.size() - address) return false;
  std::copy_n(data, count, bytes.begin() + static_cast<std::ptrdiff_t>(address));
  return true;
}

}  // namespace quillon::sim
