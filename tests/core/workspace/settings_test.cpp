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

TEST(SettingsFirstRun, MissingFileGivesTheDefaultsOfAFreshInstallation) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  EXPECT_EQ(ReadSettingInt(file, "Top"), 0);
  EXPECT_EQ(ReadSettingInt(file, "Left"), 0);
  EXPECT_EQ(ReadSettingInt(file, "Width"), 400);
  EXPECT_EQ(ReadSettingInt(file, "Height"), 400);
  EXPECT_EQ(ReadSettingInt(file, "TVWidth"), 125);
  EXPECT_EQ(ReadSettingInt(file, "VPWidth"), 275);
  EXPECT_EQ(ReadSettingInt(file, "SortType"), 0);
  EXPECT_EQ(ReadSetting(file, "BUS"), "QuBUS");
  EXPECT_EQ(ReadSetting(file, "COM"), "COM1");
  EXPECT_EQ(ReadSetting(file, "BPS"), "19200");
  EXPECT_EQ(ReadSetting(file, "FE"), "20");
  EXPECT_EQ(ReadSetting(file, "DA"), "1");
  EXPECT_EQ(ReadSetting(file, "ServerIP"), "192.168.001.003");
  EXPECT_EQ(ReadSetting(file, "IPPort"), "502");
  EXPECT_EQ(ReadSetting(file, "Organization"), "ООО Тихая заводь");
  EXPECT_EQ(ReadSetting(file, "ScopeCRC16Check"), "1");
  EXPECT_FALSE(FileExists(file)) << "reading must not create the file";
  EXPECT_THROW(SettingDefault("NoSuchKey"), std::out_of_range);
}

TEST(SettingsValues, KeysCompareWithoutCaseAndStoredValuesWin) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteCp1251File(file, "[settings]\nsorttype=3\nwidth=1024\n");
  EXPECT_EQ(ReadSettingInt(file, "SortType"), 3);
  EXPECT_EQ(ReadSettingInt(file, "Width"), 1024);
  EXPECT_EQ(ReadSettingInt(file, "Height"), 400);
}

TEST(SettingsValues, NonIntegerTextInAnIntegerKeyGivesTheDefault) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteCp1251File(file, "[Settings]\nWidth=abc\nHeight=12px\nTop=\nLeft= -15 \nTVWidth=+-3\nVPWidth=99999999999\n");
  EXPECT_EQ(ReadSettingInt(file, "Width"), 400);
  EXPECT_EQ(ReadSettingInt(file, "Height"), 400);
  EXPECT_EQ(ReadSettingInt(file, "Top"), 0);
  EXPECT_EQ(ReadSettingInt(file, "Left"), -15);
  EXPECT_EQ(ReadSettingInt(file, "TVWidth"), 125);
  EXPECT_EQ(ReadSettingInt(file, "VPWidth"), 275);
  EXPECT_THROW(ReadSettingInt(file, "BUS"), std::invalid_argument);
}

TEST(SettingsValues, SortTypeOutsideTheFiveVariantsIsVariantZero) {
  EXPECT_EQ(NormalizedSortType(-1), 0);
  EXPECT_EQ(NormalizedSortType(5), 0);
  EXPECT_EQ(NormalizedSortType(4), 4);
  EXPECT_EQ(NormalizedSortType(1), 1);
}

TEST(SettingsValues, WidthsAreStoredRoundedToTheNearestInteger) {
  EXPECT_EQ(RoundedWidthText(119.6), "120");
  EXPECT_EQ(RoundedWidthText(120.4), "120");
  EXPECT_EQ(RoundedWidthText(120.5), "120");
  EXPECT_EQ(RoundedWidthText(121.5), "122");
  EXPECT_EQ(RoundedWidthText(-0.2), "0");
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
  EXPECT_EQ(serial.addressText, "7");
  EXPECT_EQ(serial.tcpPort, "");
}

TEST(SettingsLinkKeys, ExitWithModbusTcpLeavesFrameEndAndAddressAsStored) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "FE", "35");
  WriteSetting(file, "DA", "7");
  WriteProtocolLinkKeys(file, "MODBUS TCP", {"10.0.0.5", "12", "5020"});
  EXPECT_EQ(ReadSetting(file, "FE"), "35");
  EXPECT_EQ(ReadSetting(file, "DA"), "7");
  EXPECT_EQ(ReadSetting(file, "ServerIP"), "10.0.0.5");
  EXPECT_EQ(ReadSetting(file, "IPPort"), "5020");
}

TEST(SettingsLinkKeys, ExitWithASerialProtocolLeavesTheTcpKeysAsStored) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "ServerIP", "10.1.1.1");
  WriteProtocolLinkKeys(file, "MODBUS RTU", {"50", "3", "999"});
  EXPECT_EQ(ReadSetting(file, "FE"), "50");
  EXPECT_EQ(ReadSetting(file, "DA"), "3");
  EXPECT_EQ(ReadSetting(file, "ServerIP"), "10.1.1.1");
  EXPECT_EQ(ReadSetting(file, "IPPort"), "502");
  EXPECT_EQ(ProfileKeyNames(file, "Settings").size(), 3u) << "no IPPort may be written";
}

TEST(SettingsFile, WrittenFileIsWindows1251WithCrlf) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  WriteSetting(file, "Organization", "ООО Тихая заводь");
  WriteSetting(file, "SortType", "2");
  EXPECT_EQ(FileBytes(file), "[Settings]\r\nOrganization=" + Utf8ToCp1251("ООО Тихая заводь") + "\r\nSortType=2\r\n");
}

TEST(SettingsFile, FileOfAWindowsProgramIsReadWithItsRussianTextIntact) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  // "ЗАО Ёлка" in Windows-1251, written byte by byte.
  const std::string bytes = "[Settings]\r\nOrganization=\xC7\xC0\xCE \xA8\xEB\xEA\xE0\r\nReportNumber=17\r\n";
  std::ofstream(file, std::ios::binary) << bytes;
  EXPECT_EQ(ReadSetting(file, "Organization"), "ЗАО Ёлка");
  EXPECT_EQ(ReadSettingInt(file, "ReportNumber"), 17);
}

}  // namespace
}  // namespace quillon
