// A download of a stretch of a card file: the oscillogram around an event.
#include <gtest/gtest.h>

#include <algorithm>

#include "card/card_download.h"
#include "core/card/card_answers.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::Bytes;
using testing::CountedAnswer;
using testing::Pattern;
using testing::RequestOffset;

TEST(CardDownloadSpanTest, StartsAtTheOffsetAndKeepsExactlyTheBytesAsked) {
  const Bytes content = Pattern(2000);
  testing::TempDir dir;
  TransferCounters counters;
  auto file = DownloadFile::Create(dir / "OSC.dat");
  ASSERT_TRUE(file);
  CardDownload download(5, "OSC.dat", std::move(*file), counters, {700, 500});
  std::vector<std::uint32_t> offsets;
  CardStep step;
  for (int i = 0; i < 10 && !step.Finished(); ++i) {
    const std::uint32_t offset = RequestOffset(download.Request());
    offsets.push_back(offset);
    const std::size_t from = std::min<std::size_t>(offset, content.size());
    const std::size_t count = std::min<std::size_t>(230, content.size() - from);
    step = download.Answer(CountedAnswer(0x22, Bytes(content.begin() + from, content.begin() + from + count), 5));
  }
  EXPECT_EQ(offsets, (std::vector<std::uint32_t>{700, 930, 1160}));
  EXPECT_EQ(step.outcome, CardOutcome::Done) << "ends once the bytes asked for are in, without an empty block";
  EXPECT_EQ(testing::ReadBytes(dir / "OSC.dat"), Bytes(content.begin() + 700, content.begin() + 1200));
  EXPECT_EQ(counters.bytes.load(), 690u);
}

TEST(CardDownloadSpanTest, AFileEndingBeforeTheLimitEndsOnTheEmptyBlock) {
  const Bytes content = Pattern(400);
  testing::TempDir dir;
  TransferCounters counters;
  auto file = DownloadFile::Create(dir / "OSC.dat");
  ASSERT_TRUE(file);
  CardDownload download(5, "OSC.dat", std::move(*file), counters, {300, 5000});
  CardStep step = download.Answer(CountedAnswer(0x22, Bytes(content.begin() + 300, content.end()), 5));
  ASSERT_FALSE(step.Finished());
  EXPECT_EQ(RequestOffset(download.Request()), 530u);
  step = download.Answer(CountedAnswer(0x22, {}, 5));
  EXPECT_EQ(step.outcome, CardOutcome::Done);
  EXPECT_EQ(testing::ReadBytes(dir / "OSC.dat").size(), 100u);
}

}  // namespace
}  // namespace quillon
