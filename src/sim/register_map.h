#pragma once
// Where each MODBUS holding register of the simulated controller lies in its memory. The map is
// derived from the device file's definition lines (address and register of every variable), so
// a read by register and a read by address return the same bytes.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/sim_memory.h"

namespace quillon::sim {

// A register as the two bytes it stands for: the low half at `address`, the high half at
// `address` + 1 (memory holds values least significant byte first).
struct RegisterPlace {
  Area area = Area::Flash;
  std::uint32_t address = 0;
};

// What a variable tells about the map.
struct RegisterHint {
  Area area = Area::Flash;
  std::uint32_t address = 0;  // byte address of the variable
  std::uint16_t reg = 0;
  bool highByte = false;  // the variable sits in the high half of its register
  int size = 1;           // bytes
};

class RegisterMap {
 public:
  // Registers of the RAM variables (from their lowest register to the register after the last
  // one a master's span would ask for) lie in RAM; every other register lies in FLASH. In each
  // area the byte address of a register is 2 x register + the offset most variables agree on
  // (0 when none says otherwise).
  static RegisterMap FromHints(const std::vector<RegisterHint>& hints);

  // Nothing when the register's bytes would fall outside its area.
  std::optional<RegisterPlace> Locate(std::uint16_t reg) const;

  std::int64_t Offset(Area area) const { return area == Area::Ram ? ramOffset_ : flashOffset_; }
  // Registers [first, end) lie in RAM; empty when first == end.
  std::uint32_t RamFirst() const { return ramFirst_; }
  std::uint32_t RamEnd() const { return ramEnd_; }

 private:
  std::int64_t flashOffset_ = 0;
  std::int64_t ramOffset_ = 0;
  std::uint32_t ramFirst_ = 0;
  std::uint32_t ramEnd_ = 0;
};

}  // namespace quillon::sim
