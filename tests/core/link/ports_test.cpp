// Port names and the port list: Ports/ links and COM names, a listing that leaves the ports of
// other programs exactly as they were, and a port the user has no rights to told as such (on
// Debian the serial devices belong to the group dialout, which a new account is not in, and
// "does not exist or is busy" would send the engineer looking for the wrong fault).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include "link/attachment.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/port_names.h"
#include "link/port_probe.h"
#include "link_bytes.h"
#include "platform/files.h"
#include "support/open_terminal.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

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

// The exit status of `check` run in a child without root's rights (or, not being root, with the
// device closed to its owner too). 3: no unprivileged user to become.
int ExitAsUnprivileged(const std::string& device, const std::function<int()>& check) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    } else if (::chmod(device.c_str(), 0) != 0) {
      ::_exit(3);
    }
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

TEST(PortNames, ComNamesPortsDirectoryAndNamesThatLeadOutside) {
  testing::TempDir dir;
  EXPECT_EQ(PortDevicePath("COM1", dir.Path()), "/dev/ttyS0");
  EXPECT_EQ(PortDevicePath("COM12", dir.Path()), "/dev/ttyS11");
  for (const char* name : {"COM0", "COMx", "", "../../etc/passwd", "pts/0", ".."})
    EXPECT_EQ(PortDevicePath(name, dir.Path()), std::nullopt) << name;
  EXPECT_EQ(PortDevicePath("null", dir.Path()), "/dev/null");
  std::ofstream(dir / "target") << "";
  testing::LinkPort(dir.Path(), "null", dir / "target");
  testing::LinkPort(dir.Path(), "A", dir / "target");
  EXPECT_EQ(PortDevicePath("null", dir.Path()), dir / "Ports/null");  // Ports/ comes before /dev
  const auto names = CandidatePortNames(dir.Path());
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], "A");
  EXPECT_EQ(names[1], "null");
}

TEST(PortProbe, ListingLeavesPortsOfOtherProgramsAsTheyWereAndSkipsHeldOnesButOurs) {
  testing::TempDir dir;
  HeldTerminal shared, exclusive, locked;
  testing::PtyPeer ours;
  ASSERT_EQ(::ioctl(exclusive.Fd(), TIOCEXCL), 0);
  ASSERT_EQ(::flock(locked.Fd(), LOCK_EX | LOCK_NB), 0);
  testing::LinkPort(dir.Path(), "SHARED", shared.Path());
  testing::LinkPort(dir.Path(), "EXCL", exclusive.Path());
  testing::LinkPort(dir.Path(), "LOCKED", locked.Path());
  testing::LinkPort(dir.Path(), "FILE", dir / "plain");
  testing::LinkPort(dir.Path(), "GONE", "/nonexistent/tty");
  testing::LinkPort(dir.Path(), "OURS", ours.SlavePath());
  std::ofstream(dir / "plain") << "not a terminal";
  shared.Type("typed");
  ASSERT_TRUE(WaitFor([&] { return shared.Unread() == 5; }));
  const termios before = shared.Settings();

  TCommList list(dir.Path());
  ASSERT_EQ(list.OpenPortWorker("OURS"), 0);  // held by this program: still listed
  const std::string listing = list.ListComPorts();
  EXPECT_EQ(listing.rfind("OURS/SHARED/", 0), 0u) << listing;  // Ports/ entries first, in name order
  for (const char* held : {"EXCL", "LOCKED", "FILE", "GONE"}) EXPECT_EQ(listing.find(held), std::string::npos) << held;

  EXPECT_TRUE(SameSettings(shared.Settings(), before));
  EXPECT_EQ(shared.Unread(), 5);
  EXPECT_TRUE(exclusive.Exclusive());
  EXPECT_FALSE(shared.Exclusive());
  // The probe's own lock is gone again: the port can be had.
  EXPECT_TRUE(PortIsAvailable(shared.Path()));
  EXPECT_EQ(::flock(shared.Fd(), LOCK_EX | LOCK_NB), 0);
}

TEST(PortDenied, AnUnreadablePortSaysTheUserMustBeInDialout) {
  testing::TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  testing::OpenTerminal terminal;
  ASSERT_EQ(::chmod(terminal.Path().c_str(), 0600), 0);
  testing::LinkPort(dir.Path(), "LAB", terminal.Path());
  const std::string expected = "Нет доступа к порту LAB: пользователь должен входить в группу dialout";

  const int exit = ExitAsUnprivileged(terminal.Path(), [&] {
    LinkHub hub(dir.Path());
    Attachment attachment(hub);
    Endpoint endpoint;
    endpoint.protocol = Protocol::MODBUSRTU;
    endpoint.port = "LAB";
    endpoint.baud = 19200;
    const std::optional<LinkError> error = attachment.Open(endpoint);
    if (!error || error->kind != LinkErrorKind::PortDenied) return 1;
    if (LinkErrorText(*error) != expected) return 2;
    InitWorkspacePaths(dir.Path());
    if (PortErrorMessage("LAB") != expected) return 4;
    return 0;
  });
  EXPECT_EQ(exit, 0) << "1: not told as denied, 2: attachment text, 3: no unprivileged user, 4: window text";

  // The same port open to the user but missing or busy keeps the old message.
  InitWorkspacePaths(dir.Path());
  EXPECT_EQ(PortErrorMessage("GONE"), "Порт GONE не существует\nили занят другой программой");
}

}  // namespace quillon
