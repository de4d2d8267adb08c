#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "variable_fixture.h"
#include "variables/integer_types.h"

namespace quillon {
namespace {

using testing::DrawnLine;
using testing::RecordingCanvas;

// The default layout: name 0-90, hex 90-140, value 140-230, unit 230-300, trend 300-355.
class RowDrawingTest : public testing::VariableTest {
 protected:
  TView& Row(std::string_view line, std::string_view view = "1/20/0/") { return Create(line, view); }
  void Feed(TView& v, const std::vector<int>& values) {
    for (int value : values) Sample(v, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
  }
  static std::vector<std::vector<int>> Segments(const std::vector<DrawnLine>& lines) {
    std::vector<std::vector<int>> segments;
    for (const auto& l : lines) segments.push_back({l.X1, l.Y1, l.X2, l.Y2});
    return segments;
  }

  RecordingCanvas canvas{400, 200};
};

TEST_F(RowDrawingTest, FrameColumnsAndSelection) {
  TView& v = Row("p=Speed/d/TWORD/x0100/r0080/об/0,1/2/x0000/");
  Feed(v, {0x3E9});
  v.Selected = true;
  v.DrawRow(canvas, 40, v.History.Head());
  ASSERT_FALSE(canvas.Fills.empty());
  EXPECT_EQ(std::pair(canvas.Fills[0].Area, canvas.Fills[0].Brush), std::pair(Rect{0, 40, 400, 60}, kGreen));
  std::vector<std::tuple<Rect, std::string, TextAlign>> texts;
  for (const auto& text : canvas.Texts) {
    texts.emplace_back(text.Area, text.Text, text.Align);
    EXPECT_EQ(text.Background, kGreen);
  }
  EXPECT_EQ(texts, (decltype(texts){{{2, 42, 90, 54}, "Speed", TextAlign::Left},
                                    {{90, 42, 140, 54}, "x03E9", TextAlign::Right},
                                    {{140, 42, 230, 54}, "100,10", TextAlign::Right},
                                    {{230, 42, 300, 54}, "об", TextAlign::Center}}));
  // A column of zero width is left out and the next moves left.
  list.SetColumnWidths(90, 0, 90, 70);
  RecordingCanvas narrow(400, 200);
  v.DrawRow(narrow, 0, v.History.Head());
  ASSERT_EQ(narrow.Texts.size(), 3u);
  EXPECT_EQ(narrow.Texts[1].Area.Left, 90);
  EXPECT_EQ(narrow.Texts[1].Text, "100,10");
}

TEST_F(RowDrawingTest, UnsignedTrendFromTheRowBottom) {
  TView& v = Row("p=W/d/TWORD/x0100/r0080/A/1/2/x0000/");
  ASSERT_TRUE(list.SetStep(10));  // 55 / 10 = 5,5 -> 6 samples
  Feed(v, {0, 5, 5, 10, 30, 0, 2});
  v.DrawRow(canvas, 40, v.History.Head());
  const auto black = canvas.LinesIn(kBlack);
  // A zero lies on the row's last pixel line (59), inside the clip, not on the next row's first.
  EXPECT_EQ(Segments(black), (std::vector<std::vector<int>>{{300, 59, 310, 55},
                                                            {310, 55, 320, 55},
                                                            {320, 55, 330, 50},
                                                            {330, 50, 340, 40},  // 30 is cut at the top
                                                            {340, 40, 350, 59},
                                                            {350, 59, 360, 58}}));
  ASSERT_FALSE(black.empty());
  EXPECT_EQ(std::pair(black[0].Clipped, black[0].Clip), std::pair(true, Rect{300, 40, 355, 60}));
  EXPECT_TRUE(canvas.LinesIn(kSilver).empty());
}

TEST_F(RowDrawingTest, SignedZeroLineAndClipping) {
  TView& v = Row("p=S/d/TShortInt/x0100/r0080.L/A/1/1//x00/", "1/40/0/");
  ASSERT_TRUE(list.SetStep(10));
  Feed(v, {0, 10, 100, 0x9C /* -100 */, 0, 0, 0});
  v.DrawRow(canvas, 100, v.History.Head());
  EXPECT_EQ(Segments(canvas.LinesIn(kSilver)), (std::vector<std::vector<int>>{{300, 120, 355, 120}}));
  const auto black = canvas.LinesIn(kBlack);
  ASSERT_GE(black.size(), 3u);
  // From the zero line: 10 at half gain, 100 held at the top, -100 held on the last line.
  EXPECT_EQ(std::vector<int>({black[0].Y1, black[0].Y2, black[1].Y2, black[2].Y2}),
            std::vector<int>({120, 115, 100, 139}));
}

TEST_F(RowDrawingTest, RowsWithoutACellDrawNoTrend) {
  TView& absent = Row("p=N/d/TByte/x0100/r0080.L/A/1/1/@//x05/");
  TView& noAddress = Row("p=M/d/TWORD//r0080/A/1/2/x0000/");
  absent.DrawRow(canvas, 0, absent.History.Head());
  noAddress.DrawRow(canvas, 20, noAddress.History.Head());
  EXPECT_TRUE(canvas.Lines.empty());
  EXPECT_EQ(canvas.Texts.size(), 8u);
}

TEST_F(RowDrawingTest, BitBlocksPictureAndColour) {
  auto& bit = dynamic_cast<TBit&>(Row("p=B/d/TBit/x0100/1/r0080.0/1/1/0/"));
  ASSERT_TRUE(list.SetStep(10));
  Feed(bit, {0, 1, 1, 0, 1, 0, 0});
  bit.DrawRow(canvas, 20, bit.History.Head());
  ASSERT_EQ(canvas.Pictures.size(), 1u);
  EXPECT_EQ(std::pair(canvas.Pictures[0].X, canvas.Pictures[0].Which), std::pair(90, Picture::BitZero));
  EXPECT_EQ(Segments(canvas.LinesIn(bit.TrendColour)), (std::vector<std::vector<int>>{{300, 32, 355, 32}}));
  std::vector<Rect> blocks;
  for (const auto& fill : canvas.Fills) {
    if (fill.Brush == bit.TrendColour) blocks.push_back(fill.Area);
  }
  EXPECT_EQ(blocks, (std::vector<Rect>{{300, 22, 310, 32}, {310, 22, 320, 32}, {330, 22, 340, 32}}));
}

// Below one pixel per sample: 3000 samples in a trend column of 300 pixels.
class EnvelopeTest : public RowDrawingTest {
 protected:
  void SetUp() override {
    list.Resize(600, 300);
    ASSERT_EQ(list.TrendWidth, 300);
    ASSERT_TRUE(list.SetStep(0.1));
    ASSERT_EQ(list.VisibleCount, 3000);
  }
  // The pixel column of visible point i, as the trend places it.
  static int ColumnOf(int i) { return 300 + static_cast<int>(RoundHalfEven(i * 0.1)); }
  RecordingCanvas wide{600, 300};
};

TEST_F(EnvelopeTest, EachColumnIsItsSpanJoinedToTheNext) {
  TView& v = Row("p=W/d/TWORD/x0100/r0080/A/1/2/x0000/", "1/100/0/");
  std::vector<int> values;
  std::uint32_t seed = 12345;
  for (int i = 0; i <= 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    values.push_back(static_cast<int>((seed >> 16) % 100));
  }
  values[1234] = 0;  // a lone spike far below its neighbours must still reach the bottom
  Feed(v, values);
  v.DrawRow(wide, 0, v.History.Head());

  struct Column {
    int First, Last, Low, High;
  };
  std::map<int, Column> columns;  // point y = row bottom (100) - value, inside the row (99 at most)
  for (int i = 0; i <= 3000; ++i) {
    const int y = std::min(100 - values[static_cast<std::size_t>(i)], 99);
    auto [it, added] = columns.try_emplace(ColumnOf(i), Column{y, y, y, y});
    it->second.Last = y;
    it->second.Low = std::min(it->second.Low, y);
    it->second.High = std::max(it->second.High, y);
  }
  ASSERT_EQ(columns.size(), 301u);

  const auto black = wide.LinesIn(kBlack);
  EXPECT_LE(black.size(), 2 * columns.size());
  std::map<int, std::vector<std::pair<int, int>>> spans;  // drawn pixels [from, to) per column
  for (const auto& l : black) {
    if (l.X1 == l.X2) {
      spans[l.X1].emplace_back(std::min(l.Y1, l.Y2), std::max(l.Y1, l.Y2));
      continue;
    }
    // Any other line joins the last point of a column to the first of the next.
    ASSERT_EQ(l.X2, l.X1 + 1);
    ASSERT_TRUE(columns.count(l.X1) && columns.count(l.X2));
    EXPECT_EQ(std::pair(l.Y1, l.Y2), std::pair(columns[l.X1].Last, columns[l.X2].First)) << "at x " << l.X1;
  }
  for (const auto& [x, column] : columns) {
    for (int y = column.Low; y <= column.High && column.High > column.Low; ++y) {
      bool covered = false;
      for (const auto& [from, to] : spans[x]) covered = covered || (from <= y && y < to);
      ASSERT_TRUE(covered) << "pixel " << x << "," << y << " of the column's span is missing";
    }
  }
  EXPECT_EQ(columns[ColumnOf(1234)].High, 99);
}

TEST_F(EnvelopeTest, ABitColumnIsFilledWhenAnyOfItsSamplesIsSet) {
  auto& bit = dynamic_cast<TBit&>(Row("p=B/d/TBit/x0100/1/r0080.0/1/1/0/"));
  std::vector<int> values(3001, 0);
  // A pulse inside a column, not on the sample that opens it; and a long run.
  values[1234] = 1;
  for (int i = 2000; i < 2100; ++i) values[static_cast<std::size_t>(i)] = 1;
  ASSERT_EQ(ColumnOf(1234), ColumnOf(1233));
  Feed(bit, values);
  bit.DrawRow(wide, 20, bit.History.Head());
  std::vector<Rect> blocks;
  for (const auto& fill : wide.Fills) {
    if (fill.Brush == bit.TrendColour) blocks.push_back(fill.Area);
  }
  // One block a column: the pulse's, and the eleven columns the run's samples fall into.
  const int pulse = ColumnOf(1234);
  ASSERT_FALSE(blocks.empty());
  EXPECT_EQ(blocks.front(), (Rect{pulse - 1, 22, pulse, 32}));
  EXPECT_EQ(blocks.size(), 1u + 11u);
  EXPECT_EQ(blocks.back().Right, ColumnOf(2099));
}

TEST_F(RowDrawingTest, PaintDrawsRowZeroLastAtTheTopAndFollowsTheCursor) {
  TView& zero = Row("p=zero/d/TWORD/x0100/r0080/A/1/2/x0000/");
  Row("p=one/d/TWORD/x0102/r0080/A/1/2/x0000/");
  Row("p=two/d/TWORD/x0104/r0080/A/1/2/x0000/");
  RecordingCanvas small(400, 35);
  list.Paint(small);
  // Each row fills its own band first; what lies below the last row is cleared on its own.
  ASSERT_FALSE(small.Fills.empty());
  EXPECT_EQ(std::pair(small.Fills[0].Area, small.Fills[0].Brush), std::pair(Rect{0, 0, 400, 20}, kWhite));
  RecordingCanvas tall(400, 100);
  list.Paint(tall);
  EXPECT_TRUE(std::any_of(tall.Fills.begin(), tall.Fills.end(), [](const auto& fill) {
    return fill.Area == Rect{0, 40, 400, 100} && fill.Brush == kWhite;
  }));
  std::vector<std::pair<std::string, int>> names;
  for (const auto& text : small.Texts) {
    if (text.Area.Left == 2) names.emplace_back(text.Text, text.Area.Top);
  }
  EXPECT_EQ(names, (std::vector<std::pair<std::string, int>>{{"one", 2}, {"two", 22}, {"zero", 2}}));

  Feed(zero, {1, 2, 3, 4});
  list.LiveMode = false;
  list.Cursor = kHistoryLength + 2;  // wraps round the ring
  list.Paint(canvas);
  EXPECT_EQ(list.ShownSample(zero), 2);
  list.LiveMode = true;
  list.Paint(canvas);
  EXPECT_EQ(list.ShownSample(zero), 4);
}

}  // namespace
}  // namespace quillon
