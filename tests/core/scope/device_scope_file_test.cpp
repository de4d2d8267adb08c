#include "scope/device_scope_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "platform/profile.h"
#include "scope/scope_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"
#include "workspace/paths.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;

// RAM keys out of name order, so that file order and sorted order differ.
constexpr const char* kDeviceLines =
    "[DEVICE]\nID=501 QT v2.1 2024-01-10\n"
    "[FLASH]\n"
    "f1=Inom/Номинальный ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n"
    "[RAM]\n"
    "p3=Udc/Напряжение/TWORD/x0204/r0102/В/1/2//0/x0000/\n"
    "p1=Speed/Скорость/TWORD/x0210/r0108/об/1/2//0/x0000/\n"
    "p2=Icur/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\n";

constexpr const char* kIdLine = "501 QT v2.1 2024-01-10 доп";
constexpr const char* kPort = "1/COM3/115200/8/QuBUS/RAM/";

TEST(ConnectedScopePortTest, DescribesSerialAndTcpLinks) {
  LinkFieldTexts serial{"MODBUS RTU", "COM3", "19200", "12", "17", "502"};
  EXPECT_EQ(ConnectedScopePort(serial), "17/COM3/19200/12/MODBUS RTU/RAM/");

  serial.address.clear();
  serial.frameEnd.clear();
  EXPECT_EQ(ConnectedScopePort(serial), "1/COM3/19200/8/MODBUS RTU/RAM/");

  // Under MODBUS TCP the frame-end field holds the IP address.
  const LinkFieldTexts tcp{"MODBUS TCP", "COM3", "115200", "192.168.4.9", "", "1502"};
  const std::string port = ConnectedScopePort(tcp);
  EXPECT_EQ(port, "1/COM3/115200/8/MODBUS TCP/RAM/192.168.4.9/");

  // A window reading it back finds the link where the file format puts it.
  TempDir dir;
  const std::string path = dir / "w.scp";
  WriteProfileString(path, kScopeSettingsSection, "port", port);
  TBaseProperty p;
  ASSERT_TRUE(ReadScopeSettings(path, p));
  EXPECT_EQ(std::tie(p.SlaveAddr, p.FrameEnd, p.Protocol, p.MemArea, p.IPAddress),
            std::tuple("1", "8", "MODBUS TCP", "RAM", "192.168.4.9"));

  // Standard MODBUS TCP is written and read back under its own name.
  const LinkFieldTexts mbap{"MODBUS TCP/IP", "COM3", "115200", "192.168.4.10", "3", "502"};
  WriteProfileString(path, kScopeSettingsSection, "port", ConnectedScopePort(mbap));
  ASSERT_TRUE(ReadScopeSettings(path, p));
  EXPECT_EQ(std::tie(p.SlaveAddr, p.Protocol, p.MemArea, p.IPAddress),
            std::tuple("3", "MODBUS TCP/IP", "RAM", "192.168.4.10"));
}

class DeviceScopeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    paths = MakeWorkspacePaths(dir.Path());
    devicePath = paths.devices + "Привод/501.ini";
    ASSERT_TRUE(WriteCp1251File(devicePath, kDeviceLines));
  }

  ConnectedScopeResult Prepare(const std::string& idLine, const std::string& port = kPort) {
    return PrepareConnectedScopeFile(idLine, devicePath, port, paths);
  }

  std::string ScopePath() const { return paths.scopeWindow + "QT2_501.scp"; }
  std::string TemplatePath() const { return paths.ScopeTemplate() + "QT2_1.scp"; }

  TempDir dir;
  WorkspacePaths paths;
  std::string devicePath;
};

TEST_F(DeviceScopeFileTest, CreatesFromRamOnceAndReusesTheFileAfterwards) {
  const auto first = Prepare(kIdLine);
  ASSERT_EQ(first.path, ScopePath()) << first.problem;

  const IniDocument file = IniDocument::Load(ScopePath());
  EXPECT_EQ(file.Value("default", "window", ""), "10/10/480/356/");
  EXPECT_EQ(file.Value("default", "option", ""), "47/45/55/21/auto/1000/1/");
  EXPECT_EQ(file.Value("default", "devicepath", ""), devicePath);
  EXPECT_EQ(file.Value("default", "port", ""), kPort);
  EXPECT_EQ(file.KeyNames("viewlist"), (std::vector<std::string>{"p3", "p1", "p2"}));
  for (const auto& key : file.KeyNames("viewlist")) EXPECT_EQ(file.Value("viewlist", key, ""), "1/15/");
  const std::string bytes = FileBytes(ScopePath());
  EXPECT_NE(bytes.find(Utf8ToCp1251("devicepath=" + devicePath + "\r\n")), std::string::npos);

  // The engineer trims the list; opening the scope again must not rebuild it.
  EraseProfileSection(ScopePath(), "viewlist");
  WriteProfileString(ScopePath(), "viewlist", "p2", "3/40/");
  const std::string edited = FileBytes(ScopePath());
  const auto second = Prepare(kIdLine, "9/COM1/9600/8/QuBUS/RAM/");
  EXPECT_EQ(second.path, ScopePath());
  EXPECT_EQ(FileBytes(ScopePath()), edited);
}

TEST_F(DeviceScopeFileTest, CopiesTheFirmwareTemplateWithTheLinkRewritten) {
  ASSERT_TRUE(WriteCp1251File(TemplatePath(),
                              "[default]\ndevicepath=D:\\old.ini\nwindow=5/6/700/400/\nport=4/COM9/9600/20/QuBUS/RAM/\n"
                              "option=10/20/30/40/auto/1000/0/\n[viewlist]\np2=2,5/30/\n[notes]\nавтор=Иванов\n"));
  ASSERT_TRUE(SetReadOnly(TemplatePath()));
  const std::string templateBytes = FileBytes(TemplatePath());

  const auto result = Prepare("501 QT v2.1");  // no date: three tokens are enough
  ASSERT_EQ(result.path, ScopePath()) << result.problem;
  EXPECT_FALSE(IsReadOnly(ScopePath()));
  EXPECT_EQ(FileBytes(TemplatePath()), templateBytes);

  const IniDocument file = IniDocument::Load(ScopePath());
  EXPECT_EQ(file.Value("default", "devicepath", ""), devicePath);
  EXPECT_EQ(file.Value("default", "port", ""), kPort);
  EXPECT_EQ(file.Value("default", "window", ""), "5/6/700/400/");
  EXPECT_EQ(file.Value("default", "option", ""), "10/20/30/40/auto/1000/0/");
  EXPECT_EQ(file.KeyNames("viewlist"), std::vector<std::string>{"p2"});
  EXPECT_EQ(file.Value("viewlist", "p2", ""), "2,5/30/");
  EXPECT_EQ(file.Value("notes", "автор", ""), "Иванов");

  // A template of other firmware is not this device's.
  RemoveFile(ScopePath());
  ASSERT_EQ(Prepare("501 QT v2.2 2024-01-10").path, ScopePath());
  EXPECT_EQ(IniDocument::Load(ScopePath()).KeyNames("viewlist"), (std::vector<std::string>{"p3", "p1", "p2"}));
}

TEST_F(DeviceScopeFileTest, RefusesShortIdentitiesAndNamesOutsideTheScopeDirectory) {
  for (const char* idLine : {"", "501 QT", "501 QT ", "../../x QT v2.1 2024-01-10", "501 a\\b v2.1 2024-01-10",
                             "501 a/.. v2.1 2024-01-10"}) {
    const auto result = Prepare(idLine);
    EXPECT_FALSE(result.path) << idLine;
    EXPECT_FALSE(result.problem.empty()) << idLine;
  }
  EXPECT_TRUE(ListFiles(paths.scopeWindow, "*", false).empty());
  EXPECT_TRUE(ListFiles(dir.Path(), "*", false).empty());

  // A firmware version that would reach outside the template directory finds no template there.
  ASSERT_TRUE(WriteCp1251File(paths.ScopeTemplate() + "QT2_/x.scp", "[default]\nwindow=1/1/1/1/\n"));
  ASSERT_EQ(Prepare("501 QT v2./x 2024-01-10").path, ScopePath());
  EXPECT_EQ(IniDocument::Load(ScopePath()).Value("default", "window", ""), "10/10/480/356/");
}

TEST_F(DeviceScopeFileTest, ReportsAScopeDirectoryThatCannotBeMade) {
  ASSERT_TRUE(WriteCp1251File(dir / "ScopeWindow", "not a directory\n"));
  const auto result = Prepare(kIdLine);
  EXPECT_FALSE(result.path);
  EXPECT_NE(result.problem.find("ScopeWindow"), std::string::npos);
}

}  // namespace
}  // namespace quillon
