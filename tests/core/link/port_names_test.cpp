#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "link/port_names.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace quillon {

TEST(PortNames, ComNamesPortsDirectoryAndNamesThatLeadOutside) {
  testing::TempDir dir;
  EXPECT_EQ(PortDevicePath("COM1", dir.Path()), "/dev/ttyS0");
  EXPECT_EQ(PortDevicePath("COM12", dir.Path()), "/dev/ttyS11");
  for (const char* name : {"COM0", "COMx", "", "../../etc/passwd", "pts/0", ".."})
    EXPECT_EQ(PortDevicePath(name, dir.Path()), std::nullopt) << name;
  EXPECT_EQ(PortDevicePath("null", dir.Path()), "/dev/null");
  EnsureDirectory(dir / "Ports");
  std::ofstream(dir / "target") << "";
  ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "Ports/null").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "Ports/A").c_str()), 0);
  EXPECT_EQ(PortDevicePath("null", dir.Path()), dir / "Ports/null");  // Ports/ comes before /dev
  const auto names = CandidatePortNames(dir.Path());
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], "A");
  EXPECT_EQ(names[1], "null");
}

}  // namespace quillon
