#include "plugins/plugin_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "plugins/plugin_property.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// Puts a copy of a built library where the program looks for the plug-in `name`.
void Install(const std::string& programDirectory, const std::string& name, const std::string& built) {
  fs::create_directories(programDirectory + "Plugins/" + name);
  fs::copy_file(built, programDirectory + "Plugins/" + name + "/" + name + ".so");
}

bool IsLoaded(const std::string& path) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) ::dlclose(handle);
  return handle != nullptr;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(PluginNamesTest, SplitsAtSlashesDropsEmptyNamesAndReverses) {
  EXPECT_EQ(PluginNames("a/b//c/"), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_TRUE(PluginNames("").empty());
  EXPECT_TRUE(PluginNames("//").empty());
}

TEST(PluginLibraryTest, ExampleGivesItsButtonAndReceivesTheLinkRecord) {
  TempDir program;
  Install(program.Path(), "example", QUILLON_EXAMPLE_PLUGIN);
  LoadedPlugins loaded = LoadPlugins(program.Path(), "example/");
  ASSERT_TRUE(loaded.warnings.empty()) << loaded.warnings.front();
  ASSERT_EQ(loaded.libraries.size(), 1u);
  const PluginLibrary& plugin = loaded.libraries.front();

  // Exactly the host's 16 x 16 buffer: a plug-in drawing past it trips the address sanitizer.
  std::vector<std::uint32_t> pixels(16 * 16);
  QuillonBitmap bitmap{16, 16, 16, pixels.data()};
  QuillonCountedString hint{};
  plugin.GetMainIcon()(&hint, &bitmap);
  EXPECT_EQ(FromCountedString(hint), "Пример модуля");
  EXPECT_NE(pixels.front(), 0u);
  EXPECT_NE(pixels.back(), 0u);

  TBaseProperty link;
  link.DevicePath = "/home/наладчик/Devices/Щит 1.ini";
  link.PortName = "COM1";
  ::TBaseProperty record = ToPluginProperty(link);
  plugin.CreateForm()(nullptr, nullptr, &record, nullptr);

  void* handle = ::dlopen(plugin.Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto openCount = reinterpret_cast<int (*)()>(::dlsym(handle, "ExamplePluginOpenCount"));
  auto devicePath = reinterpret_cast<const QuillonCountedString* (*)()>(::dlsym(handle, "ExamplePluginDevicePath"));
  ASSERT_TRUE(openCount != nullptr && devicePath != nullptr);
  EXPECT_EQ(openCount(), 1);
  EXPECT_EQ(FromCountedString(*devicePath()), link.DevicePath);
  ::dlclose(handle);

  const std::string path = plugin.Path();
  loaded.libraries.clear();
  EXPECT_FALSE(IsLoaded(path));
}

TEST(PluginLibraryTest, LibraryIsUnloadedOnlyWithItsLastOwner) {
  TempDir program;
  Install(program.Path(), "one", QUILLON_EXAMPLE_PLUGIN);
  Install(program.Path(), "two", QUILLON_EXAMPLE_PLUGIN);
  auto first = PluginLibrary::Load(PluginLibraryPath(program.Path(), "one").path);
  auto second = PluginLibrary::Load(PluginLibraryPath(program.Path(), "two").path);
  ASSERT_TRUE(std::holds_alternative<PluginLibrary>(first) && std::holds_alternative<PluginLibrary>(second));
  const std::string onePath = std::get<PluginLibrary>(first).Path();
  const std::string twoPath = std::get<PluginLibrary>(second).Path();
  {
    PluginLibrary owner = std::move(std::get<PluginLibrary>(first));
    {
      PluginLibrary movedFrom = std::move(owner);
      owner = std::move(movedFrom);
    }
    EXPECT_TRUE(IsLoaded(onePath));
    owner = std::move(std::get<PluginLibrary>(second));
    EXPECT_FALSE(IsLoaded(onePath));
    EXPECT_TRUE(IsLoaded(twoPath));
    EXPECT_NE(owner.GetMainIcon(), nullptr);
  }
  EXPECT_FALSE(IsLoaded(twoPath));
}

TEST(PluginLibraryTest, LoadsFromTheLastNameToTheFirstAndSkipsWhatCannotBeUsed) {
  TempDir program;
  Install(program.Path(), "first", QUILLON_EXAMPLE_PLUGIN);
  Install(program.Path(), "second", QUILLON_EXAMPLE_PLUGIN);
  Install(program.Path(), "broken", QUILLON_BROKEN_PLUGIN);
  fs::create_directories(program / "Plugins/junk");
  std::ofstream(program / "Plugins/junk/junk.so") << "not a library";

  LoadedPlugins loaded = LoadPlugins(program.Path(), "first/broken/junk/missing/second");
  ASSERT_EQ(loaded.libraries.size(), 2u);
  EXPECT_TRUE(loaded.libraries[0].Path().ends_with("/second/second.so"));
  EXPECT_TRUE(loaded.libraries[1].Path().ends_with("/first/first.so"));
  ASSERT_EQ(loaded.warnings.size(), 3u);
  EXPECT_TRUE(Contains(loaded.warnings[0], "missing/missing.so не найден")) << loaded.warnings[0];
  EXPECT_TRUE(Contains(loaded.warnings[1], "junk/junk.so не загружается")) << loaded.warnings[1];
  EXPECT_TRUE(Contains(loaded.warnings[2], "broken/broken.so нет функции PluginCreateForm")) << loaded.warnings[2];
}

TEST(PluginLibraryPathTest, RefusesNamesThatLeaveThePluginsFolder) {
  TempDir program;
  TempDir elsewhere;
  fs::create_directories(program / "Plugins");
  for (const std::string& name :
       std::vector<std::string>{"", ".", "..", "a/b", "/abs", "a\\b", std::string("ex\0", 3)}) {
    PluginPathResult result = PluginLibraryPath(program.Path(), name);
    EXPECT_FALSE(result) << name;
    EXPECT_TRUE(Contains(result.warning, "Недопустимое имя модуля")) << name;
  }

  Install(elsewhere.Path(), "outside", QUILLON_EXAMPLE_PLUGIN);
  fs::create_directory_symlink(elsewhere / "Plugins/outside", program / "Plugins/outside");
  fs::create_directories(program / "Plugins/sneaky");
  fs::create_symlink(elsewhere / "Plugins/outside/outside.so", program / "Plugins/sneaky/sneaky.so");
  LoadedPlugins loaded = LoadPlugins(program.Path(), "outside/sneaky/../");
  EXPECT_TRUE(loaded.libraries.empty());
  ASSERT_EQ(loaded.warnings.size(), 3u);
  EXPECT_TRUE(Contains(loaded.warnings[0], "Недопустимое имя модуля \"..\""));
  EXPECT_TRUE(Contains(loaded.warnings[1], "\"sneaky\" находится вне папки"));
  EXPECT_TRUE(Contains(loaded.warnings[2], "\"outside\" находится вне папки"));
}

TEST(PluginLibraryPathTest, FollowsLinksThatStayInsideThePluginsFolder) {
  TempDir program;
  TempDir elsewhere;
  // The Plugins folder itself may live elsewhere; only what lies under it counts.
  Install(elsewhere.Path(), "example", QUILLON_EXAMPLE_PLUGIN);
  fs::create_directory_symlink(elsewhere / "Plugins", program / "Plugins");
  fs::create_directories(program / "Plugins/alias");
  fs::create_symlink("../example/example.so", program / "Plugins/alias/alias.so");

  PluginPathResult alias = PluginLibraryPath(program.Path(), "alias");
  ASSERT_TRUE(alias) << alias.warning;
  EXPECT_EQ(alias.path, fs::canonical(elsewhere / "Plugins/example/example.so").string());
  EXPECT_EQ(LoadPlugins(program.Path(), "example/alias").libraries.size(), 2u);
}

TEST(PluginPropertyTest, TextsBecomeWindows1251CountedStringsCutAt255Characters) {
  TBaseProperty link;
  link.Protocol = "MODBUS RTU";
  link.ColWidths[3] = "Ед.";
  link.Caption = std::string(300, 'x');
  ::TBaseProperty record = ToPluginProperty(link);
  EXPECT_EQ(FromCountedString(record.Protocol), "MODBUS RTU");
  EXPECT_EQ(record.ColWidths[3].length, 3);
  EXPECT_EQ(FromCountedString(record.ColWidths[3]), "Ед.");
  EXPECT_EQ(FromCountedString(record.Caption), std::string(255, 'x'));
  EXPECT_EQ(record.Unused.length, 0);
  EXPECT_EQ(record.Vars, nullptr);
}

}  // namespace
}  // namespace quillon
