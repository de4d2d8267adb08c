// Temporaries of killed saves are cleaned up by the next save into their folder.
#include "platform/save_temporaries.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

// The id of a process that has ended and been reaped: nothing runs under it any more.
pid_t EndedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(SaveTemporaries, TheNextSaveRemovesOnlyTheLitterOfSavesWhoseProcessIsGone) {
  testing::TempDir dir;
  const std::string dead = std::to_string(EndedProcessId());
  const std::string alive = std::to_string(::getppid());
  for (const std::string& name :
       std::vector<std::string>{"123.ini.tmp" + dead, "rec.rec.tmp" + dead, "123.ini.tmp" + alive, "notes.tmp",
                                "tmp" + dead, "123.ini.tmp" + dead + "x", "keep.ini"}) {
    std::ofstream(dir / name) << "x";
  }
  EnsureDirectory(dir / ("folder.tmp" + dead));
  ::symlink((dir / "keep.ini").c_str(), (dir / ("link.tmp" + dead)).c_str());

  IniDocument document;
  document.SetValue("DEVICE", "ID", "123 TK v3.1 2020");
  document.Save(dir / "123.ini");

  EXPECT_FALSE(FileExists(dir / ("123.ini.tmp" + dead)));
  EXPECT_FALSE(FileExists(dir / ("rec.rec.tmp" + dead)));
  for (const std::string& kept :
       std::vector<std::string>{"123.ini.tmp" + alive, std::string("notes.tmp"), "tmp" + dead,
                                "123.ini.tmp" + dead + "x", std::string("keep.ini"), "link.tmp" + dead}) {
    EXPECT_TRUE(FileExists(dir / kept) || DirectoryExists(dir / kept)) << kept;
  }
  EXPECT_TRUE(DirectoryExists(dir / ("folder.tmp" + dead)));
  EXPECT_FALSE(FileExists(dir / ("123.ini.tmp" + std::to_string(::getpid())))) << "its own temporary renamed";
}

TEST(SaveTemporaries, ANameAtTheFileSystemsLimitSavesAndItsTemporaryFits) {
  testing::TempDir dir;
  const std::string name(250, 'n');
  EXPECT_LE(SaveTemporaryName(dir / name).size() - dir.Path().size(), 255u);
  EXPECT_EQ(SaveTemporaryName(dir / name).substr(0, (dir / name).size() - 20),
            (dir / name).substr(0, (dir / name).size() - 20));
  IniDocument document;
  document.SetValue("DEVICE", "ID", "1");
  ASSERT_NO_THROW(document.Save(dir / (name + ".ini")));
  EXPECT_EQ(IniDocument::Load(dir / (name + ".ini")).Value("DEVICE", "ID", ""), "1");
}

}  // namespace
}  // namespace quillon
