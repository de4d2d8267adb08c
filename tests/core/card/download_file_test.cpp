// The temporary file a download writes, and when it takes the wanted name.
#include "card/download_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "core/card/card_answers.h"
#include "support/temp_dir.h"
#include "text/cp1251_checked.h"

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

// Only a regular file is replaced, or a name not taken yet; anything else there is left alone
// and said to be no file, before a byte is received.
TEST(DownloadFile, OnlyARegularFileOrAFreeNameIsATarget) {
  testing::TempDir dir;
  ASSERT_TRUE(testing::WriteBytes(dir / "target", Bytes{5}));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  fs::create_symlink(dir / "target", dir / "link");
  fs::create_directory(dir / "dir");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir / "sock";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::vector<std::pair<std::string, std::string>> refused{
      {dir / "fifo", "это канал"},     {dir / "link", "это символическая ссылка"},
      {dir / "dir", "это каталог"},    {dir / "sock", "это сокет"},
      {"/dev/null", "это устройство"},
  };
  for (const auto& [path, kind] : refused) {
    EXPECT_EQ(DownloadTargetRefusal(path), "файл " + path + " не создан: " + kind);
    EXPECT_FALSE(DownloadFile::Create(path)) << path;
  }
  ::close(sock);
  EXPECT_EQ(DownloadTargetRefusal(dir / "target"), std::nullopt);
  EXPECT_EQ(DownloadTargetRefusal(dir / "new"), std::nullopt);
  // Nothing was made beside them, and the symlink still points where it did.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 5);
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(testing::ReadBytes(dir / "target"), Bytes{5});

  // A name taken by something else during the transfer is not replaced at the end either.
  auto file = DownloadFile::Create(dir / "late");
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Append(Bytes{1}));
  fs::create_symlink(dir / "target", dir / "late");
  EXPECT_FALSE(file->Commit());
  EXPECT_TRUE(fs::is_symlink(dir / "late"));
  EXPECT_EQ(testing::ReadBytes(dir / "target"), Bytes{5});
}

// The temporary name grows by its marks; it must still fit where the wanted name fits.
TEST(DownloadFile, AnyNameTheDirectoryTakesCanBeDownloaded) {
  testing::TempDir dir;
  std::string cyrillic;
  for (int i = 0; i < 127; ++i) cyrillic += "Ж";
  for (const std::string& name : {std::string(250, 'a'), std::string(255, 'b'), cyrillic}) {
    auto file = DownloadFile::Create(dir / name);
    ASSERT_TRUE(file) << name.size();
    const std::string temporary = fs::path(file->TemporaryPath()).filename();
    EXPECT_LE(temporary.size(), 255u);
    EXPECT_EQ(temporary.substr(0, 4), "." + name.substr(0, 3));
    EXPECT_EQ(temporary.substr(temporary.size() - 5), ".part");
    EXPECT_EQ(FirstCharacterOutsideCp1251(temporary), std::nullopt) << "no half character: " << temporary;
    ASSERT_TRUE(file->Append(Bytes{1, 2}));
    ASSERT_TRUE(file->Commit());
    EXPECT_EQ(testing::ReadBytes(dir / name), (Bytes{1, 2}));
  }
  // Two at once under the same long name are two temporary files.
  auto first = DownloadFile::Create(dir / std::string(255, 'd'));
  auto second = DownloadFile::Create(dir / std::string(255, 'd'));
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->TemporaryPath(), second->TemporaryPath());
}

}  // namespace
}  // namespace quillon
