#include "history/device_merge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/ini_document.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

std::string DemoDevice() {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/demo/Devices/TK3/1027.ini", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Replaces the one occurrence of a UTF-8 text, both given as the file's Windows-1251 bytes.
std::string Edited(std::string bytes, std::string_view from, std::string_view to) {
  const std::string raw = Utf8ToCp1251(from);
  const auto at = bytes.find(raw);
  if (at == std::string::npos || bytes.find(raw, at + 1) != std::string::npos) {
    throw std::logic_error("not exactly once: " + std::string(from));
  }
  return bytes.replace(at, raw.size(), Utf8ToCp1251(to));
}

std::string WithoutPart(std::string bytes, const std::string& part) {
  return bytes.erase(bytes.find(part), part.size());
}

std::optional<std::string> ValueIn(const std::string& bytes, std::string_view section, std::string_view key) {
  return IniDocument::FromText(Cp1251ToUtf8(bytes)).Value(section, key);
}

TEST(DeviceMerge, ChangesOfDifferentKeysMergeAndLeaveEveryOtherByteAsOurs) {
  const std::string base = DemoDevice();
  ASSERT_NE(base.find("\r\n"), std::string::npos);
  const std::string ours = Edited(base, "Inom=100\r\n", "Inom=120\r\n");
  std::string theirs = Edited(base, "Location=Котельная, цех 3", "Location=Место установки: насосная 4");
  theirs = Edited(theirs, "/с/Tmot*2/2//0/x0032/", "/с/Tmot*2/2//0/x0040/");

  const DeviceMergeResult result = MergeDeviceFile(base, ours, theirs);

  EXPECT_TRUE(result.Clean());
  // The whole file compared: encoding, CRLF, order and blank lines all as ours had them.
  std::string expected = Edited(ours, "Location=Котельная, цех 3", "Location=Место установки: насосная 4");
  expected = Edited(expected, "/с/Tmot*2/2//0/x0032/", "/с/Tmot*2/2//0/x0040/");
  EXPECT_EQ(result.merged, expected);
  EXPECT_EQ(ValueIn(result.merged, "device", "LOCATION"), "Место установки: насосная 4");
  EXPECT_EQ(MergeDeviceFile(base, ours, base).merged, ours);
  EXPECT_EQ(MergeDeviceFile(base, base, theirs).merged, theirs);
}

TEST(DeviceMerge, OnlyDifferentChangesOfOneKeyConflictAndResolveToTheChoice) {
  const std::string base = DemoDevice();
  std::string ours = Edited(base, "Description=Насос охлаждения №2", "Description=Насос №2 (резерв)");
  ours = Edited(ours, "Unom=380", "Unom=400");
  std::string theirs = Edited(base, "Description=Насос охлаждения №2", "Description=Насос подпитки");
  theirs = Edited(theirs, "Unom=380", "Unom=400");

  const DeviceMergeResult result = MergeDeviceFile(base, ours, theirs);

  ASSERT_EQ(result.conflicts.size(), 1u);
  const DeviceMergeConflict& conflict = result.conflicts[0];
  EXPECT_EQ(conflict.section, "DEVICE");
  EXPECT_EQ(conflict.key, "Description");
  EXPECT_EQ(conflict.base, "Насос охлаждения №2");
  EXPECT_EQ(conflict.ours, "Насос №2 (резерв)");
  EXPECT_EQ(conflict.theirs, "Насос подпитки");
  EXPECT_EQ(result.merged, ours);

  using Take = DeviceMergeChoice::Take;
  EXPECT_EQ(ResolveConflicts(result, {{Take::kOurs, {}}}), ours);
  EXPECT_EQ(ResolveConflicts(result, {{Take::kTheirs, {}}}),
            Edited(ours, "Description=Насос №2 (резерв)", "Description=Насос подпитки"));
  EXPECT_EQ(ResolveConflicts(result, {{Take::kValue, "Насос №2"}}),
            Edited(ours, "Description=Насос №2 (резерв)", "Description=Насос №2"));
  EXPECT_THROW(ResolveConflicts(result, {}), std::invalid_argument);
}

TEST(DeviceMerge, TwoSavesOfOneFileKeepTheLaterSaveTime) {
  const std::string base = DemoDevice();
  const std::string ours = Edited(Edited(base, "Inom=100", "Inom=120"), "LastDateTime=14.09.2023 10:42:17",
                                  "LastDateTime=03.12.2026 09:15:00");
  const std::string theirs = Edited(Edited(base, "Unom=380", "Unom=400"), "LastDateTime=14.09.2023 10:42:17",
                                    "LastDateTime=04.12.2026 08:00:00");
  const DeviceMergeResult later = MergeDeviceFile(base, ours, theirs);
  ASSERT_TRUE(later.Clean()) << later.conflicts[0].key;
  EXPECT_EQ(ValueIn(later.merged, "DEVICE", "LastDateTime"), "04.12.2026 08:00:00");
  EXPECT_EQ(ValueIn(later.merged, "vars", "Inom"), "120");
  EXPECT_EQ(ValueIn(later.merged, "vars", "Unom"), "400");
  const DeviceMergeResult earlier = MergeDeviceFile(base, theirs, ours);
  ASSERT_TRUE(earlier.Clean());
  EXPECT_EQ(ValueIn(earlier.merged, "DEVICE", "LastDateTime"), "04.12.2026 08:00:00");
  // What is not a time stays the engineer's call.
  EXPECT_EQ(MergeDeviceFile(base, Edited(base, "LastDateTime=14.09.2023 10:42:17", "LastDateTime=вчера"), theirs)
                .conflicts.size(),
            1u);
}

TEST(DeviceMerge, NewKeysLandInTheirSectionAndNewSectionsAtTheEnd) {
  const std::string base = DemoDevice();
  const std::string ours = Edited(base, "r11=", "r12=Ud/Напряжение звена/TWORD/x0216/r010B/В/1/2//0/x0000/\r\nr11=");
  std::string theirs = Edited(base, "x00#Стоп/x01#Разгон/x02#Работа/x03#Авария/x00/\r\n",
                              "x00#Стоп/x01#Разгон/x02#Работа/x03#Авария/x00/\r\nFnom=50\r\n");
  theirs += Utf8ToCp1251("\r\n[NOTES]\r\nМесто установки=Насосная 4\r\n");

  const DeviceMergeResult result = MergeDeviceFile(base, ours, theirs);

  EXPECT_TRUE(result.Clean());
  std::string expected = Edited(ours, "x00#Стоп/x01#Разгон/x02#Работа/x03#Авария/x00/\r\n",
                                "x00#Стоп/x01#Разгон/x02#Работа/x03#Авария/x00/\r\nFnom=50\r\n");
  expected += Utf8ToCp1251("\r\n[NOTES]\r\nМесто установки=Насосная 4\r\n");
  EXPECT_EQ(result.merged, expected);
}

TEST(DeviceMerge, RemovalsTakeEffectUnlessTheOtherSideChangedTheSection) {
  const std::string base = DemoDevice();
  const std::string cdSection = base.substr(base.find("[CD]"), base.find("[STAT]") - base.find("[CD]"));
  std::string theirs = WithoutPart(base, cdSection);
  theirs = Edited(theirs, "PowerOns=0/12/0/Включения питания контроллера\r\n", "");
  const std::string ours = Edited(base, "ManualStops=0/10/0/", "ManualStops=1/10/0/");

  const DeviceMergeResult result = MergeDeviceFile(base, ours, theirs);
  EXPECT_TRUE(result.Clean());
  EXPECT_EQ(result.merged,
            Edited(WithoutPart(ours, cdSection), "PowerOns=0/12/0/Включения питания контроллера\r\n", ""));

  // Theirs drops [STAT] while we changed one key of it: that key conflicts, the rest goes.
  const std::string statSection = base.substr(base.find("[STAT]"), base.find("[EVENTS]") - base.find("[STAT]"));
  const DeviceMergeResult dropped = MergeDeviceFile(base, ours, WithoutPart(base, statSection));
  ASSERT_EQ(dropped.conflicts.size(), 1u);
  EXPECT_EQ(dropped.conflicts[0].key, "ManualStops");
  EXPECT_EQ(dropped.conflicts[0].theirs, std::nullopt);
  EXPECT_EQ(ValueIn(dropped.merged, "STAT", "ManualStops"), "1/10/0/Остановы оператором");
  EXPECT_EQ(ValueIn(dropped.merged, "STAT", "Starts"), std::nullopt);
  EXPECT_EQ(ValueIn(ResolveConflicts(dropped, {{DeviceMergeChoice::Take::kTheirs, {}}}), "STAT", "ManualStops"),
            std::nullopt);
}

// A hand-edited file with LF line ends, odd spacing, comments and a duplicate key.
constexpr std::string_view kHandEdited =
    "[vars]\n"
    "; rated values\n"
    "Inom = 100\n"
    "Unom=380\n"
    "Inom=999\n"
    "\n"
    "[FLASH]\n"
    "p1=Inom/a/\n";

TEST(DeviceMerge, HandEditedLinesKeepTheirShapeAndOtherLinesMergeAsWholeLines) {
  const std::string base(kHandEdited);
  const std::string ours = Edited(base, "Unom=380", "Unom=400");
  // Theirs changes the key through its first line, a later duplicate, and adds a comment.
  std::string theirs = Edited(base, "Inom = 100", "Inom=110");
  theirs = Edited(theirs, "Inom=999", "Inom=998");
  theirs = Edited(theirs, "Unom=380\n", "Unom=380\n; checked on site\n");

  const DeviceMergeResult result = MergeDeviceFile(base, ours, theirs);
  EXPECT_TRUE(result.Clean());
  EXPECT_EQ(result.merged,
            "[vars]\n; rated values\nInom=110\nUnom=400\n; checked on site\nInom=999\n\n[FLASH]\np1=Inom/a/\n");

  // The same comment rewritten two ways cannot be paired up: the section conflicts.
  const DeviceMergeResult clash = MergeDeviceFile(base, Edited(base, "; rated values", "; rated values, motor 1"),
                                                  Edited(base, "; rated values", "; rated values, motor 2"));
  ASSERT_EQ(clash.conflicts.size(), 1u);
  EXPECT_EQ(clash.conflicts[0].section, "vars");
  EXPECT_EQ(clash.conflicts[0].key, "");
  EXPECT_EQ(clash.conflicts[0].theirs, "; rated values, motor 2");
  EXPECT_EQ(ResolveConflicts(clash, {{DeviceMergeChoice::Take::kTheirs, {}}}),
            Edited(base, "; rated values", "; rated values, motor 2"));

  // A typed value keeps the spacing of our line.
  const DeviceMergeResult keyClash =
      MergeDeviceFile(base, Edited(base, "Inom = 100", "Inom = 105"), Edited(base, "Inom = 100", "Inom=110"));
  ASSERT_EQ(keyClash.conflicts.size(), 1u);
  EXPECT_EQ(ResolveConflicts(keyClash, {{DeviceMergeChoice::Take::kValue, "107"}}),
            Edited(base, "Inom = 100", "Inom = 107"));
}

}  // namespace
}  // namespace quillon
