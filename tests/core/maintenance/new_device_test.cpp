// Templates and the device files made from them.
#include "maintenance/new_device.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <tuple>

#include "maintenance/device_file_replace.h"
#include "maintenance/device_templates.h"
#include "maintenance_files.h"
#include "platform/files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon::testing {
namespace {

constexpr DateTime kToday = 45000;  // 15.03.2023

Identification Id(const std::string& text) { return ParseIdentification(text).value(); }

class NewDeviceTest : public ::testing::Test {
 protected:
  std::string AddTemplate(const std::string& name, const std::string& inom) {
    return WriteFile(paths.deviceTemplate + name, DeviceFileText("TEMPLATE", "", "", inom));
  }

  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
};

TEST(TemplateNameTest, SplitsAtTheLastDotThenAtTheLastUnderscore) {
  for (const auto& [name, type, device, firmware] : {std::tuple{"TK.3_14", "TK", "3", "14"},
                                                     {"Sub.TK.3_1_07", "Sub.TK", "3_1", "07"},
                                                     {"EX.2", "EX", "2", ""},
                                                     {"plain", "plain", "", ""}}) {
    const TemplateEntry entry = ParseTemplateName(name);
    EXPECT_EQ(std::tie(entry.typeName, entry.deviceVersion, entry.firmwareVersion), std::tuple(type, device, firmware))
        << name;
  }
  EXPECT_EQ(TemplateVersionTag(ParseTemplateName("TK.3_14")), "v3.14");
  EXPECT_EQ(TemplateFileName(Id("1045 TK v3.12 2019-11-02 spare unit 2")), "TK.3_12");
}

TEST_F(NewDeviceTest, TemplatesAreListedLastFirstAndTheControllersVersionsArePreselected) {
  AddTemplate("TK.3_12", "100");
  AddTemplate("tk.3_14", "110");
  AddTemplate("SV.2_07", "90");
  AddTemplate(".keep", "0");

  const std::vector<TemplateEntry> entries = ListDeviceTemplates(paths);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(std::tie(entries[0].typeName, entries[1].typeName, entries[2].typeName), std::tuple("tk", "TK", "SV"));
  EXPECT_EQ(entries[1].path, paths.deviceTemplate + "TK.3_12");

  EXPECT_EQ(MatchingTemplate(entries, Id("1045 TK v3.12 2019-11-02")), 1);
  EXPECT_EQ(MatchingTemplate(entries, Id("9 SV v2.07 2020-06-30")), 2);
  // Type names compare exactly, and versions as written.
  for (const char* other : {"1045 TK v3.14 2021-03-15", "1045 TK v3.13 2021-03-15", "1045 TK v31.2 2021-03-15"}) {
    EXPECT_EQ(MatchingTemplate(entries, Id(other)), -1) << other;
  }

  // Of two entries that read the same, the one nearer the end wins.
  const std::vector<TemplateEntry> twins{{"TK", "3", "12", "a"}, {"SV", "2", "07", "b"}, {"TK", "3", "12", "c"}};
  EXPECT_EQ(MatchingTemplate(twins, Id("1 TK v3.12 x")), 2);
  EXPECT_EQ(TemplateByTypeName(twins, "TK"), 0);
  EXPECT_EQ(TemplateByTypeName(twins, "TK3"), -1);
}

TEST_F(NewDeviceTest, AddedTemplateReplacesAReadOnlyOneOfItsNameAndIsPreselected) {
  const std::string old = AddTemplate("TK.3_15", "1");
  ASSERT_TRUE(SetReadOnly(old));
  const std::string source = WriteFile(dir / "elsewhere/my template.ini", DeviceFileText("X", "", "", "777"));
  ASSERT_TRUE(SetReadOnly(source));

  const std::string added = AddDeviceTemplate(paths, source, Id("1050 TK v3.15 2024-01-01"));
  EXPECT_EQ(added, paths.deviceTemplate + "TK.3_15");
  EXPECT_EQ(FileBytes(added), FileBytes(source));
  EXPECT_FALSE(IsReadOnly(added));
  const auto entries = ListDeviceTemplates(paths);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(MatchingTemplate(entries, Id("1050 TK v3.15 2024-01-01")), 0);

  // A type from the line that would leave DeviceTemplate/ is refused.
  for (const char* id : {"1 ../x v1.0 d", "1 a/b v1.0 d"}) {
    EXPECT_THROW(AddDeviceTemplate(paths, source, Id(id)), std::runtime_error) << id;
  }
  EXPECT_FALSE(FileExists(dir / "x.1_0"));
  EXPECT_EQ(ListDeviceTemplates(paths).size(), 1u);
  EXPECT_THROW(AddDeviceTemplate(paths, dir / "missing", Id("1 TK v3.16 d")), std::runtime_error);
  EXPECT_EQ(ListFiles(paths.deviceTemplate, "*", false), std::vector<std::string>{"TK.3_15"}) << "no temporary left";
}

TEST_F(NewDeviceTest, NewDeviceGetsTheTemplateWithItsIdentityInItsGroup) {
  const TemplateEntry entry = ParseTemplateName("TK.3_14");
  TemplateEntry withPath = entry;
  withPath.path = AddTemplate("TK.3_14", "125");
  const NewDeviceFields fields{"1050 TK v3.14 2021-03-15 new", "1050", "Цех 2", "Насос №3"};

  const auto written = AddDeviceToBase(paths, withPath, fields, kToday);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, paths.devices + "TK3/1050.ini");
  EXPECT_EQ(*written, NewDeviceFilePath(paths, entry, "1050"));
  const IniDocument device = IniDocument::Load(*written);
  EXPECT_EQ(device.SectionLines("DEVICE"),
            (std::vector<std::string>{"ID=1050 TK v3.14 2021-03-15 new", "Description=Насос №3", "Location=Цех 2",
                                      "LastDateTime=15.03.2023", "Plugins=tk/"}));
  const IniDocument source = IniDocument::Load(withPath.path);
  for (const char* section : {"vars", "FLASH", "RAM", "CD"}) {
    EXPECT_EQ(device.SectionLines(section), source.SectionLines(section)) << section;
  }
  EXPECT_EQ(FindDeviceFile(paths, fields.id).path, *written);
  EXPECT_FALSE(DirectoryExists(paths.BackUp())) << "nothing to back up";
}

TEST_F(NewDeviceTest, ExistingDeviceFileIsBackedUpThenReplaced) {
  TemplateEntry entry = ParseTemplateName("TK.3_15");
  entry.path = AddTemplate("TK.3_15", "130");
  const std::string target = WriteFile(paths.devices + "TK3/1027.ini",
                                       DeviceFileText("1027 TK v3.14 2021-03-15", "Насос", "Котельная", "100"));
  const std::string before = FileBytes(target);
  ASSERT_TRUE(SetReadOnly(target));

  const auto written =
      AddDeviceToBase(paths, entry, {"1027 TK v3.15 2024-05-05", "1027", "Котельная", "Насос"}, kToday);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, target);
  EXPECT_EQ(FileBytes(paths.BackUp() + "TK3_1027.ini"), before);
  EXPECT_FALSE(IsReadOnly(target));
  const IniDocument replaced = IniDocument::Load(target);
  EXPECT_EQ(replaced.Value("vars", "Inom", "") + " " + replaced.Value("DEVICE", "ID", ""),
            "130 1027 TK v3.15 2024-05-05");
}

TEST_F(NewDeviceTest, AFileHoldingAnotherDeviceIsKeptUnlessTheEngineerAllowsTheReplace) {
  TemplateEntry entry = ParseTemplateName("TK.3_15");
  entry.path = AddTemplate("TK.3_15", "130");
  const std::string target =
      WriteFile(paths.devices + "TK3/1027.ini", DeviceFileText("1027 QQ v9.9 2024-05-05", "Чужой", "", "100"));
  const std::string before = FileBytes(target);
  NewDeviceFields fields{"1027 TK v3.15 2024-05-05", "1027", "", ""};
  EXPECT_THROW(AddDeviceToBase(paths, entry, fields, kToday), DeviceFileClashError);
  EXPECT_EQ(FileBytes(target), before);
  fields.replaceOtherDevice = true;
  ASSERT_TRUE(AddDeviceToBase(paths, entry, fields, kToday));
  EXPECT_EQ(FileBytes(paths.BackUp() + "QQ9_1027.ini"), before);
}

TEST_F(NewDeviceTest, UnusableSelectionsChangeNothingAndFailuresLeaveTheFileAsItWas) {
  const std::string target = WriteFile(paths.devices + "TK3/1027.ini",
                                       DeviceFileText("1027 TK v3.14 2021-03-15", "Насос", "Котельная", "100"));
  const std::string before = FileBytes(target);
  const NewDeviceFields fields{"1027 TK v3.15 2024-05-05", "1027", "", ""};

  TemplateEntry nameless = ParseTemplateName(".3_15");
  nameless.path = AddTemplate("x", "1");
  EXPECT_FALSE(AddDeviceToBase(paths, nameless, fields, kToday));
  // A file where the group directory belongs.
  TemplateEntry blocked = ParseTemplateName("QT.2_1");
  blocked.path = nameless.path;
  WriteFile(paths.devices + "QT2", "not a directory\n");
  EXPECT_FALSE(AddDeviceToBase(paths, blocked, fields, kToday));

  TemplateEntry missing = ParseTemplateName("TK.3_15");
  missing.path = paths.deviceTemplate + "TK.3_15";
  EXPECT_THROW(AddDeviceToBase(paths, missing, fields, kToday), std::runtime_error);
  TemplateEntry entry = missing;
  entry.path = WriteFile(missing.path, DeviceFileText("TEMPLATE", "", "", std::string(4000, '7')));
  EXPECT_THROW(AddDeviceToBase(paths, entry, {fields.id, "../1027", "", ""}, kToday), std::runtime_error);
  EXPECT_EQ(FileBytes(target), before);

  // The disk fills up halfway through the new file: the old one stays whole.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = before.size() + 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(AddDeviceToBase(paths, entry, fields, kToday), std::runtime_error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);
  EXPECT_EQ(FileBytes(target), before);
  EXPECT_EQ(ListFiles(paths.devices + "TK3", "*", false), std::vector<std::string>{"1027.ini"}) << "no temporary left";
}

}  // namespace
}  // namespace quillon::testing
