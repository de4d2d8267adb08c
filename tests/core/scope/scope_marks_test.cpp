#include "scope/scope_marks.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "scope/scope_columns.h"
#include "text/datetime.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

constexpr DateTime kMillisecond = 1.0 / 86'400'000;

// A scope window's list whose trend area starts at x 300 and is 100 pixels wide, with 200
// samples taken 10 ms apart: sample k was taken k * 10 ms after `start`.
class ScopeMarksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.SetColumnWidths(90, 50, 90, 70);
    auto owned = std::make_unique<TTimeMark>();
    owned->Clock = [this] { return start + 10 * kMillisecond * ++taken; };
    mark = static_cast<TTimeMark*>(list.Append(std::move(owned)));
    list.Resize(400, 300);
    for (int i = 0; i < 200; ++i) mark->TakeSample();
  }

  TViewList list;
  TTimeMark* mark = nullptr;
  DateTime start = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  int taken = 0;
};

TEST_F(ScopeMarksTest, SampleUnderThePointer) {
  ASSERT_EQ(TrendLeft(list), 300);
  ASSERT_EQ(list.VisibleCount, 100);
  // The newest sample (200) sits at the right edge, 100 samples before it at the left.
  EXPECT_EQ(SampleIndexAt(list, 300), 100);
  EXPECT_EQ(SampleIndexAt(list, 350), 150);
  EXPECT_EQ(SampleIndexAt(list, 400), 200);
  // The pointer over the text columns or past the window takes the nearest trend edge.
  EXPECT_EQ(SampleIndexAt(list, 10), 100);
  EXPECT_EQ(SampleIndexAt(list, 5000), 200);

  mark->ScrollBack = 30;
  EXPECT_EQ(SampleIndexAt(list, 350), 120);
  mark->ScrollBack = 0;

  // Ten samples per pixel: the left edge lies before the ring's start and wraps to its end.
  ASSERT_TRUE(list.SetStep(0.1));
  EXPECT_EQ(SampleIndexAt(list, 300), kHistoryLength - 800);
  EXPECT_EQ(SampleIndexAt(list, 305), kHistoryLength - 750);
  EXPECT_EQ(SampleIndexAt(list, 400), 200);

  // Rounded to the nearest sample, not cut: 2 px / 0.7 = 2.86 samples.
  ASSERT_TRUE(list.SetStep(0.7));
  const int left = SampleIndexAt(list, 300);
  EXPECT_EQ(SampleIndexAt(list, 301) - left, 1);
  EXPECT_EQ(SampleIndexAt(list, 302) - left, 3);
}

TEST_F(ScopeMarksTest, ScreenPositionOfASample) {
  for (int x = 300; x <= 400; ++x) EXPECT_EQ(ScreenXOf(list, SampleIndexAt(list, x)), x) << "x " << x;
  EXPECT_FALSE(ScreenXOf(list, 99)) << "scrolled out on the left";
  EXPECT_FALSE(ScreenXOf(list, 201)) << "not taken yet";

  ASSERT_TRUE(list.SetStep(2.0));
  EXPECT_EQ(ScreenXOf(list, 175), 350);
  for (int x = 300; x <= 400; ++x) EXPECT_NEAR(*ScreenXOf(list, SampleIndexAt(list, x)), x, 1) << "x " << x;

  mark->ScrollBack = 25;
  EXPECT_EQ(ScreenXOf(list, 150), 350);
  EXPECT_FALSE(ScreenXOf(list, 200));
}

TEST_F(ScopeMarksTest, ListWithoutTimeMarkIsRefused) {
  TViewList empty;
  EXPECT_THROW(SampleIndexAt(empty, 0), std::logic_error);
  ScopeCursor cursor;
  EXPECT_THROW(cursor.Place(empty, 3), std::logic_error);
}

TEST_F(ScopeMarksTest, TimeTexts) {
  EXPECT_EQ(MarkTimeText(EncodeDateTime({1899, 12, 30, 0, 0, 1, 0})), "0:0:1:0");
  EXPECT_EQ(MarkTimeText(EncodeDateTime({2024, 3, 5, 14, 7, 9, 25})), "14:7:9:25");
  EXPECT_EQ(RulerIntervalText(start + 1000 * kMillisecond, start), "0:0:1:0");
  // Either order gives the length of the interval.
  EXPECT_EQ(RulerIntervalText(start, start + 1000 * kMillisecond), "0:0:1:0");
  const DateTime longer = ((25 * 60 + 1) * 60 + 2) * 1000 + 3;
  EXPECT_EQ(RulerIntervalText(start + longer * kMillisecond, start), "25:1:2:3");
}

TEST_F(ScopeMarksTest, CursorMovesItsMark) {
  ScopeCursor cursor;
  EXPECT_FALSE(cursor.Placed());
  EXPECT_EQ(cursor.TimeText(list), "");
  mark->SetMarkBits(160, 1);  // a one-second tick that the cursor must leave alone

  cursor.Place(list, SampleIndexAt(list, 350));
  EXPECT_EQ(cursor.Index(), 150);
  EXPECT_EQ(mark->MarkAt(150), kNavyMark);
  EXPECT_EQ(list.Cursor, 150);
  EXPECT_FALSE(list.LiveMode);
  EXPECT_EQ(cursor.TimeText(list), "14:7:10:500");

  cursor.Place(list, 160);
  EXPECT_EQ(mark->MarkAt(150), 0) << "the old cursor entry is cleared";
  EXPECT_EQ(mark->MarkAt(160), kNavyMark | 1);
  EXPECT_EQ(list.Cursor, 160);

  cursor.Clear(list);
  EXPECT_FALSE(cursor.Placed());
  EXPECT_EQ(mark->MarkAt(160), 1);
  EXPECT_TRUE(list.LiveMode);
}

TEST_F(ScopeMarksTest, TwoRulersAndTheirInterval) {
  ScopeRulers rulers;
  EXPECT_FALSE(rulers.IntervalText(*mark));
  // The first ruler one second after the second.
  ASSERT_TRUE(rulers.Place(*mark, 200));
  EXPECT_FALSE(rulers.IntervalText(*mark));
  ASSERT_TRUE(rulers.Place(*mark, 100));
  EXPECT_FALSE(rulers.Place(*mark, 150)) << "a third ruler";
  EXPECT_EQ(rulers.Count(), 2);
  EXPECT_EQ(mark->MarkAt(150), 0);
  EXPECT_EQ(mark->MarkAt(200), kRedMark);
  EXPECT_EQ(mark->MarkAt(100), kRedMark);
  EXPECT_EQ(rulers.IntervalText(*mark), "0:0:1:0");
  EXPECT_THROW(rulers.Index(2), std::out_of_range);

  rulers.Reset(*mark);
  EXPECT_EQ(rulers.Count(), 0);
  EXPECT_EQ(mark->MarkAt(200), 0);
  EXPECT_EQ(mark->MarkAt(100), 0);
  EXPECT_TRUE(rulers.Place(*mark, 120));
}

TEST_F(ScopeMarksTest, DraggingARuler) {
  ScopeRulers rulers;
  rulers.Place(*mark, 150);  // x 350
  EXPECT_FALSE(rulers.RulerNear(list, 350)) << "only two rulers can be dragged";
  EXPECT_THROW(rulers.Grab(0), std::out_of_range);
  rulers.Place(*mark, 180);  // x 380
  EXPECT_EQ(rulers.RulerNear(list, 346), 0);
  EXPECT_EQ(rulers.RulerNear(list, 354), 0);
  EXPECT_FALSE(rulers.RulerNear(list, 345));
  EXPECT_FALSE(rulers.RulerNear(list, 355));
  EXPECT_EQ(rulers.RulerNear(list, 384), 1);
  EXPECT_FALSE(rulers.RulerNear(list, 385));

  rulers.Grab(1);
  EXPECT_EQ(rulers.Grabbed(), 1);
  rulers.Release(*mark, SampleIndexAt(list, 320));
  EXPECT_FALSE(rulers.Grabbed());
  EXPECT_EQ(rulers.Index(1), 120);
  EXPECT_EQ(mark->MarkAt(180), 0);
  EXPECT_EQ(mark->MarkAt(120), kRedMark);
  EXPECT_EQ(rulers.IntervalText(*mark), "0:0:0:300");
  rulers.Release(*mark, 190);
  EXPECT_EQ(rulers.Index(1), 120) << "a release without a grab moves nothing";

  // Dragged onto the other ruler and away again: the one that stays keeps its mark.
  rulers.Grab(0);
  rulers.Release(*mark, 120);
  rulers.Grab(1);
  rulers.Release(*mark, 170);
  EXPECT_EQ(mark->MarkAt(120), kRedMark);
  EXPECT_EQ(mark->MarkAt(170), kRedMark);

  // A ruler scrolled out of view cannot be grabbed.
  mark->ScrollBack = 100;
  EXPECT_FALSE(rulers.RulerNear(list, 400));
}

TEST(ScopeColumnsTest, DraggedSectionStaysWithinItsMaximumAndThePanel) {
  const std::array<int, 4> widths{100, 50, 100, 40};
  EXPECT_EQ(ResizeSection(widths, 0, 200, 400), (std::array<int, 4>{150, 50, 100, 40}));
  EXPECT_EQ(ResizeSection(widths, 3, 80, 400), (std::array<int, 4>{100, 50, 100, 50}));
  EXPECT_EQ(ResizeSection(widths, 1, -5, 400), (std::array<int, 4>{100, 0, 100, 40}));
  // 150 + 50 + 100 + 40 is 40 too wide for 300.
  EXPECT_EQ(ResizeSection(widths, 0, 150, 300), (std::array<int, 4>{110, 50, 100, 40}));
  // The excess is larger than the column: it goes no further than 0.
  EXPECT_EQ(ResizeSection(widths, 3, 50, 100), (std::array<int, 4>{100, 50, 100, 0}));
  EXPECT_THROW(ResizeSection(widths, 4, 10, 400), std::out_of_range);
}

TEST(ScopeColumnsTest, ColumnsShrinkTogetherToTheWindow) {
  EXPECT_EQ(FitColumnsToPanel({100, 50, 100, 50}, 150), (std::array<int, 4>{50, 25, 50, 25}));
  EXPECT_EQ(FitColumnsToPanel({100, 50, 100, 50}, 300), (std::array<int, 4>{100, 50, 100, 50}));
  EXPECT_EQ(FitColumnsToPanel({100, 50, 100, 50}, 0), (std::array<int, 4>{0, 0, 0, 0}));
  const std::array<int, 4> odd = FitColumnsToPanel({90, 50, 90, 70}, 217);
  EXPECT_EQ(odd, (std::array<int, 4>{65, 36, 65, 50}));
}

TEST(ScopeColumnsTest, RowHeightAndZoom) {
  EXPECT_EQ(WheelRowHeight(100, 3), 103);
  EXPECT_EQ(WheelRowHeight(250, 10), kMaxRowHeight);
  EXPECT_EQ(WheelRowHeight(20, -10), kMinRowHeight);

  EXPECT_DOUBLE_EQ(ZoomStep(1.0, true), 1.1);
  EXPECT_DOUBLE_EQ(ZoomStep(0.15, false), 0.15 - 0.1);
  EXPECT_DOUBLE_EQ(ZoomStep(0.1, false), 0.1) << "0 is refused";
  EXPECT_DOUBLE_EQ(ZoomStep(0.105, false), 0.105) << "0.005 is refused";
  EXPECT_EQ(ZoomPercentText(1.1), "110%");
  EXPECT_EQ(ZoomPercentText(0.05), "5%");
}

TEST(ScopeColumnsTest, WidthsFromSettingsTexts) {
  EXPECT_EQ(ColumnWidthsOf({"120", "abc", "", "12x"}), (std::array<int, 4>{120, 50, 30, 30}));
  EXPECT_EQ(ColumnWidthsOf({"1", "2", "3", "4"}), (std::array<int, 4>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace quillon
