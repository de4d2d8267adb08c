// Downloads and uploads driven by scripted answers: block offsets, retries, the end of a
// file, and what is left on the PC's disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "card/card_download.h"
#include "card/card_upload.h"
#include "core/card/card_answers.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::Bytes;
using testing::CodeAnswer;
using testing::Corrupted;
using testing::CountedAnswer;
using testing::Pattern;
using testing::ReadBytes;
using testing::RequestOffset;
using testing::WithCrc;
namespace fs = std::filesystem;

using Answerer = std::function<Bytes(const Bytes& request)>;

// Runs the operation to its end; the requests it sent and its last step.
struct DriveResult {
  std::vector<Bytes> requests;
  CardStep last;
};

DriveResult Drive(CardOperation& operation, const Answerer& answer, std::size_t limit = 1000) {
  DriveResult run;
  for (std::size_t i = 0; i < limit; ++i) {
    run.requests.push_back(operation.Request());
    run.last = operation.Answer(answer(run.requests.back()));
    if (run.last.Finished()) return run;
  }
  ADD_FAILURE() << "the operation did not end";
  return run;
}

// A card holding `content`: download blocks from the offset asked for.
Answerer CardWith(const Bytes& content) {
  return [content](const Bytes& request) {
    const std::uint32_t offset = RequestOffset(request);
    const std::size_t from = std::min<std::size_t>(offset, content.size());
    const std::size_t count = std::min<std::size_t>(230, content.size() - from);
    return CountedAnswer(0x22, Bytes(content.begin() + from, content.begin() + from + count));
  };
}

std::size_t EntriesIn(const std::string& directory) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

class CardDownloadTest : public ::testing::Test {
 protected:
  CardDownload Make(const std::string& path, CardSpan span = {}) {
    auto file = DownloadFile::Create(path);
    EXPECT_TRUE(file);
    return CardDownload(1, "data.bin", std::move(*file), counters, span);
  }
  testing::TempDir dir;
  TransferCounters counters;
};

TEST_F(CardDownloadTest, AShortLastBlockIsFollowedByARequestAt230MoreAndEndsOnAnEmptyOne) {
  const Bytes content = Pattern(300);
  auto download = Make(dir / "out.bin");
  const DriveResult run = Drive(download, CardWith(content));
  ASSERT_EQ(run.requests.size(), 3u);
  EXPECT_EQ(run.requests[0], BuildCardDownload(1, 0, "data.bin"));
  EXPECT_EQ(RequestOffset(run.requests[1]), 230u);
  EXPECT_EQ(RequestOffset(run.requests[2]), 460u);  // 230 further although only 70 came
  EXPECT_EQ(run.last.outcome, CardOutcome::Done);
  EXPECT_EQ(run.last.message, "файл принят!");
  EXPECT_EQ(ReadBytes(dir / "out.bin"), content);
  EXPECT_EQ(counters.answers.load(), 3u);
  EXPECT_EQ(counters.bytes.load(), 460u);
}

TEST_F(CardDownloadTest, OverALongerExistingFileLeavesExactlyTheReceivedBytes) {
  ASSERT_TRUE(testing::WriteBytes(dir / "out.bin", Pattern(5000, 9)));
  const Bytes content = Pattern(500);
  auto download = Make(dir / "out.bin");
  EXPECT_EQ(Drive(download, CardWith(content)).last.outcome, CardOutcome::Done);
  EXPECT_EQ(ReadBytes(dir / "out.bin"), content);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST_F(CardDownloadTest, AFailureLeavesAnExistingFileUntouchedAndNoTemporaryFile) {
  const Bytes before = Pattern(700, 3);
  ASSERT_TRUE(testing::WriteBytes(dir / "out.bin", before));
  const std::vector<std::pair<Bytes, std::string>> endings{
      {CodeAnswer(0xE4), "файл не найден на microSD!"},
      {CodeAnswer(0xA2), "диск microSD не инициализируется либо отсутствует!"},
      {Corrupted(CountedAnswer(0x22, {1})), "Невозможно прочитать файл. Принятые даные не корректны"},
  };
  for (const auto& [ending, message] : endings) {
    auto download = Make(dir / "out.bin");
    // One good block first, so something was already written when it fails.
    const DriveResult run = Drive(download, [&](const Bytes& request) {
      return RequestOffset(request) == 0 ? CountedAnswer(0x22, Pattern(230)) : ending;
    });
    EXPECT_EQ(run.last.message, message);
    EXPECT_EQ(ReadBytes(dir / "out.bin"), before) << message;
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << message;
  }
}

TEST_F(CardDownloadTest, ACancelledDownloadLeavesNoFileBehind) {
  {
    auto download = Make(dir / "new.bin");
    EXPECT_FALSE(download.Answer(CountedAnswer(0x22, Pattern(230))).Finished());
  }
  EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST_F(CardDownloadTest, TenBadAnswersAreRetriedAndTheEleventhEnds) {
  auto download = Make(dir / "out.bin");
  int bad = 0;
  // Ten bad answers, then the block: the transfer goes on.
  const DriveResult recovered = Drive(download, [&](const Bytes& request) {
    if (RequestOffset(request) == 0 && bad < 10) {
      ++bad;
      return Bytes{};  // silence counts as a bad answer too
    }
    return RequestOffset(request) == 0 ? CountedAnswer(0x22, {7}) : CountedAnswer(0x22, {});
  });
  EXPECT_EQ(recovered.requests.size(), 12u);
  EXPECT_EQ(recovered.last.outcome, CardOutcome::Done);
  EXPECT_EQ(counters.errors.load(), 10u);
  EXPECT_EQ(counters.answers.load(), 12u);

  auto failing = Make(dir / "other.bin");
  const DriveResult failed = Drive(failing, [](const Bytes&) { return Corrupted(CountedAnswer(0x22, {7})); });
  EXPECT_EQ(failed.requests.size(), 11u);
  for (const Bytes& request : failed.requests) EXPECT_EQ(RequestOffset(request), 0u);
  EXPECT_EQ(failed.last.outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(failed.last.message, "Невозможно прочитать файл. Принятые даные не корректны");
  EXPECT_FALSE(fs::exists(dir / "other.bin"));
}

TEST_F(CardDownloadTest, RetriesCountOnlyInARow) {
  auto download = Make(dir / "out.bin");
  // Six bad answers before every good block: never eleven in a row.
  int answered = 0;
  const DriveResult run = Drive(download, [&](const Bytes& request) {
    if (answered++ % 7 < 6) return Corrupted(CountedAnswer(0x22, {1}));
    return RequestOffset(request) < 690 ? CountedAnswer(0x22, Pattern(230)) : CountedAnswer(0x22, {});
  });
  EXPECT_EQ(run.last.outcome, CardOutcome::Done);
  EXPECT_EQ(ReadBytes(dir / "out.bin").size(), 690u);
}

TEST_F(CardDownloadTest, BlocksThatDoNotFitTogetherOrComeFromAnotherSlaveNeverMakeAFile) {
  // A short block is a file's last: data after it would be a file the card does not hold.
  auto download = Make(dir / "out.bin");
  const DriveResult run = Drive(download, [](const Bytes& request) {
    return RequestOffset(request) == 0 ? CountedAnswer(0x22, Pattern(100)) : CountedAnswer(0x22, Pattern(230));
  });
  EXPECT_EQ(run.last.outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(run.last.message, kCardDownloadInconsistentMessage);
  EXPECT_FALSE(fs::exists(dir / "out.bin"));

  // Another slave's block is no block of this file: asked again, never written.
  auto again = Make(dir / "again.bin");
  bool strayed = false;
  const DriveResult asked = Drive(again, [&strayed](const Bytes& request) {
    if (!strayed) {
      strayed = true;
      return CountedAnswer(0x22, Pattern(230, 9), 7);
    }
    return RequestOffset(request) == 0 ? CountedAnswer(0x22, Pattern(50)) : CountedAnswer(0x22, {});
  });
  EXPECT_EQ(asked.last.outcome, CardOutcome::Done);
  EXPECT_EQ(asked.requests[0], asked.requests[1]);
  EXPECT_EQ(ReadBytes(dir / "again.bin"), Pattern(50));

  // A silent controller is told as such once the retries are spent.
  auto silent = Make(dir / "silent.bin");
  EXPECT_EQ(Drive(silent, [](const Bytes&) { return Bytes{}; }).last.message, kCardNoAnswerMessage);
}

// A stretch of a file, as for the oscillogram around an event.
TEST_F(CardDownloadTest, AStretchStartsAtItsOffsetAndEndsAtItsLimitOrAtTheFilesEnd) {
  const Bytes content = Pattern(2000);
  auto download = Make(dir / "osc.bin", {700, 500});
  const DriveResult run = Drive(download, CardWith(content));
  ASSERT_EQ(run.requests.size(), 3u) << "ends once the bytes asked for are in, without an empty block";
  EXPECT_EQ(RequestOffset(run.requests[0]), 700u);
  EXPECT_EQ(RequestOffset(run.requests[2]), 1160u);
  EXPECT_EQ(run.last.outcome, CardOutcome::Done);
  EXPECT_EQ(ReadBytes(dir / "osc.bin"), Bytes(content.begin() + 700, content.begin() + 1200));
  EXPECT_EQ(counters.bytes.load(), 690u);

  // A file that ends before the limit ends on the empty block.
  auto tail = Make(dir / "tail.bin", {300, 5000});
  const DriveResult shorter = Drive(tail, CardWith(Pattern(400)));
  ASSERT_EQ(shorter.requests.size(), 2u);
  EXPECT_EQ(RequestOffset(shorter.requests[1]), 530u);
  EXPECT_EQ(shorter.last.outcome, CardOutcome::Done);
  EXPECT_EQ(ReadBytes(dir / "tail.bin").size(), 100u);
}

// The offsets have 32 bits: a controller that never sends the short last block would have them
// wrap round to the start of the file, and the file grow without end. Started near the end of
// what they reach, a file that ends exactly there is whole, and one that goes on is refused.
TEST_F(CardDownloadTest, NoFileGoesBeyondWhatThe32BitOffsetsReach) {
  const std::uint32_t start = 0xFFFFFFFFu - 2 * 230;
  for (const bool endless : {false, true}) {
    auto download = Make(dir / "far.bin", {start, 0});
    const DriveResult run = Drive(download, [endless](const Bytes& request) {
      return RequestOffset(request) == 0xFFFFFFFFu && !endless ? CountedAnswer(0x22, {})
                                                               : CountedAnswer(0x22, Pattern(230));
    });
    for (const Bytes& request : run.requests) EXPECT_GE(RequestOffset(request), start) << "wrapped round";
    if (endless) {
      EXPECT_EQ(run.requests.size(), 3u);
      EXPECT_EQ(run.last.outcome, CardOutcome::BadAnswer);
      EXPECT_EQ(run.last.message, kCardDownloadTooLongMessage);
      EXPECT_FALSE(fs::exists(dir / "far.bin"));
    } else {
      EXPECT_EQ(run.last.outcome, CardOutcome::Done);
      EXPECT_EQ(ReadBytes(dir / "far.bin").size(), 460u);
    }
    EXPECT_EQ(EntriesIn(dir.Path()), endless ? 0u : 1u);
    fs::remove(dir / "far.bin");
  }
}

class CardUploadTest : public ::testing::Test {
 protected:
  CardUpload Make(const Bytes& content, const std::string& name = "up.bin") {
    EXPECT_TRUE(testing::WriteBytes(dir / "source", content));
    auto source = UploadSource::Open(dir / "source");
    EXPECT_TRUE(source);
    return CardUpload(2, name, std::move(*source), counters);
  }
  // Stores what arrives; status 1 after a full block, 0 after a shorter one.
  Answerer Card() {
    return [this](const Bytes& request) {
      const std::size_t nameEnd = std::find(request.begin() + 6, request.end(), 0) - request.begin();
      const std::size_t count = request[nameEnd + 1];
      stored.resize(RequestOffset(request));
      stored.insert(stored.end(), request.begin() + nameEnd + 2, request.begin() + nameEnd + 2 + count);
      return WithCrc({2, 0x23, static_cast<std::uint8_t>(count == 230 ? 1 : 0)});
    };
  }
  testing::TempDir dir;
  TransferCounters counters;
  Bytes stored;
};

// The Cyrillic name checks that the name is encoded once, as the frame builder does it.
TEST_F(CardUploadTest, ThreeHundredBytesGoAs230AtZeroAnd70At230) {
  const Bytes content = Pattern(300);
  auto upload = Make(content, "Ёж.bin");
  EXPECT_EQ(counters.fileSize.load(), 300u);
  const DriveResult run = Drive(upload, Card());
  ASSERT_EQ(run.requests.size(), 2u);
  EXPECT_EQ(run.requests[0], BuildCardUpload(2, 0, "Ёж.bin", Bytes(content.begin(), content.begin() + 230)));
  EXPECT_EQ(run.requests[1], BuildCardUpload(2, 230, "Ёж.bin", Bytes(content.begin() + 230, content.end())));
  EXPECT_EQ(run.last.message, "файл принят!");
  EXPECT_EQ(stored, content);
}

TEST_F(CardUploadTest, AnEndBeforeTheLastBlockIsNoFileReceived) {
  auto upload = Make(Pattern(700));
  const DriveResult run = Drive(upload, [](const Bytes&) { return WithCrc({2, 0x23, 0}); });
  EXPECT_EQ(run.requests.size(), 1u);
  EXPECT_EQ(run.last.outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(run.last.message, kCardUploadStoppedMessage);
}

TEST_F(CardUploadTest, AnEmptyFileGoesAsOneEmptyBlock) {
  auto upload = Make({});
  const DriveResult run = Drive(upload, Card());
  ASSERT_EQ(run.requests.size(), 1u);
  EXPECT_EQ(run.requests[0], BuildCardUpload(2, 0, "up.bin", Bytes{}));
  EXPECT_EQ(run.last.outcome, CardOutcome::Done);
}

TEST_F(CardUploadTest, AnExactMultipleOf230EndsWhenTheNextReadYieldsNothing) {
  const Bytes content = Pattern(460);
  auto upload = Make(content);
  const DriveResult run = Drive(upload, Card());
  // Both blocks were full, so the card said "more"; no empty third block is sent.
  ASSERT_EQ(run.requests.size(), 2u);
  EXPECT_EQ(run.last.message, "файл принят!");
  EXPECT_EQ(stored, content);
  EXPECT_EQ(counters.bytes.load(), 460u);
}

TEST_F(CardUploadTest, ABadAnswerSendsTheSameBlockAgainAndTheEleventhEnds) {
  const Bytes content = Pattern(500);
  auto upload = Make(content);
  int calls = 0;
  Answerer card = Card();
  const DriveResult run = Drive(upload, [&](const Bytes& request) {
    // Every second answer of the second block is lost.
    if (RequestOffset(request) == 230 && calls++ % 2 == 0) return Bytes{};
    return card(request);
  });
  EXPECT_EQ(run.requests[1], run.requests[2]);
  EXPECT_EQ(stored, content);
  EXPECT_EQ(counters.errors.load(), 1u);

  auto failing = Make(content);
  const DriveResult failed = Drive(failing, [](const Bytes&) { return Corrupted(WithCrc({2, 0x23, 1})); });
  EXPECT_EQ(failed.requests.size(), 11u);
  EXPECT_EQ(failed.last.message, "Невозможно записать файл. Ошибки связи.");
}

TEST_F(CardUploadTest, CardCodesEndTheUpload) {
  auto absent = Make(Pattern(10));
  EXPECT_EQ(absent.Answer(CodeAnswer(0xA3, 2)).message, "диск microSD не инициализируется либо отсутствует!");
  auto missing = Make(Pattern(10));
  const CardStep step = missing.Answer(CodeAnswer(0xE3, 2));
  EXPECT_EQ(step.outcome, CardOutcome::FileMissing);
  EXPECT_EQ(step.message, "файл не найден на microSD!");
}

// "Stored" is an answer of exactly address, function, status 0 or 1 and CRC. A CRC-valid answer
// of another length, whatever its third byte, says nothing about the block: it is sent again.
TEST_F(CardUploadTest, OnlyAnAnswerOfTheExactShapeCountsTheBlockAsStored) {
  const Bytes content = Pattern(700);
  // The address whose CRC makes the third byte of a bare answer 0, as a "file ends here" would be.
  std::uint8_t bare = 1;
  while (bare < 247 && WithCrc({bare, 0x23})[2] != 0) ++bare;
  for (const Bytes& wrong : {WithCrc({bare, 0x23}), WithCrc({2, 0x23}), WithCrc({2, 0x23, 0, 0}),
                             WithCrc({2, 0x23, 1, 0}), WithCrc({2, 0x23, 7})}) {
    EXPECT_TRUE(testing::WriteBytes(dir / "source", content));
    auto source = UploadSource::Open(dir / "source");
    ASSERT_TRUE(source);
    CardUpload upload(wrong[0], "up.bin", std::move(*source), counters);
    const Bytes first = upload.Request();
    const CardStep step = upload.Answer(wrong);
    EXPECT_FALSE(step.Finished()) << ::testing::PrintToString(wrong);
    EXPECT_EQ(upload.Request(), first) << ::testing::PrintToString(wrong);
    EXPECT_EQ(counters.bytes.load(), 0u);
    EXPECT_EQ(counters.errors.load(), 1u);
  }
}

TEST_F(CardUploadTest, AFileLargerThanTheCardTakesIsToldByItsTrueSizeAndNeverGoesBeyond) {
  // Sparse: four gibibytes and one byte without the disk space.
  const std::string huge = dir / "huge";
  const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kCardMaxFileSize) + 1), 0);
  ::close(fd);
  const auto source = UploadSource::Open(huge);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->Size(), kCardMaxFileSize + 1);
  EXPECT_FALSE(CardUploadFits(source->Size()));
  EXPECT_TRUE(CardUploadFits(kCardMaxFileSize));

  // A file that grows while it goes (a log still written) stops at the cap instead of running on.
  Answerer card = Card();
  EXPECT_TRUE(testing::WriteBytes(dir / "source", Pattern(460)));
  auto source500 = UploadSource::Open(dir / "source");
  ASSERT_TRUE(source500);
  CardUpload small(2, "up.bin", std::move(*source500), counters, 500);
  const DriveResult stopped = Drive(small, [&](const Bytes& request) {
    std::ofstream(dir / "source", std::ios::binary | std::ios::app) << std::string(230, 'x');
    return card(request);
  });
  EXPECT_EQ(stopped.requests.size(), 2u);
  EXPECT_EQ(stopped.last.outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(stopped.last.message, kCardUploadTooLargeMessage);
  for (const Bytes& request : stopped.requests) EXPECT_LE(RequestOffset(request) + 230u, 500u);
}

}  // namespace
}  // namespace quillon
