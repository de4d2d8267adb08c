#include "sim/terminal_settings.h"

#include <termios.h>

#include <array>
#include <utility>

namespace quillon::sim {
namespace {

constexpr std::array<std::pair<speed_t, unsigned>, 31> kStandardRates{{
    {B50, 50},
    {B75, 75},
    {B110, 110},
    {B134, 134},
    {B150, 150},
    {B200, 200},
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B1800, 1800},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B576000, 576000},
    {B921600, 921600},
    {B1000000, 1000000},
    {B1152000, 1152000},
    {B1500000, 1500000},
    {B2000000, 2000000},
    {B2500000, 2500000},
    {B3000000, 3000000},
    {B3500000, 3500000},
    {B4000000, 4000000},
    {B0, 0},
}};

unsigned DataBits(tcflag_t flags) {
  switch (flags & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

}  // namespace

CharacterFormat CharacterFormatOf(unsigned controlFlags) {
  CharacterFormat format;
  format.dataBits = DataBits(controlFlags);
  format.parity = (controlFlags & PARENB) != 0;
  format.stopBits = (controlFlags & CSTOPB) != 0 ? 2 : 1;
  return format;
}

TerminalSettings ReadTerminalSettings(int fd) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return {};
  TerminalSettings result;
  result.format = CharacterFormatOf(settings.c_cflag);
  const speed_t speed = ::cfgetospeed(&settings);
  for (const auto& [constant, rate] : kStandardRates) {
    if (constant == speed) {
      result.baud = rate;
      return result;
    }
  }
  // Not one of the B-constants: a rate set through termios2 (BOTHER).
  result.baud = ReadArbitraryBaud(fd);
  return result;
}

}  // namespace quillon::sim
