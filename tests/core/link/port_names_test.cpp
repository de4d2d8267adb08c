#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "link/port_names.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace quillon {

TEST(PortNames, ComNamesMapToTheLegacyDevices) {
  testing::TempDir dir;
  EXPECT_EQ(PortDevicePath("COM1", dir.Path()), "/dev/ttyS0");
  EXPECT_EQ(PortDevicePath("COM12", dir.Path()), "/dev/ttyS11");
  // Not a COM number: looked up like any other name, and nothing of that name exists.
  EXPECT_EQ(PortDevicePath("COM0", dir.Path()), std::nullopt);
  EXPECT_EQ(PortDevicePath("COMx", dir.Path()), std::nullopt);
}

TEST(PortNames, NamesNeverLeadOutsideTheirDirectories) {
  testing::TempDir dir;
  EXPECT_EQ(PortDevicePath("", dir.Path()), std::nullopt);
  EXPECT_EQ(PortDevicePath("../../etc/passwd", dir.Path()), std::nullopt);
  EXPECT_EQ(PortDevicePath("pts/0", dir.Path()), std::nullopt);
  EXPECT_EQ(PortDevicePath("..", dir.Path()), std::nullopt);
}

TEST(PortNames, PortsDirectoryComesBeforeDev) {
  testing::TempDir dir;
  EnsureDirectory(dir / "Ports");
  std::ofstream(dir / "target") << "";
  ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "Ports/null").c_str()), 0);
  EXPECT_EQ(PortDevicePath("null", dir.Path()), dir / "Ports/null");
  testing::TempDir empty;
  EXPECT_EQ(PortDevicePath("null", empty.Path()), "/dev/null");
  ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "Ports/A").c_str()), 0);
  const auto names = CandidatePortNames(dir.Path());
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], "A");
  EXPECT_EQ(names[1], "null");
}

}  // namespace quillon
