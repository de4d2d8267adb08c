#include "workspace/settings.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "device_files.h"
#include "platform/profile.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;

TEST(Settings, MissingFileGivesTheDefaultsOfAFreshInstallationWithoutCreatingIt) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  const std::pair<const char*, const char*> defaults[] = {{"Top", "0"},
                                                          {"Width", "400"},
                                                          {"TVWidth", "125"},
                                                          {"VPWidth", "275"},
                                                          {"SortType", "0"},
                                                          {"BUS", "QuBUS"},
                                                          {"COM", "COM1"},
                                                          {"BPS", "19200"},
                                                          {"FE", "20"},
                                                          {"DA", "1"},
                                                          {"ServerIP", "192.168.001.003"},
                                                          {"IPPort", "502"},
                                                          {"Organization", "ООО Тихая заводь"}};
  for (const auto& [key, value] : defaults) EXPECT_EQ(ReadSetting(file, key), value) << key;
  EXPECT_EQ(ReadSettingInt(file, "Height"), 400);
  EXPECT_FALSE(FileExists(file)) << "reading must not create the file";
  EXPECT_THROW(SettingDefault("NoSuchKey"), std::out_of_range);
}

TEST(Settings, StoredValuesWinWithoutCaseAndNonIntegersGiveTheDefault) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteCp1251File(file,
                  "[settings]\nsorttype=3\nwidth=abc\nHeight=12px\nTop=\nLeft= -15 \nTVWidth=+-3\n"
                  "VPWidth=99999999999\n");
  EXPECT_EQ(ReadSettingInt(file, "SortType"), 3);
  EXPECT_EQ(ReadSettingInt(file, "Width"), 400);
  EXPECT_EQ(ReadSettingInt(file, "Height"), 400);
  EXPECT_EQ(ReadSettingInt(file, "Top"), 0);
  EXPECT_EQ(ReadSettingInt(file, "Left"), -15);
  EXPECT_EQ(ReadSettingInt(file, "TVWidth"), 125);
  EXPECT_EQ(ReadSettingInt(file, "VPWidth"), 275);
  EXPECT_THROW(ReadSettingInt(file, "BUS"), std::invalid_argument);
}

TEST(Settings, WidthsAreStoredRoundedHalfToEven) {
  for (const auto& [width, text] : {std::pair{119.6, "120"}, {120.5, "120"}, {121.5, "122"}, {-0.2, "0"}}) {
    EXPECT_EQ(RoundedWidthText(width), text) << width;
  }
}

TEST(SettingsLinkKeys, SwitchingToModbusTcpAndBackShowsTheStoredFrameEnd) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "FE", "35");
  WriteSetting(file, "DA", "7");
  const auto tcp = ReadProtocolLinkKeys(file, "MODBUS TCP");
  EXPECT_EQ(tcp.frameEndOrIp, "192.168.001.003");
  EXPECT_EQ(tcp.tcpPort, "502");
  EXPECT_EQ(tcp.addressText, "7");
  // Whatever was typed into the field while MODBUS TCP was selected is not the frame end.
  const auto serial = ReadProtocolLinkKeys(file, "QuBUS");
  EXPECT_EQ(serial.frameEndOrIp, "35");
  EXPECT_EQ(serial.tcpPort, "");
}

TEST(SettingsLinkKeys, ExitStoresOnlyTheKeysOfTheChosenProtocol) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "FE", "35");
  WriteSetting(file, "DA", "7");
  WriteProtocolLinkKeys(file, "MODBUS TCP", {"10.0.0.5", "12", "5020"});
  EXPECT_EQ(ReadSetting(file, "FE"), "35");
  EXPECT_EQ(ReadSetting(file, "DA"), "7");
  EXPECT_EQ(ReadSetting(file, "ServerIP"), "10.0.0.5");
  EXPECT_EQ(ReadSetting(file, "IPPort"), "5020");

  const std::string serialFile = dir / "serial.ini";
  WriteSetting(serialFile, "ServerIP", "10.1.1.1");
  WriteProtocolLinkKeys(serialFile, "MODBUS RTU", {"50", "3", "999"});
  EXPECT_EQ(ReadSetting(serialFile, "FE"), "50");
  EXPECT_EQ(ReadSetting(serialFile, "DA"), "3");
  EXPECT_EQ(ReadSetting(serialFile, "ServerIP"), "10.1.1.1");
  EXPECT_EQ(ProfileKeyNames(serialFile, "Settings").size(), 3u) << "no IPPort may be written";
}

TEST(SettingsLinkKeys, StandardModbusTcpKeepsTheAddressAndPortOfModbusTcp) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "FE", "35");
  WriteSetting(file, "DA", "7");
  WriteSetting(file, "BUS", "MODBUS TCP/IP");
  WriteProtocolLinkKeys(file, ReadSetting(file, "BUS"), {"10.0.0.6", "3", "1502"});
  EXPECT_EQ(ReadSetting(file, "FE"), "35");
  EXPECT_EQ(ReadSetting(file, "BUS"), "MODBUS TCP/IP");
  const auto read = ReadProtocolLinkKeys(file, "MODBUS TCP/IP");
  EXPECT_EQ(read.frameEndOrIp, "10.0.0.6");
  EXPECT_EQ(read.tcpPort, "1502");
  EXPECT_EQ(read.addressText, "7");
}

TEST(SettingsFile, WrittenFileIsWindows1251WithCrlfAndAWindowsFileReadsBack) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "Organization", "ООО Тихая заводь");
  WriteSetting(file, "SortType", "2");
  EXPECT_EQ(FileBytes(file), "[Settings]\r\nOrganization=" + Utf8ToCp1251("ООО Тихая заводь") + "\r\nSortType=2\r\n");

  // "ЗАО Ёлка" in Windows-1251, written byte by byte.
  std::ofstream(file, std::ios::binary)
      << "[Settings]\r\nOrganization=\xC7\xC0\xCE \xA8\xEB\xEA\xE0\r\nReportNumber=17\r\n";
  EXPECT_EQ(ReadSetting(file, "Organization"), "ЗАО Ёлка");
  EXPECT_EQ(ReadSettingInt(file, "ReportNumber"), 17);
}

}  // namespace
}  // namespace quillon
