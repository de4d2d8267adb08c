// Kept apart from serial_port.cpp: the kernel's termios2 header and the C library's termios.h
// cannot be included together.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace quillon {

bool SetArbitraryBaud(int fd, unsigned baud) {
  struct termios2 settings {};
  if (::ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  settings.c_cflag |= BOTHER;
  settings.c_ispeed = baud;
  settings.c_ospeed = baud;
  return ::ioctl(fd, TCSETS2, &settings) == 0;
}

}  // namespace quillon
