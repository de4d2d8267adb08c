#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "recording_canvas.h"
#include "text/datetime.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class TimeMarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Resize(400, 300);  // trend column from x 300, 100 samples wide
    auto owned = std::make_unique<TTimeMark>();
    owned->Clock = [this] { return now; };
    owned->AttachMarkFlags(&pendingMarks);
    mark = static_cast<TTimeMark*>(list.Append(std::move(owned)));
    mark->Layout();
  }
  void Take(std::uint8_t flags) {
    pendingMarks = flags;
    mark->TakeSample();
  }

  TViewList list;
  TTimeMark* mark = nullptr;
  std::uint8_t pendingMarks = 0;
  DateTime now = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
};

TEST_F(TimeMarkTest, EntriesHoldTheMarkByteAndTheTime) {
  Take(0x41);
  EXPECT_EQ(pendingMarks, 0) << "a sample takes the pending flags";
  EXPECT_EQ(mark->MarkAt(mark->History.Head()), 0x41);
  EXPECT_EQ(mark->ValueTextAt(mark->History.Head(), true, 4), "05.03.2024 14:07:09");
  now = EncodeDateTime({2024, 3, 6, 0, 0, 0, 0});
  Take(0);
  EXPECT_EQ(mark->ValueTextAt(mark->History.Head(), true, 4), "06.03.2024");
  EXPECT_EQ(mark->MarkAt(mark->History.Head() - 1), 0x41);
  // The row fills the window, whatever its size.
  list.Resize(500, 420);
  EXPECT_EQ(mark->RowRect, (Rect{0, 0, 500, 420}));
}

TEST_F(TimeMarkTest, MarksAreDrawnByKind) {
  for (int i = 0; i < 200; ++i) Take(0);
  Take(1);  // one-second tick
  Take(0);
  Take(64);    // cursor
  Take(0x90);  // ruler
  Take(0);
  testing::RecordingCanvas canvas(400, 300);
  mark->DrawRow(canvas, 0, mark->History.Head());
  const int right = 300 + list.VisibleCount;  // the newest sample sits at the right edge
  std::vector<std::tuple<Colour, int, int, int, int, int>> lines;
  for (const auto& l : canvas.Lines) lines.emplace_back(l.Pen, l.PenWidth, l.X1, l.X2, l.Y1, l.Y2);
  EXPECT_EQ(lines, (decltype(lines){{kSilver, 1, right - 4, right - 4, 0, 300},
                                    {kNavy, 1, right - 2, right - 2, 0, 300},
                                    {kRed, 2, right - 1, right - 1, 0, 300}}));
  mark->Grid = false;
  testing::RecordingCanvas coarse(400, 300);
  mark->DrawRow(coarse, 0, mark->History.Head());
  EXPECT_EQ(coarse.Lines.size(), 2u);
}

TEST_F(TimeMarkTest, CursorAndRulerBitsChangeOnlyThemselves) {
  Take(0x01);
  const int tick = mark->History.Head();
  mark->SetMarkBits(tick, kNavyMark);
  mark->SetMarkBits(tick + kHistoryLength, kRedMark);  // the same entry, one lap on
  EXPECT_EQ(mark->MarkAt(tick), 0x01 | kNavyMark | kRedMark);
  mark->ClearMarkBits(tick, kNavyMark);
  EXPECT_EQ(mark->MarkAt(tick), 0x01 | kRedMark);
  EXPECT_EQ(mark->TimeAt(tick), now);
}

TEST_F(TimeMarkTest, RecordsCarryWholeEntries) {
  Take(0x80);
  now += 1.0 / 86400.0;
  Take(0x01);
  std::vector<std::uint8_t> record(mark->SampleBytes(2));
  EXPECT_EQ(mark->CopySamples(record, mark->History.Head() - 1, 2), 18u);
  TTimeMark fresh;
  EXPECT_EQ(fresh.LoadSamples(record, 2), 18u);
  EXPECT_EQ(fresh.MarkAt(0), 0x80);
  fresh.History.SetHead(1);  // the newest loaded entry
  EXPECT_EQ(fresh.ValueTextAt(fresh.History.Head(), true, 4), "05.03.2024 14:07:10");
  // A record from elsewhere may carry anything where the time should be.
  std::fill(record.begin(), record.end(), 0xFF);
  fresh.LoadSamples(record, 1);
  fresh.History.SetHead(0);
  EXPECT_EQ(fresh.ValueTextAt(fresh.History.Head(), true, 4), "?");
}

}  // namespace
}  // namespace quillon
