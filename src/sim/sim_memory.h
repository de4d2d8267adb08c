#pragma once
// The controller's memory as the simulator keeps it: three areas of 64 KiB each, addressed by
// the QuBUS area codes. Every access is bounded by the area, because frames come from a line.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillon::sim {

enum class Area { Ram = 0, Xram = 1, Flash = 2 };

inline constexpr std::size_t kAreaSize = 65536;

// "RAM", "XRAM", "FLASH" (case-sensitive, like the frame layer); nothing for other names.
std::optional<Area> AreaByName(std::string_view name);
std::string_view AreaName(Area area);
// The area a QuBUS read code (3, 4, 5) or write code (0x10, 0x11, 0x12) addresses.
std::optional<Area> AreaOfReadCode(std::uint8_t code);
std::optional<Area> AreaOfWriteCode(std::uint8_t code);
std::uint8_t WriteCodeOf(Area area);

class SimMemory {
 public:
  SimMemory();

  std::span<std::uint8_t> Bytes(Area area) { return areas_[static_cast<std::size_t>(area)]; }
  std::span<const std::uint8_t> Bytes(Area area) const { return areas_[static_cast<std::size_t>(area)]; }

  // false (and nothing read or written) when the range passes the end of the area.
  bool Read(Area area, std::size_t address, std::size_t count, std::uint8_t* out) const;
  bool Write(Area area, std::size_t address, const std::uint8_t* data, std::size_t count);

 private:
  std::array<std::vector<std::uint8_t>, 3> areas_;
};

}  // namespace quillon::sim
