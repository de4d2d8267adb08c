// quillon-cli run by a user outside the group dialout says so, as the windows do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/file_bytes.h"
#include "support/open_terminal.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

TEST(PortDeniedCommand, ReadingFromAPortWithoutRightsNamesTheGroup) {
  testing::TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  testing::OpenTerminal terminal;
  ASSERT_EQ(::chmod(terminal.Path().c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "Ports");
  std::filesystem::create_symlink(terminal.Path(), dir / "Ports/LAB");
  const std::string errors = dir / "stderr.txt";

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(97);
    } else if (::chmod(terminal.Path().c_str(), 0) != 0) {
      ::_exit(97);
    }
    const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0) ::_exit(98);
    const std::string cli = std::string(QUILLON_BIN_DIR) + "/quillon-cli";
    ::execl(cli.c_str(), cli.c_str(), "--workspace", dir.Path().c_str(), "ident", "--bus", "MODBUS RTU", "--port",
            "LAB", "--baud", "19200", static_cast<char*>(nullptr));
    ::_exit(99);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_LT(WEXITSTATUS(status), 97) << "97: no unprivileged user, 98: no stderr file, 99: no quillon-cli";
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_NE(testing::FileBytes(errors).find("Нет доступа к порту LAB: пользователь должен входить в группу dialout"),
            std::string::npos)
      << testing::FileBytes(errors);
}

}  // namespace
}  // namespace quillon
