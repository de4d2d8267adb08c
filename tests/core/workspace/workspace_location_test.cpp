// Where the workspace is: beside the executable in a build folder, the user's data folder when
// installed, and --workspace or QUILLON_WORKSPACE above both; an installed program's first start
// fills the workspace from the shipped data without ever touching what the user has.
#include "workspace/workspace_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workspace/start_arguments.h"

namespace quillon {
namespace {

using testing::TempDir;

WorkspaceSources Installed() {
  return {.option = "",
          .environment = "",
          .xdgDataHome = "",
          .home = "/home/ivanov",
          .programDir = "/usr/bin/",
          .installedData = "/usr/share/quillon/"};
}

TEST(WorkspaceRoot, FollowsTheOptionThenTheEnvironmentThenWhereTheProgramRuns) {
  WorkspaceSources build = Installed();
  build.programDir = "/src/quillon/build/bin/";
  build.installedData.clear();
  EXPECT_EQ(ChooseWorkspaceRoot(build, "/tmp"), "/src/quillon/build/bin/") << "as it always was";

  WorkspaceSources sources = Installed();
  EXPECT_EQ(ChooseWorkspaceRoot(sources, "/tmp"), "/home/ivanov/.local/share/Quillon/");
  sources.xdgDataHome = "/data/ivanov";
  EXPECT_EQ(ChooseWorkspaceRoot(sources, "/tmp"), "/data/ivanov/Quillon/");
  sources.xdgDataHome = "relative/data";
  EXPECT_EQ(ChooseWorkspaceRoot(sources, "/tmp"), "/home/ivanov/.local/share/Quillon/")
      << "a relative XDG_DATA_HOME is not a data folder";

  sources.environment = "site/base";
  EXPECT_EQ(ChooseWorkspaceRoot(sources, "/work"), "/work/site/base/");
  build.environment = "/mnt/usb/Quillon/";
  EXPECT_EQ(ChooseWorkspaceRoot(build, "/work"), "/mnt/usb/Quillon/");

  sources.option = "../other/./ws";
  EXPECT_EQ(ChooseWorkspaceRoot(sources, "/work/a"), "/work/other/ws/") << "the option wins, made plain";

  WorkspaceSources homeless = Installed();
  homeless.home.clear();
  EXPECT_EQ(ChooseWorkspaceRoot(homeless, "/var/tmp"), "/var/tmp/Quillon/");
}

TEST(WorkspaceRoot, AnExecutableIsInstalledOnlyBesideItsSharedData) {
  TempDir dir;
  std::filesystem::create_directories(dir / "usr/bin");
  EXPECT_EQ(InstalledDataDirectory(dir / "usr/bin/"), "") << "a bin folder alone is not an installation";
  std::filesystem::create_directories(dir / "usr/share/quillon");
  EXPECT_EQ(InstalledDataDirectory(dir / "usr/bin/"), dir / "usr/share/quillon/");
  std::filesystem::create_directories(dir / "build/bin");
  std::filesystem::create_directories(dir / "build/share/quillon");
  EXPECT_EQ(InstalledDataDirectory(dir / "build/other/"), "");
}

void Write(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PrepareWorkspace, TheFirstStartMakesTheFoldersAndCopiesTheShippedFilesAndLaterOnesKeepTheUsers) {
  TempDir dir;
  const std::string data = dir / "share/quillon/";
  Write(data + "XLT/template3.xlt", "report template");
  Write(data + "DeviceTemplate/TK.3_14/TK.3_14.ini", "device template");
  Write(data + "Help/Quillon.pdf", "%PDF help");
  Write(data + "demo/settings.ini", "demo only");
  const std::string root = dir / "home/.local/share/Quillon/";

  EXPECT_TRUE(PrepareWorkspace(root, data).empty());
  for (const std::string& folder : WorkspaceFolders())
    EXPECT_TRUE(std::filesystem::is_directory(root + folder)) << folder;
  EXPECT_EQ(testing::FileBytes(root + "XLT/template3.xlt"), "report template");
  EXPECT_EQ(testing::FileBytes(root + "DeviceTemplate/TK.3_14/TK.3_14.ini"), "device template");
  EXPECT_EQ(testing::FileBytes(root + "Help/Quillon.pdf"), "%PDF help");
  EXPECT_FALSE(std::filesystem::exists(root + "settings.ini")) << "the demo is not the user's workspace";

  // The engineer edits a template and deletes the help; a newer package brings a new template.
  Write(root + "XLT/template3.xlt", "our own report");
  std::filesystem::remove(root + "Help/Quillon.pdf");
  Write(data + "XLT/bbx.xlt", "new template");
  EXPECT_TRUE(PrepareWorkspace(root, data).empty());
  EXPECT_EQ(testing::FileBytes(root + "XLT/template3.xlt"), "our own report");
  EXPECT_EQ(testing::FileBytes(root + "XLT/bbx.xlt"), "new template");
  EXPECT_EQ(testing::FileBytes(root + "Help/Quillon.pdf"), "%PDF help");
}

TEST(PrepareWorkspace, RunFromTheBuildFolderItTouchesNothingAndAFailureIsTold) {
  TempDir dir;
  const std::string root = dir / "ws/";
  EXPECT_TRUE(PrepareWorkspace(root, "").empty());
  EXPECT_FALSE(std::filesystem::exists(root));

  // A file where the workspace should be: every folder fails, and each says which.
  Write(dir / "taken", "a file");
  const std::vector<std::string> problems = PrepareWorkspace(dir / "taken/", dir / "share/");
  ASSERT_EQ(problems.size(), WorkspaceFolders().size());
  EXPECT_NE(problems.front().find("Не удалось создать папку"), std::string::npos);
  EXPECT_NE(problems.front().find("taken/Devices"), std::string::npos);
}

TEST(StartArguments, NameTheWorkspaceAndTheFilesToOpenByOptionOrByExtension) {
  const StartArguments parsed = ParseStartArguments(
      {"--workspace", "/srv/ws", "/home/a/trend.SCP", "--record", "x.dat", "last.rec", "--scope", "b.scp"});
  EXPECT_EQ(parsed.workspace, "/srv/ws");
  EXPECT_EQ(parsed.scopeFiles, (std::vector<std::string>{"/home/a/trend.SCP", "b.scp"}));
  EXPECT_EQ(parsed.recordFiles, (std::vector<std::string>{"x.dat", "last.rec"}));
  EXPECT_TRUE(parsed.problems.empty());

  EXPECT_EQ(ParseStartArguments({"--workspace=/a b"}).workspace, "/a b");
  const StartArguments wrong = ParseStartArguments({"notes.txt", "--bogus", "--scope"});
  EXPECT_TRUE(wrong.scopeFiles.empty());
  EXPECT_TRUE(wrong.recordFiles.empty());
  EXPECT_EQ(wrong.problems.size(), 3u);
}

}  // namespace
}  // namespace quillon
