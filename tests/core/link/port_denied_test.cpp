// A serial port the user has no rights to is told as such: on Debian the serial devices belong
// to the group dialout, which a new account is not in, and "does not exist or is busy" would send
// the engineer looking for the wrong fault. Root opens every device, so the opening runs in a
// child as nobody.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "link/attachment.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "support/open_terminal.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon {
namespace {

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

TEST(PortDenied, AnUnreadablePortSaysTheUserMustBeInDialout) {
  testing::TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  testing::OpenTerminal terminal;
  ASSERT_EQ(::chmod(terminal.Path().c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "Ports");
  std::filesystem::create_symlink(terminal.Path(), dir / "Ports/LAB");
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

}  // namespace
}  // namespace quillon
