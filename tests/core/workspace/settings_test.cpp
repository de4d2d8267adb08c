#include "workspace/settings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>
#include <vector>

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
  const std::pair<const char*, const char*> defaults[] = {{"Width", "400"},
                                                          {"BUS", "QuBUS"},
                                                          {"COM", "COM1"},
                                                          {"BPS", "19200"},
                                                          {"FE", "20"},
                                                          {"DA", "1"},
                                                          {"IPPort", "502"},
                                                          {"ServerIP", "192.168.001.003"},
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
  std::vector<int> read;
  for (const char* key : {"SortType", "Width", "Height", "Top", "Left", "TVWidth", "VPWidth"}) {
    read.push_back(ReadSettingInt(file, key));
  }
  EXPECT_EQ(read, (std::vector<int>{3, 400, 400, 0, -15, 125, 275}));
  EXPECT_THROW(ReadSettingInt(file, "BUS"), std::invalid_argument);
}

TEST(Settings, WidthsAreStoredRoundedHalfToEven) {
  for (const auto& [width, text] : {std::pair{119.6, "120"}, {120.5, "120"}, {121.5, "122"}, {-0.2, "0"}}) {
    EXPECT_EQ(RoundedWidthText(width), text) << width;
  }
}

// The frame end and the server address share one field: each protocol reads and writes only its
// own keys, so switching to MODBUS TCP (either kind) and back shows the stored frame end again.
TEST(SettingsLinkKeys, EachProtocolReadsAndWritesOnlyItsOwnKeys) {
  TempDir dir;
  int files = 0;
  for (const char* tcp : {"MODBUS TCP", "MODBUS TCP/IP"}) {
    SCOPED_TRACE(tcp);
    const std::string file = dir / ("tcp" + std::to_string(++files) + ".ini");
    WriteSetting(file, "FE", "35");
    WriteSetting(file, "DA", "7");
    const auto fresh = ReadProtocolLinkKeys(file, tcp);
    EXPECT_EQ(std::tuple(fresh.frameEndOrIp, fresh.tcpPort, fresh.addressText),
              std::tuple("192.168.001.003", "502", "7"));
    WriteProtocolLinkKeys(file, tcp, {"10.0.0.5", "12", "5020"});
    EXPECT_EQ(ReadSetting(file, "FE"), "35");
    EXPECT_EQ(ReadSetting(file, "DA"), "7");
    const auto read = ReadProtocolLinkKeys(file, tcp);
    EXPECT_EQ(std::tuple(read.frameEndOrIp, read.tcpPort), std::tuple("10.0.0.5", "5020"));
    const auto serial = ReadProtocolLinkKeys(file, "QuBUS");
    EXPECT_EQ(std::tuple(serial.frameEndOrIp, serial.tcpPort), std::tuple("35", ""));
  }
  const std::string serialFile = dir / "serial.ini";
  WriteSetting(serialFile, "ServerIP", "10.1.1.1");
  WriteProtocolLinkKeys(serialFile, "MODBUS RTU", {"50", "3", "999"});
  EXPECT_EQ(ReadSetting(serialFile, "FE"), "50");
  EXPECT_EQ(ReadSetting(serialFile, "DA"), "3");
  EXPECT_EQ(ReadSetting(serialFile, "ServerIP"), "10.1.1.1");
  EXPECT_EQ(ProfileKeyNames(serialFile, "Settings").size(), 3u) << "no IPPort may be written";
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
