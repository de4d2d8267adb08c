// Apart from terminal_settings.cpp: <asm/termbits.h> clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "sim/terminal_settings.h"

namespace quillon::sim {

unsigned ReadArbitraryBaud(int fd) {
  struct termios2 settings {};
  if (::ioctl(fd, TCGETS2, &settings) != 0) return 0;
  return settings.c_ospeed;
}

}  // namespace quillon::sim
