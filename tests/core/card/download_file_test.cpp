// The temporary file a download writes, and when it takes the wanted name.
#include "card/download_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/card/card_answers.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

TEST(DownloadFile, TheWantedNameAppearsOnlyOnCommit) {
  testing::TempDir dir;
  auto file = DownloadFile::Create(dir / "a.bin");
  ASSERT_TRUE(file);
  EXPECT_EQ(fs::path(file->TemporaryPath()).parent_path(), fs::path(dir / "a.bin").parent_path());
  ASSERT_TRUE(file->Append(Bytes{1, 2, 3}));
  EXPECT_FALSE(fs::exists(dir / "a.bin"));
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(testing::ReadBytes(dir / "a.bin"), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(DownloadFile, ReplacingKeepsTheOldPermissions) {
  testing::TempDir dir;
  ASSERT_TRUE(testing::WriteBytes(dir / "a.bin", Bytes(100, 7)));
  ASSERT_EQ(::chmod((dir / "a.bin").c_str(), 0640), 0);
  auto file = DownloadFile::Create(dir / "a.bin");
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Append(Bytes{9}));
  ASSERT_TRUE(file->Commit());
  struct stat info {};
  ASSERT_EQ(::stat((dir / "a.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(testing::ReadBytes(dir / "a.bin"), Bytes{9});
}

TEST(DownloadFile, ADirectoryThatIsNotThereGivesNothing) {
  testing::TempDir dir;
  EXPECT_FALSE(DownloadFile::Create(dir / "missing/a.bin"));
  EXPECT_FALSE(DownloadFile::Create(dir.Path()));  // no file name
}

TEST(DownloadFile, MovingHandsTheTemporaryFileOnOnce) {
  testing::TempDir dir;
  auto file = DownloadFile::Create(dir / "a.bin");
  ASSERT_TRUE(file);
  DownloadFile moved = std::move(*file);
  file.reset();  // the moved-from file must not remove what the other one writes
  EXPECT_TRUE(moved.Append(Bytes{1}));
  EXPECT_TRUE(moved.Commit());
  EXPECT_TRUE(fs::exists(dir / "a.bin"));
}

}  // namespace
}  // namespace quillon
