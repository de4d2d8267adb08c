#include "workspace/device_file.h"

#include <gtest/gtest.h>

#include <tuple>

#include "device_files.h"
#include "platform/files.h"
#include "text/cp1251.h"
#include "workspace/identification.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;
using testing::WriteDevice;

TEST(DeviceFileReading, FirstLineWinsKeysIgnoreCaseAndSectionsAreReadOnRequest) {
  TempDir dir;
  const std::string file = dir / "dev.ini";
  WriteCp1251File(file,
                  "[vars]\nIDX=9\nNotID=5\nID X=7\nid = first\nid=second\n[DEVICE]\nID=third\nLocation=  Цех 2 \n");
  // Blanks around "=" are no part of the name, as a hand-edited file has them.
  EXPECT_EQ(FirstLineValue(file, "ID"), "first");
  EXPECT_EQ(FirstLineValue(file, "location"), "Цех 2");
  EXPECT_FALSE(FirstLineValue(file, "Description"));
  EXPECT_FALSE(FirstLineValue(dir / "missing.ini", "ID"));

  WriteCp1251File(file,
                  "[DEVICE]\nID=1 A v1.1 d\n[vars]\nInom=100\nUnom=380\n[FLASH]\np1=a\n[RAM]\nr1=b\n[CD]\nc1=c\n");
  const auto some = ReadDeviceSections(file, kReadVars | kReadRam);
  EXPECT_EQ(some.vars, (std::vector<std::string>{"Inom=100", "Unom=380"}));
  EXPECT_EQ(some.ram, (std::vector<std::string>{"r1=b"}));
  EXPECT_TRUE(some.device.empty() && some.flash.empty() && some.cd.empty());
  EXPECT_EQ(ReadDeviceSections(file, kReadAllSections).cd, (std::vector<std::string>{"c1=c"}));
  EXPECT_EQ(ReadParameterSection(file, "flash"), (std::vector<std::string>{"p1=a"}));
}

TEST(ParseIdentification, TokensSplitAtEverySpaceAndTheFifthKeepsItsSpaces) {
  struct Row {
    const char *text, *serial, *type, *deviceVersion, *firmwareVersion, *date;
    bool hasExtra;
    const char* extra;
  };
  const Row rows[] = {
      {"123 TK v3.12 2010-05-01", "123", "TK", "3", "12", "2010-05-01", false, ""},
      {"123 TK v3.12 2010-05-01 spare unit 2", "123", "TK", "3", "12", "2010-05-01", true, "spare unit 2"},
      {"1 A v1.2 d   two  gaps ", "1", "A", "1", "2", "d", true, "  two  gaps "},
      {"123 TK v3.12 2010-05-01 ", "123", "TK", "3", "12", "2010-05-01", true, ""},
      // Two spaces make an empty token that shifts the rest; "TK" as version has no dot.
      {"123  TK v3.12 2010-05-01", "123", "", "K", "", "v3.12", true, "2010-05-01"},
      {"5 SV v2.1.07 2020", "5", "SV", "2.1", "07", "2020", false, ""},
      {"5 SV v2 2020", "5", "SV", "2", "", "2020", false, ""},
      {"5 SV . 2020", "5", "SV", "", "", "2020", false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto id = ParseIdentification(row.text);
    ASSERT_TRUE(id);
    EXPECT_EQ(
        std::tie(id->serial, id->deviceType, id->deviceVersion, id->firmwareVersion, id->firmwareDate, id->hasExtra,
                 id->extra),
        std::tuple(std::string(row.serial), std::string(row.type), std::string(row.deviceVersion),
                   std::string(row.firmwareVersion), std::string(row.date), row.hasExtra, std::string(row.extra)));
  }
  const auto id = *ParseIdentification("123 TK v3.12 2010-05-01");
  EXPECT_EQ(DeviceTypeKey(id), "TK3");
  EXPECT_EQ(BackupFileName(id), "TK3_123.ini");
}

TEST(ParseIdentification, FewerThanFourTokensIsNoIdentification) {
  for (const char* text : {"", "123 TK v3.12", "123 TK v3.12 ", "   "}) EXPECT_FALSE(ParseIdentification(text)) << text;
  // Four spaces are four empty tokens and an empty fifth: formally valid, with an empty identity.
  EXPECT_TRUE(ParseIdentification("    "));
}

TEST(DeviceIdentity, FirmwareChangesKeepTheDevice) {
  const auto a = *ParseIdentification("123 TK v3.12 2010-05-01");
  EXPECT_TRUE(SameDevice(a, *ParseIdentification("123 TK v3.14 2011-01-01 new board")));
  for (const char* other : {"124 TK v3.12 2010-05-01", "123 TR v3.12 2010-05-01", "123 TK v4.12 2010-05-01"}) {
    EXPECT_FALSE(SameDevice(a, *ParseIdentification(other))) << other;
  }
  EXPECT_EQ(FilterIdentificationText("12'3 TK\r\n v3.1\x01 \x7F\xC0x"), "123 TK v3.1 x");
}

class FindDeviceFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
};

TEST_F(FindDeviceFileTest, TheDevicesOwnFileWinsOverItsBackupCopyWhichIsTheFallback) {
  // BackUp sorts before TK3, so it is visited last: the backup must still not be chosen.
  const auto own = WriteDevice(paths, "TK3", "123.ini", "123 TK v3.12 2010-05-01");
  const auto backup = WriteDevice(paths, "BackUp", "TK3_123.ini", "123 TK v3.11 2009-01-01");
  const auto match = FindDeviceFile(paths, "123 TK v3.12 2010-05-01");
  EXPECT_EQ(match.path, own);
  EXPECT_EQ(match.flags, 0);
  ASSERT_TRUE(RemoveFile(own));
  EXPECT_EQ(FindDeviceFile(paths, "123 TK v3.12 2010-05-01").path, backup);
}

TEST_F(FindDeviceFileTest, LastVisitedMatchWinsAndItsFlagsCount) {
  // Groups are visited from the last listed to the first; within a group the last listed match ends the scan.
  const auto first = WriteDevice(paths, "A", "x.ini", "7 SV v2.07 2020-06-30");
  WriteDevice(paths, "B", "y.ini", "7 SV v2.01 2019-01-01");
  const auto match = FindDeviceFile(paths, "7 SV v2.07 2020-06-30");
  EXPECT_EQ(match.path, first);
  EXPECT_EQ(match.flags, 0) << "the flags are those of the winning match";
  const auto second = WriteDevice(paths, "A", "z.ini", "7 SV v2.07 2020-06-30");
  EXPECT_EQ(FindDeviceFile(paths, "7 SV v2.07 2020-06-30").path, second);
}

TEST_F(FindDeviceFileTest, NothingMatchesWithoutAnIdentityOrOutsideTheGroups) {
  WriteDevice(paths, "TK3", "noid.ini", "");
  WriteCp1251File(paths.devices + "123.ini", "[DEVICE]\nID=123 TK v3.12 2010-05-01\n");
  WriteDevice(paths, "TK3/deeper", "123.ini", "123 TK v3.12 2010-05-01");
  WriteDevice(paths, "TK3", "other.ini", "123 TK v4.12 2010-05-01");
  EXPECT_EQ(FindDeviceFile(paths, "123 TK v3.12 2010-05-01").path, "");
  EXPECT_EQ(FindDeviceFile(paths, "123 TK v3.12").path, "");
}

TEST_F(FindDeviceFileTest, BackupCopyIsNamedAfterTypeKeyAndSerialAndReplacedByANewerOne) {
  const auto own = WriteDevice(paths, "TK3", "123.ini", "123 TK v3.12 2010-05-01", "Насос №2");
  ASSERT_TRUE(BackupDeviceFile(paths, own));
  const std::string copy = paths.BackUp() + "TK3_123.ini";
  EXPECT_EQ(FileBytes(copy), FileBytes(own));
  WriteDevice(paths, "TK3", "123.ini", "123 TK v3.14 2011-01-01", "Насос №3");
  ASSERT_TRUE(BackupDeviceFile(paths, own));
  EXPECT_EQ(FileBytes(copy), FileBytes(own));
  EXPECT_TRUE(BackupDeviceFile(paths, copy)) << "backing up the copy itself keeps it whole";
  EXPECT_EQ(FileBytes(copy), FileBytes(own));
}

TEST_F(FindDeviceFileTest, NoBackupWithoutAUsableIdentityOrWithoutABackupDirectory) {
  const auto own = WriteDevice(paths, "TK3", "123.ini", "123 TK v3.12 2010-05-01");
  WriteCp1251File(paths.devices + "BackUp", "a file where the directory should be\n");
  EXPECT_FALSE(BackupDeviceFile(paths, own));
  ASSERT_TRUE(RemoveFile(paths.devices + "BackUp"));

  EXPECT_FALSE(BackupDeviceFile(paths, WriteDevice(paths, "TK3", "x.ini", "1 TK v3")));
  EXPECT_FALSE(BackupDeviceFile(paths, WriteDevice(paths, "TK3", "y.ini", "0 ../../evil v.1 2010")));
  EXPECT_TRUE(ListFiles(paths.BackUp(), "*", false).empty());
  EXPECT_FALSE(FileExists(paths.program + "evil_0.ini"));
}

TEST(RewriteVarsSection, DeviceFileStaysWindows1251WithCrlfByteForByte) {
  TempDir dir;
  const std::string file = dir / "dev.ini";
  WriteCp1251File(file, "[DEVICE]\nID=1 TK v3.1 d\nDescription=Насос\n\n[vars]\nInom=100\n[FLASH]\np1=a/Ток/TWORD/\n");
  RewriteVarsSection(file, {"Inom=150", "Режим=1#Медленно#0,5/1/"});
  const std::string expected = "[DEVICE]\r\nID=1 TK v3.1 d\r\nDescription=" + Utf8ToCp1251("Насос") +
                               "\r\n\r\n[vars]\r\nInom=150\r\n" + Utf8ToCp1251("Режим=1#Медленно#0,5/1/") +
                               "\r\n[FLASH]\r\np1=a/" + Utf8ToCp1251("Ток") + "/TWORD/\r\n";
  EXPECT_EQ(FileBytes(file), expected);
}

}  // namespace
}  // namespace quillon
