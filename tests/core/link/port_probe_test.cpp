// Filling the port list probes every candidate port; ports that other programs use must come out
// of it exactly as they were.
#include "link/port_probe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include "link/comm_list.h"
#include "platform/files.h"
#include "pty_peer.h"
#include "support/open_terminal.h"
#include "support/temp_dir.h"

namespace quillon {

namespace {

using testing::WaitFor;

// A terminal program on a pseudo-terminal: its own settings (cooked, slow, no echo) and input it
// has not read yet.
class HeldTerminal : public testing::OpenTerminal {
 public:
  HeldTerminal() {
    termios settings{};
    ::tcgetattr(Fd(), &settings);
    settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    settings.c_cc[VMIN] = 1;
    cfsetispeed(&settings, B4800);
    cfsetospeed(&settings, B4800);
    if (::tcsetattr(Fd(), TCSANOW, &settings) != 0) throw std::runtime_error("tcsetattr");
  }
  int Unread() const {
    int count = -1;
    ::ioctl(Fd(), FIONREAD, &count);
    return count;
  }
  termios Settings() const {
    termios settings{};
    ::tcgetattr(Fd(), &settings);
    return settings;
  }
  bool Exclusive() const {
    int exclusive = 0;
    return ::ioctl(Fd(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  }
};

bool SameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 && cfgetispeed(&a) == cfgetispeed(&b) &&
         cfgetospeed(&a) == cfgetospeed(&b);
}

}  // namespace

TEST(PortProbe, ListingLeavesPortsOfOtherProgramsAsTheyWereAndSkipsHeldOnes) {
  testing::TempDir dir;
  EnsureDirectory(dir / "Ports");
  HeldTerminal shared, exclusive, locked;
  ASSERT_EQ(::ioctl(exclusive.Fd(), TIOCEXCL), 0);
  ASSERT_EQ(::flock(locked.Fd(), LOCK_EX | LOCK_NB), 0);
  ASSERT_EQ(::symlink(shared.Path().c_str(), (dir / "Ports/SHARED").c_str()), 0);
  ASSERT_EQ(::symlink(exclusive.Path().c_str(), (dir / "Ports/EXCL").c_str()), 0);
  ASSERT_EQ(::symlink(locked.Path().c_str(), (dir / "Ports/LOCKED").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "plain").c_str(), (dir / "Ports/FILE").c_str()), 0);
  std::ofstream(dir / "plain") << "not a terminal";
  shared.Type("typed");
  ASSERT_TRUE(WaitFor([&] { return shared.Unread() == 5; }));
  const termios before = shared.Settings();

  TCommList list(dir.Path());
  const std::string listing = list.ListComPorts();
  EXPECT_EQ(listing.rfind("SHARED/", 0), 0u) << listing;
  for (const char* held : {"EXCL", "LOCKED", "FILE"}) EXPECT_EQ(listing.find(held), std::string::npos) << held;

  EXPECT_TRUE(SameSettings(shared.Settings(), before));
  EXPECT_EQ(shared.Unread(), 5);
  EXPECT_TRUE(exclusive.Exclusive());
  EXPECT_FALSE(shared.Exclusive());
  // The probe's own lock is gone again: the port can be had.
  EXPECT_TRUE(PortIsAvailable(shared.Path()));
  EXPECT_EQ(::flock(shared.Fd(), LOCK_EX | LOCK_NB), 0);
}

}  // namespace quillon
