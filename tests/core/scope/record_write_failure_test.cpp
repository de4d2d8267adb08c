// A record written or rewritten onto a disk that runs out of room (here: a file size limit) is
// refused with the user's message and leaves the record that was there as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;

class LastWarning : public Prompt {
 public:
  void Warning(const std::string&, const std::string& text) override { last = text; }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::string last;
};

// Runs `write` in a child whose files may not grow past `limit` bytes (the limit must not stay
// with the other tests). The child's exit code: 0 when the write was refused with the message
// about `path`, 1 when it was refused silently or with another text, 2 when it claimed success.
int ExitOfLimitedWrite(rlim_t limit, const std::string& path, const std::function<bool(Prompt&)>& write) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) ::_exit(3);
    LastWarning prompt;
    if (write(prompt)) ::_exit(2);
    ::_exit(prompt.last == std::string(kCreateFailedText) + "\n" + path ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class RecordWriteFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Append(std::make_unique<TTimeMark>());
    ASSERT_NE(CreateVariable("p1=Speed/Скорость/TWORD/x0010/r0008/об/1/2/x0000/", "1/16/", image, list), nullptr);
    ASSERT_EQ(WriteRecord(header, list, 0, path, 99, unexpected), 100);
    old = FileBytes(path);
  }

  std::vector<std::string> DirectoryEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.push_back(entry.path().filename());
    return names;
  }

  TempDir dir;
  std::string path = dir / "r.rec";
  RecordHeader header;
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  std::string old;
  testing::UnexpectedPrompt unexpected;
};

TEST_F(RecordWriteFailureTest, ALongerRecordThatDoesNotFitKeepsTheOldOne) {
  // The new record is far larger than the old one, the limit lies between them.
  const auto limit = static_cast<rlim_t>(old.size() + 1000);
  EXPECT_EQ(ExitOfLimitedWrite(limit, path,
                               [&](Prompt& prompt) { return WriteRecord(header, list, 0, path, 32000, prompt) != 0; }),
            0);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"r.rec"}) << "no temporary file stays behind";
}

TEST_F(RecordWriteFailureTest, ARewrittenHeaderThatDoesNotFitKeepsTheSamples) {
  header.Left = 77;
  EXPECT_EQ(ExitOfLimitedWrite(static_cast<rlim_t>(old.size() / 2), path,
                               [&](Prompt& prompt) { return RewriteRecordHeader(header, list, path, prompt); }),
            0);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{"r.rec"});
}

}  // namespace
}  // namespace quillon
