#include "link/port_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillon {

namespace {

// Root opens a terminal in exclusive mode all the same; asking for the mode tells us.
bool HeldExclusively(int fd) {
  int exclusive = 0;
  return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

}  // namespace

bool PortIsAvailable(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool available = ::isatty(fd) == 1 && !HeldExclusively(fd) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (available) ::flock(fd, LOCK_UN);
  ::close(fd);
  return available;
}

}  // namespace quillon
