#include "scope/scope_file.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scope/scope_device.h"
#include "scope/scope_template.h"
#include "scope/window_property.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"
#include "workspace/paths.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;

// RAM holds three words; p1 of FLASH shares its key with a RAM line so that the memory area
// decides which one a window shows.
constexpr const char* kDeviceLines =
    "[DEVICE]\nID=501 QT v2.1 2024-01-10\nMCU=2\n"
    "[vars]\nInom=100\n"
    "[FLASH]\n"
    "p1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n"
    "[RAM]\n"
    "p1=Speed/Скорость/TWORD/x0210/r0108/об/1/2//0/x0000/\n"
    "p2=Icur/Ток/TWORD/x0200/r0100/А/Inom%1000/2//0/x0000/\n"
    "p3=Udc/Напряжение/TWORD/x0204/r0102/В/1/2//0/x0000/\n";

class ScopeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    paths = MakeWorkspacePaths(dir.Path());
    devicePath = paths.devices + "Привод/501.ini";
    ASSERT_TRUE(WriteCp1251File(devicePath, kDeviceLines));
  }

  // Reads `[default]` + `defaultLines` and returns the record.
  TBaseProperty Read(const std::string& defaultLines) {
    const std::string path = paths.scopeWindow + "w.scp";
    EXPECT_TRUE(WriteCp1251File(path, "[default]\n" + defaultLines));
    TBaseProperty property;
    EXPECT_TRUE(ReadScopeSettings(path, property));
    return property;
  }

  ScopeDeviceResult Open(TBaseProperty& property, const std::vector<std::string>& entries) {
    return OpenDeviceFromList(property, entries, property.FilePath, list, image, paths);
  }

  static std::vector<std::string> Port(const TBaseProperty& p) {
    return {p.SlaveAddr, p.PortName, p.Baud, p.FrameEnd, p.Protocol, p.MemArea, p.IPAddress, p.IPPort};
  }

  TempDir dir;
  WorkspacePaths paths;
  std::string devicePath;
  TViewList list;
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize, 0);
};

TEST_F(ScopeFileTest, FileWithoutDefaultSectionIsRefused) {
  const std::string path = paths.scopeWindow + "other.scp";
  ASSERT_TRUE(WriteCp1251File(path, "[Default2]\ndevicepath=x\n[viewlist]\np1=1/16/\n"));
  TBaseProperty property;
  property.FilePath = "before";
  EXPECT_FALSE(ReadScopeSettings(path, property));
  EXPECT_EQ(property.Caption, "other.scp");
  EXPECT_EQ(property.FilePath, "before");
  EXPECT_FALSE(ReadScopeSettings(paths.scopeWindow + "missing.scp", property));
  EXPECT_EQ(ScopeFileRefusal("C:\\a.scp"), "Фаил C:\\a.scp\nне найден, или имеет другой формат !");
}

TEST_F(ScopeFileTest, EveryDefaultOfAnEmptySection) {
  const TBaseProperty p = Read("");
  EXPECT_EQ(p.FilePath, paths.scopeWindow + "w.scp");
  EXPECT_EQ(p.Caption, "w.scp");
  EXPECT_EQ(p.DevicePath, "");
  EXPECT_EQ((std::vector<std::string>{p.Left, p.Top, p.Width, p.Height}),
            (std::vector<std::string>{"90", "167", "218", "176"}));
  EXPECT_EQ(Port(p), (std::vector<std::string>{"1", "COM2", "115200", "8", "QuBUS", "RAM", "192.168.21.1", "502"}));
  EXPECT_EQ(p.ColWidths, (std::array<std::string, 4>{"50", "50", "30", "30"}));
  EXPECT_EQ(p.RefreshMode, "auto");
  EXPECT_EQ(p.Reserved, "1000");
  EXPECT_EQ(p.Grid, "1");
}

TEST_F(ScopeFileTest, PortValueByItsNumberOfFields) {
  struct Case {
    std::string port;
    std::vector<std::string> expected;
  } cases[] = {
      {"port=", {"1", "COM2", "115200", "8", "QuBUS", "RAM", "192.168.1.3", "502"}},
      {"port=5/COM3/9600/10/MODBUS RTU/XRAM/", {"5", "COM3", "9600", "10", "MODBUS RTU", "XRAM", "192.168.1.3", "502"}},
      {"port=5/COM3/9600/10/MODBUS TCP/FLASH/10.1.2.3/",
       {"5", "COM3", "9600", "10", "MODBUS TCP", "FLASH", "10.1.2.3", "502"}},
      {"port=5/COM3/9600/10/MODBUS TCP/FLASH/10.1.2.3/5020/",
       {"5", "COM3", "9600", "10", "MODBUS TCP", "FLASH", "10.1.2.3", "5020"}},
      {"port=7/COM4/", {"7", "COM4", "", "", "", "", "192.168.1.3", "502"}},
      // The separator inside the protocol's name does not shift the fields after it.
      {"port=5/COM3/9600/10/MODBUS TCP/IP/FLASH/10.1.2.3/5020/",
       {"5", "COM3", "9600", "10", "MODBUS TCP/IP", "FLASH", "10.1.2.3", "5020"}},
      {"port=5/COM3/9600/10/MODBUS TCP/IP/RAM/",
       {"5", "COM3", "9600", "10", "MODBUS TCP/IP", "RAM", "192.168.1.3", "502"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Port(Read(c.port + "\n")), c.expected) << c.port;
}

TEST_F(ScopeFileTest, ShownVariablesInViewListOrderFromTheChosenArea) {
  TBaseProperty p = Read("devicepath=" + devicePath + "\n[viewlist]\np3=0,25/20/\np9=2/30/\np1=1/40/\n");
  ASSERT_EQ(ReadViewListKeys(p.FilePath), (std::vector<std::string>{"p3", "p9", "p1"}));
  // p9 is missing from RAM; p2 is shown from the dialog but has no viewlist line yet.
  const ScopeDeviceResult result = Open(p, {"p3 ", "p9 ", "p1 : Speed - Скорость", "p2"});
  EXPECT_EQ(result.status, ScopeDeviceStatus::Built);
  EXPECT_TRUE(result.unreadableKeys.empty());
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0].Definition().Name, "Udc");
  EXPECT_EQ(list[1].Definition().Name, "Speed");  // the RAM line of p1, not the FLASH one
  EXPECT_EQ(list[2].Definition().Name, "Icur");
  EXPECT_DOUBLE_EQ(list[0].TrendGain, 0.25);
  EXPECT_EQ(list[0].RowHeight, 20);
  EXPECT_EQ(list[1].RowHeight, 40);
  EXPECT_DOUBLE_EQ(list[2].TrendGain, 1.0);
  EXPECT_EQ(list[2].RowHeight, 16);
  EXPECT_EQ(list.Path, devicePath);
  EXPECT_FLOAT_EQ(list[2].Scale, 0.1f);  // Inom%1000 through the scale table
  // MCU=2: two bytes of image per address, counted from the lowest address x0200.
  EXPECT_EQ(list.AddressStep, 2);
  EXPECT_EQ(list[2].DataPtr, image.data());
  EXPECT_EQ(list[0].DataPtr, image.data() + 8);
  EXPECT_EQ(list[1].DataPtr, image.data() + 32);

  p.MemArea = "XRAM";
  EXPECT_EQ(Open(p, {"p3", "p1"}).status, ScopeDeviceStatus::Built);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScopeFileTest, OneViewListLinePerShownVariableNeverTheTimeMark) {
  TBaseProperty p = Read("devicepath=" + devicePath + "\n[viewlist]\np1=3/16/\np2=3/16/\np3=3/16/\n");
  Open(p, {"p1", "p2", "p3"});
  ASSERT_EQ(list.Count(), 3);
  list.Variables.insert(list.Variables.begin(), std::make_unique<TTimeMark>());
  list[1].TrendGain = 1.0;
  list[2].TrendGain = 0.25;
  list[3].TrendGain = 100.0;
  list[3].RowHeight = 48;
  // Display order differs from file order: the rows were moved in the window.
  std::swap(list.Variables[1], list.Variables[3]);
  SaveWinFile(p, list);
  EXPECT_EQ(IniDocument::Load(p.FilePath).SectionLines(kScopeViewListSection),
            (std::vector<std::string>{"p3=100/48/", "p2=0,25/16/", "p1=1/16/"}));
  EXPECT_EQ(TrendGainText(1.5), "1,5");
  EXPECT_EQ(TrendGainText(0.1234567), "0,123457");
}

TEST_F(ScopeFileTest, ReadAndWriteBackByteForByte) {
  const std::string text = "[default]\ndevicepath=" + devicePath +
                           "\nwindow=120/80/640/480/\nport=3/COM5/57600/10/MODBUS RTU/RAM/10.0.0.7/5020/\n"
                           "option=90/50/70/40/auto/1000/0/\n[viewlist]\np3=0,25/20/\np1=1/16/\np2=2,5/40/\n";
  const std::string original = paths.scopeWindow + "Стенд.scp";
  ASSERT_TRUE(WriteCp1251File(original, text));
  const std::string bytes = FileBytes(original);

  TBaseProperty p;
  ASSERT_TRUE(ReadScopeSettings(original, p));
  ASSERT_EQ(Open(p, ReadViewListKeys(original)).status, ScopeDeviceStatus::Built);
  ASSERT_TRUE(SetReadOnly(original));
  SaveWinFile(p, list);
  EXPECT_EQ(FileBytes(original), bytes);
  EXPECT_FALSE(IsReadOnly(original));

  p.FilePath = paths.scopeWindow + "copy.scp";
  SaveWinFile(p, list);
  EXPECT_EQ(FileBytes(p.FilePath), bytes);
}

TEST_F(ScopeFileTest, NewFileStartsWithTheDialogsValues) {
  const std::string path = paths.scopeWindow + "new.scp";
  ASSERT_TRUE(EnsureDirectory(paths.scopeWindow));
  CreateScopeFile(path);
  TBaseProperty p;
  ASSERT_TRUE(ReadScopeSettings(path, p));
  EXPECT_EQ(p.Width, "308");
  EXPECT_EQ(Port(p), (std::vector<std::string>{"1", "COM2", "115200", "8", "QuBUS", "RAM", "192.168.1.3", "502"}));
  EXPECT_EQ(p.ColWidths[3], "10");
}

TEST_F(ScopeFileTest, DeviceFileMovedWithinTheWorkspaceIsFound) {
  TBaseProperty p = Read("devicepath=D:\\Old\\Devices\\Привод\\501.ini\n[viewlist]\np2=1/16/\n");
  const ScopeDeviceResult result = Open(p, {"p2"});
  EXPECT_EQ(result.status, ScopeDeviceStatus::Built);
  EXPECT_EQ(p.DevicePath, devicePath);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(LocateDeviceFile("/elsewhere/Привод/501.ini", paths), devicePath);

  // Only the same group and name count, and never a path that leaves the device directory.
  ASSERT_TRUE(WriteCp1251File(dir / "Outside/501.ini", kDeviceLines));
  for (const char* stored :
       {"D:\\Old\\Devices\\Другое\\501.ini", "Привод\\501.ini", "C:\\x\\..\\501.ini", "D:\\Devices\\Привод\\502.ini"}) {
    EXPECT_EQ(LocateDeviceFile(stored, paths), std::nullopt) << stored;
  }
  p.DevicePath = "Привод\\501.ini";
  const ScopeDeviceResult missing = Open(p, {"p2"});
  EXPECT_EQ(missing.status, ScopeDeviceStatus::DeviceFileMissing);
  EXPECT_EQ(missing.message, "Фаил параметров устройства\nПривод\\501.ini\nне найден !\nНайти самостоятельно?");
  EXPECT_EQ(list.Count(), 0);

  p.DevicePath = dir / "Outside/empty.ini";
  ASSERT_TRUE(WriteCp1251File(p.DevicePath, "[FLASH]\np1=a/b/TWORD/x0100/r0080/А/1/2//0/x0000/\n"));
  const ScopeDeviceResult noDevice = Open(p, {"p1"});
  EXPECT_EQ(noDevice.status, ScopeDeviceStatus::NoDeviceSection);
  EXPECT_EQ(noDevice.message, "Фаил " + p.DevicePath + "\nне содержит информации о параметрах устройства !");
}

TEST_F(ScopeFileTest, TemplateNamedAfterDeviceTypeAndFirmware) {
  EXPECT_EQ(ScopeTemplatePath("", paths), std::nullopt);
  EXPECT_TRUE(DirectoryExists(paths.ScopeTemplate()));
  EXPECT_EQ(ScopeTemplatePath(devicePath, paths), paths.ScopeTemplate() + "QT2_1.scp");
  EXPECT_EQ(ScopeTemplateName("501 QT v2"), std::nullopt);
  EXPECT_EQ(ScopeTemplateName("501 ../QT v2.1 2024-01-10"), std::nullopt);
}

class WindowPropertyTest : public ScopeFileTest {
 protected:
  WindowPropertyFields Fields(const char* protocol) {
    return {paths.scopeWindow + "w.scp", devicePath, protocol, "XRAM", "COM7", "9600", "20", "12", "5020"};
  }
};

TEST_F(WindowPropertyTest, SerialNumbersAreCheckedTcpTextsAreNot) {
  struct Case {
    const char* frameEnd;
    const char* address;
    std::optional<WindowPropertyField> refused;
  } cases[] = {
      {"3000", "255", std::nullopt},
      {"0", "0", std::nullopt},
      {"3001", "1", WindowPropertyField::FrameEnd},
      {"-1", "1", WindowPropertyField::FrameEnd},
      {"5", "256", WindowPropertyField::Address},
      {"5", "abc", WindowPropertyField::Address},
      {"", "1", WindowPropertyField::FrameEnd},
  };
  for (const auto& c : cases) {
    for (const char* protocol : {"QuBUS", "MODBUS RTU"}) {
      WindowPropertyFields fields = Fields(protocol);
      fields.frameEnd = c.frameEnd;
      fields.address = c.address;
      const auto refusal = CheckLinkNumbers(fields);
      ASSERT_EQ(refusal.has_value(), c.refused.has_value()) << protocol << " " << c.frameEnd << " " << c.address;
      if (refusal) {
        EXPECT_EQ(refusal->focus, *c.refused);
      }
    }
  }
  WindowPropertyFields tcp = Fields("MODBUS TCP");
  tcp.frameEnd = "3001";
  tcp.address = "не адрес";
  EXPECT_EQ(CheckLinkNumbers(tcp), std::nullopt);
  EXPECT_EQ(CheckIntegerRange("256", 255), "Введите целое число в\nинтервале 0...255 !");
}

TEST_F(WindowPropertyTest, DialogListOfTheAreasVariables) {
  ASSERT_TRUE(WriteCp1251File(dir / "list.ini", "[RAM]\np1=Speed/Скорость/TWORD/\np2=//\np3=Solo\n[FLASH]\nf1=F/x/\n"));
  EXPECT_EQ(ViewParamList(dir / "list.ini", "ram"),
            (std::vector<std::string>{"p1 : Speed - Скорость", "p3 : Solo - "}));
}

TEST_F(WindowPropertyTest, ApplyMapsTheFieldsByProtocol) {
  ASSERT_TRUE(WriteCp1251File(paths.scopeWindow + "w.scp", "[default]\n"));
  TBaseProperty serial;
  EXPECT_EQ(ApplyWindowProperty(Fields("MODBUS RTU"), false, std::nullopt, serial).outcome,
            WindowPropertyOutcome::Applied);
  EXPECT_EQ(Port(serial), (std::vector<std::string>{"12", "COM7", "9600", "20", "MODBUS RTU", "XRAM", "", ""}));
  EXPECT_EQ(serial.DevicePath, devicePath);
  EXPECT_EQ(serial.FilePath, paths.scopeWindow + "w.scp");

  TBaseProperty tcp;
  WindowPropertyFields fields = Fields("MODBUS TCP");
  fields.address = "10.0.0.9";
  fields.frameEnd = "4";
  EXPECT_EQ(ApplyWindowProperty(fields, false, std::nullopt, tcp).outcome, WindowPropertyOutcome::Applied);
  EXPECT_EQ(Port(tcp), (std::vector<std::string>{"4", "", "", "", "MODBUS TCP", "XRAM", "10.0.0.9", "5020"}));

  // A refused pause applies nothing of the link settings.
  TBaseProperty refused;
  refused.Baud = "kept";
  fields = Fields("QuBUS");
  fields.frameEnd = "3001";
  const auto result = ApplyWindowProperty(fields, false, std::nullopt, refused);
  EXPECT_EQ(result.outcome, WindowPropertyOutcome::Refused);
  EXPECT_EQ(result.refusal.focus, WindowPropertyField::FrameEnd);
  EXPECT_EQ(refused.Baud, "kept");
  EXPECT_EQ(refused.DevicePath, "");
}

TEST_F(WindowPropertyTest, MissingFilesAndTheCreateQuestion) {
  TBaseProperty p;
  p.FilePath = "old.scp";
  WindowPropertyFields fields = Fields("QuBUS");
  fields.winPath = paths.scopeWindow + "neu";
  auto result = ApplyWindowProperty(fields, false, std::nullopt, p);
  EXPECT_EQ(result.outcome, WindowPropertyOutcome::Refused);
  EXPECT_EQ(result.refusal.message, "Фаил " + fields.winPath + "\nне существует !");
  EXPECT_EQ(result.refusal.focus, WindowPropertyField::WinPath);

  result = ApplyWindowProperty(fields, true, std::nullopt, p);
  EXPECT_EQ(result.outcome, WindowPropertyOutcome::AskCreate);
  EXPECT_EQ(result.question, "Фаил " + fields.winPath + " не существует !\nсоздать новый?");
  EXPECT_EQ(ApplyWindowProperty(fields, true, false, p).outcome, WindowPropertyOutcome::Closed);
  EXPECT_EQ(p.FilePath, "old.scp");
  EXPECT_EQ(p.Protocol, "");
  EXPECT_FALSE(FileExists(fields.winPath + ".scp"));

  ASSERT_TRUE(EnsureDirectory(paths.scopeWindow));
  EXPECT_EQ(ApplyWindowProperty(fields, true, true, p).outcome, WindowPropertyOutcome::Applied);
  EXPECT_EQ(p.FilePath, fields.winPath + ".scp");
  EXPECT_EQ(FileBytes(p.FilePath), Utf8ToCp1251("[default]\r\ndevicepath=" + devicePath + "\r\n"));

  fields.winPath = p.FilePath;
  fields.devPath = dir / "none.ini";
  result = ApplyWindowProperty(fields, false, std::nullopt, p);
  EXPECT_EQ(result.outcome, WindowPropertyOutcome::Refused);
  EXPECT_EQ(result.refusal.message, "Фаил " + fields.devPath + "\nне существует !");
  EXPECT_EQ(result.refusal.focus, WindowPropertyField::DevPath);
  ASSERT_TRUE(WriteCp1251File(fields.devPath, "[RAM]\n"));
  result = ApplyWindowProperty(fields, false, std::nullopt, p);
  EXPECT_EQ(result.refusal.message, "Фаил " + fields.devPath + "\nне содержит информации о параметрах устройства !");
  EXPECT_EQ(p.DevicePath, devicePath);
}

}  // namespace
}  // namespace quillon
