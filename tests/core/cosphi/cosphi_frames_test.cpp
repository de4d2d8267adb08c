#include "cosphi/cosphi_frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cosphi/cosphi_lists.h"
#include "link/crc16.h"
#include "platform/prompt.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class WarningRecorder : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    warnings.push_back(caption + "|" + text);
  }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<std::string> warnings;
};

// A list over `image` made of definition lines, as the tool lays its lists out.
TViewList& MakeList(TViewList& list, std::vector<std::uint8_t>& image, const std::vector<std::string>& lines,
                    int step = 1) {
  list.AddressStep = step;
  for (const std::string& line : lines) CreateVariable(line, {}, image, list);
  list.LayoutByAddress(image);
  return list;
}

TEST(CosPhiFrames, PollsCoverTheListSpanInTheListsUnit) {
  TViewList list;
  std::vector<std::uint8_t> image(kImageSize);
  MakeList(list, image,
           {std::string(kCosBufWriteLine), "r2=cos/Угол/TInteger/x0024/r0012//0,1/2//0/x0000/",
            "r3=Ist/Ток/TWORD/x0028/r0014//1/2//0/x0000/"});
  auto frame = BuildListRead(list, "RAM");
  ASSERT_TRUE(frame);
  // From the request bit's byte to the end of the current's word: 0x22..0x2A.
  EXPECT_EQ(std::vector<std::uint8_t>(frame->bytes.begin(), frame->bytes.end()),
            (std::vector<std::uint8_t>{0xA5, 0x04, 0x03, 0x00, 0x22, 0x08, 0x5A}));
  EXPECT_EQ(frame->expectedLen, 8);

  list.AddressStep = 2;
  frame = BuildListRead(list, "RAM");
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->bytes[5], 16);
  EXPECT_EQ(frame->expectedLen, 16);

  const PollFrame buffer = BuildPhaseBufferRead();
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.bytes.begin(), buffer.bytes.end()),
            (std::vector<std::uint8_t>{0xA5, 0x04, 0x04, 0x04, 0x00, 0xFF, 0x5A}));
  EXPECT_EQ(buffer.expectedLen, 255);
}

TEST(CosPhiFrames, AnswersMustHaveTheAskedLength) {
  EXPECT_TRUE(AnswerFits(255, 255));
  EXPECT_FALSE(AnswerFits(254, 255));
  EXPECT_FALSE(AnswerFits(0, 0));
  // Only the count byte's share of the expectation is asked for.
  EXPECT_TRUE(AnswerFits(4, 260));
}

TEST(CosPhiFrames, WritesParseTheEntryAndKeepTheOtherBitsOfABitsByte) {
  TViewList list;
  std::vector<std::uint8_t> image(kImageSize);
  MakeList(list, image, {std::string(kCosBufWriteLine), "p2=cosdf/Смещение/TInteger/x0140/r00A0//0,1/2//0/x0000/"});
  TView& request = *list.FindVariable("cos_buf_write");
  request.DataPtr[0] = 0x81;
  WarningRecorder prompt;
  auto frame = BuildValueWrite(request, "RAM", "1", prompt);
  ASSERT_TRUE(frame);
  EXPECT_EQ(*frame, (std::vector<std::uint8_t>{0xA5, 0x05, 0x10, 0x00, 0x22, 0x01, 0x83, 0x5A}));
  frame = BuildValueWrite(request, "RAM", "0", prompt);
  ASSERT_TRUE(frame);
  EXPECT_EQ((*frame)[6], 0x81);
  request.DataPtr[0] = 0x83;
  EXPECT_EQ((*BuildValueWrite(request, "RAM", "0", prompt))[6], 0x81);

  // -2,5 electrical degrees in tenths: -25 = xFFE7, least significant byte first, to FLASH.
  TView& offset = *list.FindVariable("cosdf");
  frame = BuildValueWrite(offset, "FLASH", "-2,5", prompt);
  ASSERT_TRUE(frame);
  EXPECT_EQ(*frame, (std::vector<std::uint8_t>{0xA5, 0x06, 0x12, 0x01, 0x40, 0x02, 0xE7, 0xFF, 0x5A}));
  EXPECT_EQ((*BuildValueWrite(offset, "FLASH", "x10", prompt))[6], 0x10);
  EXPECT_FALSE(BuildValueWrite(offset, "FLASH", "abc", prompt));
  EXPECT_FALSE(BuildValueWrite(offset, "FLASH", "", prompt));
  // Only the two refused texts are told, each as the variable's own parse always told it.
  EXPECT_EQ(prompt.warnings, std::vector<std::string>(2, "Предупреждение|Неизвестный формат числа"));
}

TEST(CosPhiFrames, CosineHasThreeDecimalsWithoutTrailingZeros) {
  EXPECT_EQ(CosineText("60"), "0,5");
  EXPECT_EQ(CosineText("0"), "1");
  EXPECT_EQ(CosineText("30"), "0,866");
  EXPECT_EQ(CosineText("25,5"), "0,903");
  EXPECT_EQ(CosineText("90"), "0");
  EXPECT_EQ(CosineText("120"), "-0,5");
  EXPECT_FALSE(CosineText("---"));
}

TEST(CosPhiFrames, OffsetEntryKeepsOnlyNumberCharacters) {
  EXPECT_EQ(FilterOffsetEntry(" 1 2,5 "), "12,5");
  EXPECT_EQ(FilterOffsetEntry("-3.5 эл.град"), "-3.5.");
  EXPECT_EQ(FilterOffsetEntry("$1F;g"), "$1F");
  EXPECT_EQ(FilterOffsetEntry("xyz"), "x");
}

TEST(CosPhiFrames, StripsAreBitsSixAndSevenOfEachByte) {
  std::vector<std::uint8_t> buffer(kPhaseImageSize, 0);
  buffer[0] = 0x40;
  buffer[1] = 0x80;
  buffer[2] = 0xC0;
  buffer[3] = 0x3F;
  buffer[255] = 0xFF;
  const PhaseStrips strips = ExtractPhaseStrips(buffer);
  EXPECT_TRUE(strips.voltage[0]);
  EXPECT_FALSE(strips.current[0]);
  EXPECT_FALSE(strips.voltage[1]);
  EXPECT_TRUE(strips.current[1]);
  EXPECT_TRUE(strips.voltage[2] && strips.current[2]);
  EXPECT_FALSE(strips.voltage[3] || strips.current[3]);
  EXPECT_TRUE(strips.voltage[255] && strips.current[255]);
  // A short buffer leaves the rest of the strips low.
  const PhaseStrips shortStrips = ExtractPhaseStrips(std::span<const std::uint8_t>(buffer).first(2));
  EXPECT_FALSE(shortStrips.voltage[2] || shortStrips.current[2]);
}

}  // namespace
}  // namespace quillon
