#include <gtest/gtest.h>

#include <vector>

#include "recording_canvas.h"
#include "variables/integer_types.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

using testing::DrawnLine;
using testing::RecordingCanvas;

// The default layout: name 0-90, hex 90-140, value 140-230, unit 230-300, trend 300-355.
class RowDrawingTest : public ::testing::Test {
 protected:
  TView& Create(std::string_view line, std::string_view view = "1/20/0/") {
    return *CreateVariable(line, view, image, list);
  }
  void Feed(TView& v, const std::vector<int>& values) {
    for (int value : values) {
      image[v.Address] = static_cast<std::uint8_t>(value);
      image[v.Address + 1u] = static_cast<std::uint8_t>(value >> 8);
      v.TakeSample();
    }
    v.ShownIndex = v.Head;
  }
  static std::vector<std::vector<int>> Segments(const std::vector<DrawnLine>& lines) {
    std::vector<std::vector<int>> segments;
    for (const auto& l : lines) segments.push_back({l.X1, l.Y1, l.X2, l.Y2});
    return segments;
  }

  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  RecordingCanvas canvas{400, 200};
};

TEST_F(RowDrawingTest, FrameColumnsAndSelection) {
  TView& v = Create("p=Speed/d/TWORD/x0100/r0080/об/0,1/2/x0000/");
  Feed(v, {0x3E9});
  v.Selected = true;
  v.DrawRow(canvas, 40);
  ASSERT_FALSE(canvas.Fills.empty());
  EXPECT_EQ(canvas.Fills[0].Area, (Rect{0, 40, 400, 60}));
  EXPECT_EQ(canvas.Fills[0].Brush, kGreen);
  const auto* name = canvas.TextAt(2, 42);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Text, "Speed");
  EXPECT_EQ(name->Area, (Rect{2, 42, 90, 54}));
  EXPECT_EQ(name->Background, kGreen);
  const auto* hex = canvas.TextAt(90, 42);
  ASSERT_NE(hex, nullptr);
  EXPECT_EQ(hex->Text, "x03E9");
  EXPECT_EQ(hex->Align, TextAlign::Right);
  const auto* value = canvas.TextAt(140, 42);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->Text, "100,10");
  EXPECT_EQ(value->Area.Right, 230);
  const auto* unit = canvas.TextAt(230, 42);
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->Text, "об");
  EXPECT_EQ(unit->Align, TextAlign::Center);
}

TEST_F(RowDrawingTest, ColumnsOfZeroWidthAreLeftOut) {
  TView& v = Create("p=Speed/d/TWORD/x0100/r0080/об/0,1/2/x0000/");
  list.SetColumnWidths(90, 0, 90, 70);
  v.DrawRow(canvas, 0);
  ASSERT_EQ(canvas.Texts.size(), 3u);
  EXPECT_EQ(canvas.Texts[1].Area.Left, 90);  // the value column moves left
  EXPECT_EQ(canvas.Texts[1].Text, "0,00");
}

TEST_F(RowDrawingTest, RowBelowTheCanvasDrawsNothing) {
  TView& v = Create("p=Speed/d/TWORD/x0100/r0080/об/0,1/2/x0000/");
  v.DrawRow(canvas, 200);
  EXPECT_TRUE(canvas.Fills.empty());
  EXPECT_TRUE(canvas.Texts.empty());
  EXPECT_TRUE(canvas.Lines.empty());
}

TEST_F(RowDrawingTest, UnsignedTrendFromTheRowBottom) {
  TView& v = Create("p=W/d/TWORD/x0100/r0080/A/1/2/x0000/");
  ASSERT_TRUE(list.SetStep(10));  // 55 / 10 = 5,5 -> 6 samples
  Feed(v, {0, 5, 5, 10, 30, 0, 2});
  v.DrawRow(canvas, 40);
  const auto black = canvas.LinesIn(kBlack);
  EXPECT_EQ(Segments(black), (std::vector<std::vector<int>>{{300, 60, 310, 55},
                                                           {310, 55, 320, 55},
                                                           {320, 55, 330, 50},
                                                           {330, 50, 340, 40},  // 30 is cut at the top
                                                           {340, 40, 350, 60},
                                                           {350, 60, 360, 58}}));
  ASSERT_FALSE(black.empty());
  EXPECT_TRUE(black[0].Clipped);
  EXPECT_EQ(black[0].Clip, (Rect{300, 40, 355, 60}));
  EXPECT_TRUE(canvas.LinesIn(kSilver).empty());
}

TEST_F(RowDrawingTest, TrendScrolledBackShowsOlderSamples) {
  TView& v = Create("p=W/d/TWORD/x0100/r0080/A/1/2/x0000/");
  ASSERT_TRUE(list.SetStep(10));
  Feed(v, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  list.SetScrollBack(2);
  v.DrawRow(canvas, 0);
  const auto black = canvas.LinesIn(kBlack);
  ASSERT_FALSE(black.empty());
  // Head is sample 9; two back and six wide the first point is sample 1.
  EXPECT_EQ(black.front().Y1, 19);
  EXPECT_EQ(black.back().Y2, 13);
}

TEST_F(RowDrawingTest, PointsOnTheSamePixelDrawNoSegment) {
  TView& v = Create("p=W/d/TWORD/x0100/r0080/A/1/2/x0000/");
  ASSERT_TRUE(list.SetStep(0.25));  // 220 samples on 55 pixels
  Feed(v, std::vector<int>(300, 4));
  v.DrawRow(canvas, 0);
  EXPECT_EQ(canvas.LinesIn(kBlack).size(), 55u);
}

TEST_F(RowDrawingTest, SignedZeroLineAndClipping) {
  TView& v = Create("p=S/d/TShortInt/x0100/r0080.L/A/1/1//x00/", "1/40/0/");
  ASSERT_TRUE(list.SetStep(10));
  Feed(v, {0, 10, 100, 0x9C /* -100 */, 0, 0, 0});
  v.DrawRow(canvas, 100);
  const auto silver = canvas.LinesIn(kSilver);
  ASSERT_EQ(silver.size(), 1u);
  EXPECT_EQ(silver[0].Y1, 120);
  EXPECT_EQ(silver[0].Y2, 120);
  EXPECT_EQ(silver[0].X1, 300);
  EXPECT_EQ(silver[0].X2, 355);
  const auto black = canvas.LinesIn(kBlack);
  ASSERT_GE(black.size(), 3u);
  EXPECT_EQ(black[0].Y1, 120);
  EXPECT_EQ(black[0].Y2, 115);  // 10 at half gain
  EXPECT_EQ(black[1].Y2, 100);  // 100 held at the top
  EXPECT_EQ(black[2].Y2, 140);  // -100 held at the bottom
}

TEST_F(RowDrawingTest, RowsWithoutACellDrawNoTrend) {
  TView& absent = Create("p=N/d/TByte/x0100/r0080.L/A/1/1/@//x05/");
  TView& noAddress = Create("p=M/d/TWORD//r0080/A/1/2/x0000/");
  absent.DrawRow(canvas, 0);
  noAddress.DrawRow(canvas, 20);
  EXPECT_TRUE(canvas.Lines.empty());
  EXPECT_EQ(canvas.Texts.size(), 8u);
}

TEST_F(RowDrawingTest, BitBlocksPictureAndColour) {
  auto& bit = dynamic_cast<TBit&>(Create("p=B/d/TBit/x0100/1/r0080.0/1/1/0/"));
  ASSERT_TRUE(list.SetStep(10));
  Feed(bit, {0, 1, 1, 0, 1, 0, 0});
  bit.DrawRow(canvas, 20);
  ASSERT_EQ(canvas.Pictures.size(), 1u);
  EXPECT_EQ(canvas.Pictures[0].X, 90);
  EXPECT_EQ(canvas.Pictures[0].Which, Picture::BitZero);
  const auto trend = canvas.LinesIn(bit.TrendColour);
  ASSERT_EQ(trend.size(), 1u);
  EXPECT_EQ(trend[0].Y1, 32);
  EXPECT_EQ(trend[0].X1, 300);
  EXPECT_EQ(trend[0].X2, 355);
  std::vector<Rect> blocks;
  for (const auto& fill : canvas.Fills) {
    if (fill.Brush == bit.TrendColour) blocks.push_back(fill.Area);
  }
  EXPECT_EQ(blocks, (std::vector<Rect>{{300, 22, 310, 32}, {310, 22, 320, 32}, {330, 22, 340, 32}}));
}

TEST_F(RowDrawingTest, BitPictureNeedsRoomInTheColumns) {
  Create("p=B/d/TBit/x0100/1/r0080.0/1/1/0/");
  list.SetColumnWidths(90, 12, 12, 70);
  list[0].DrawRow(canvas, 0);
  EXPECT_TRUE(canvas.Pictures.empty());
  list.SetColumnWidths(90, 12, 13, 70);
  list[0].DrawRow(canvas, 0);
  EXPECT_EQ(canvas.Pictures.size(), 1u);
}

TEST_F(RowDrawingTest, PaintDrawsRowZeroLastAtTheTop) {
  Create("p=zero/d/TWORD/x0100/r0080/A/1/2/x0000/");
  Create("p=one/d/TWORD/x0102/r0080/A/1/2/x0000/");
  Create("p=two/d/TWORD/x0104/r0080/A/1/2/x0000/");
  RecordingCanvas small(400, 35);
  list.Paint(small);
  ASSERT_FALSE(small.Fills.empty());
  EXPECT_EQ(small.Fills[0].Area, (Rect{0, 0, 400, 35}));
  EXPECT_EQ(small.Fills[0].Brush, kWhite);
  std::vector<std::pair<std::string, int>> names;
  for (const auto& text : small.Texts) {
    if (text.Area.Left == 2) names.emplace_back(text.Text, text.Area.Top);
  }
  EXPECT_EQ(names, (std::vector<std::pair<std::string, int>>{{"one", 2}, {"two", 22}, {"zero", 2}}));
}

TEST_F(RowDrawingTest, PaintWithOneVariableAndCursorMode) {
  TView& only = Create("p=only/d/TWORD/x0100/r0080/A/1/2/x0000/");
  Feed(only, {1, 2, 3, 4});
  list.LiveMode = false;
  list.Cursor = kHistoryLength + 2;
  list.Paint(canvas);
  EXPECT_EQ(only.ShownIndex, 2);
  const auto* value = canvas.TextAt(140, 2);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->Text, "2,00");
  list.LiveMode = true;
  list.Paint(canvas);
  EXPECT_EQ(only.ShownIndex, 4);
}

}  // namespace
}  // namespace quillon
