// The change lines of a device file's versions, compared without any repository.
#include "history/device_changes.h"

#include <gtest/gtest.h>

#include "text/cp1251.h"

namespace quillon {
namespace {

// A device file as it lies on the disk: Windows-1251, CRLF.
std::string FileText(const std::string& utf8Lines) {
  std::string crlf;
  for (const char c : utf8Lines) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return Utf8ToCp1251(crlf);
}

const std::string kBefore = FileText(
    "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nLocation=Цех 3\n[vars]\nInom=100\nTmot=0.1\n"
    "[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n[RAM]\nr1=x\n");

TEST(DeviceChanges, KeysInFileOrderInTheWordsOfTheChangesViewer) {
  const std::string after = FileText(
      "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nLocation=Котельная\nLastDateTime=01.02.2026 10:00:00\n"
      "[vars]\nInom=120\nUnom=380\n"
      "[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x04B0/\n");
  const std::vector<DeviceChange> changes = CompareDeviceFiles(kBefore, after);
  ASSERT_EQ(changes.size(), 6u) << "LastDateTime is the save's own time, not a change";
  EXPECT_EQ(ChangeLine(changes[0]), "Место установки: Цех 3 -> Котельная");
  EXPECT_EQ(ChangeLine(changes[1]), "Шкала Inom: 100 -> 120");
  EXPECT_EQ(ChangeLine(changes[2]), "Шкала Unom:  -> 380");  // only in the new version
  EXPECT_EQ(ChangeLine(changes[3]), "Шкала Tmot: 0.1 -> ");  // only in the old one
  EXPECT_EQ(ChangeLine(changes[4]), "Inom: x03E8 -> x04B0") << "a parameter by its name and base value";
  // A section the new version no longer has: its keys, old value only.
  EXPECT_EQ(ChangeLine(changes[5]), "r1: x -> ");
}

TEST(DeviceChanges, AWholeLineWhereMoreThanTheValueChanged) {
  const std::string line = "Inom/Ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/";
  const std::string moved = "Inom/Ток/TWORD/x0200/r0080/А/Inom%1000/2//0/x03E8/";
  EXPECT_EQ(ChangeLine(*DescribeChange("FLASH", "p1", line, moved)), "Inom: " + line + " -> " + moved);
  EXPECT_EQ(ChangeLine(*DescribeChange("CD", "p1", std::nullopt, line)), "Inom:  -> x03E8");
  // A list of named values kept in vars: the choice is its last item.
  EXPECT_EQ(
      ChangeLine(*DescribeChange("vars", "StartMode", "x00#Прямой/x01#Плавный/x01/", "x00#Прямой/x01#Плавный/x00/")),
      "StartMode: x01 -> x00");
  EXPECT_EQ(ChangeLine(*DescribeChange("DEVICE", "Description", "Насос", "Вентилятор")),
            "Механизм: Насос -> Вентилятор");
  EXPECT_FALSE(DescribeChange("device", "lastdatetime", "1", "2"));
}

TEST(DeviceChanges, NamesCompareWithoutCaseAndLayoutIsNoChange) {
  // Other letter case in names, blanks around "=" and LF line ends: what the profile reader
  // reads is the same, so nothing changed.
  const std::string after = Utf8ToCp1251(
      "[device]\nid = 1027 TK v3.14 2021-03-15\nLOCATION=Цех 3\n\n[VARS]\nInom=100\nTmot=0.1\n"
      "[Flash]\nP1=Inom/Ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n[RAM]\nr1=x\n");
  EXPECT_TRUE(CompareDeviceFiles(kBefore, after).empty());
  // The same key in two sections is compared within each: the vars line is unchanged.
  const std::vector<DeviceChange> changes =
      CompareDeviceFiles(FileText("[vars]\nInom=1\n[FLASH]\nInom=1\n"), FileText("[vars]\nInom=1\n[FLASH]\nInom=2\n"));
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(ChangeLine(changes[0]), "Inom: 1 -> 2");
}

TEST(DeviceChanges, MessageNamesSerialAndTypeKeyThenOneLinePerChange) {
  const std::string after = FileText(
      "[DEVICE]\nID=1027 TK v3.14 2021-03-16 spare unit\nLocation=Цех 3\n"
      "[vars]\nInom=120\nTmot=0.1\n[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n"
      "[RAM]\nr1=x\n");
  EXPECT_EQ(VersionMessage("1027.ini", kBefore, after),
            "1027 TK3: 2 changes\n\n"
            "ID: 1027 TK v3.14 2021-03-15 -> 1027 TK v3.14 2021-03-16 spare unit\n"
            "Шкала Inom: 100 -> 120\n");
  // The ID of the older version when the new one has none; the file name when neither has.
  EXPECT_EQ(VersionMessage("1027.ini", kBefore, FileText("[DEVICE]\n")).substr(0, 20), "1027 TK3: 6 changes\n");
  EXPECT_EQ(VersionMessage("new.ini", "", FileText("[vars]\nInom=1\n")), "new.ini: 1 changes\n\nШкала Inom:  -> 1\n");
  EXPECT_EQ(VersionMessage("1027.ini", kBefore, kBefore), "1027 TK3: 0 changes\n");
}

}  // namespace
}  // namespace quillon
