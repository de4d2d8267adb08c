#include "link/spans.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "link/buses.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

using Items = std::vector<SpanItem>;

SpanItem Item(std::uint16_t address, int size, std::uint16_t reg = 0, bool polled = true) {
  SpanItem item;
  item.Address = address;
  item.Size = size;
  item.Register = reg;
  item.Polled = polled;
  return item;
}

}  // namespace

TEST(QuBUSSpan, LowestAddressToTheEndOfTheHighestPolledVariable) {
  const QuBUSRange range = QuBUSSpan(Items{Item(0x0110, 2), Item(0x0100, 4), Item(0x0120, 4), Item(0x0104, 1)});
  EXPECT_EQ(range.Start, 0x0100);
  EXPECT_EQ(range.End, 0x0124);
  // Of two variables at the highest address, the one nearest the front gives the size.
  EXPECT_EQ(QuBUSSpan(Items{Item(0x0010, 2), Item(0x0020, 1), Item(0x0020, 4)}).End, 0x0021);
  const QuBUSRange skipped = QuBUSSpan(Items{Item(0, 4, 0, false), Item(0x0010, 2), Item(0x0400, 8, 0, false)});
  EXPECT_EQ(skipped.Start, 0x0010);
  EXPECT_EQ(skipped.End, 0x0012);
  EXPECT_EQ(QuBUSSpan(Items{Item(0, 4)}).End, 4);  // variables only at address 0 still give a span
  const QuBUSRange empty = QuBUSSpan(std::vector<SpanItem>{});
  EXPECT_EQ(empty.Start, 0xFFFF);
  EXPECT_EQ(empty.End, 0);
}

TEST(MODBUSSpan, StartRegisterOddStartEndAndTies) {
  const MODBUSRange empty = MODBUSSpan(std::vector<SpanItem>{});
  EXPECT_EQ(static_cast<std::uint16_t>(empty.EndRegister - empty.StartRegister), 1);
  // Two bytes of register 8 (addresses 16, 17), a word at register 10, a dword at 12.
  const MODBUSRange range = MODBUSSpan(Items{Item(17, 1, 8), Item(20, 2, 10), Item(24, 4, 12), Item(16, 1, 8)});
  EXPECT_EQ(range.StartRegister, 8);
  EXPECT_EQ(range.StartAddress, 16);
  EXPECT_EQ(range.OddStart, 0);
  EXPECT_EQ(range.EndRegister, 12 + 2 + 1);
  // Only the high byte of register 8 is polled: the data begin one byte into it.
  const MODBUSRange odd = MODBUSSpan(Items{Item(20, 2, 10), Item(17, 1, 8)});
  EXPECT_EQ(odd.OddStart, 1);
  EXPECT_EQ(odd.EndRegister, 12);
  // A later variable with a register not above the start replaces it only when its byte address
  // is lower as well.
  EXPECT_EQ(MODBUSSpan(Items{Item(40, 2, 4), Item(30, 2, 6)}).StartRegister, 6);
  EXPECT_EQ(MODBUSSpan(Items{Item(10, 2, 4), Item(30, 2, 6)}).StartRegister, 4);
  EXPECT_EQ(MODBUSSpan(Items{Item(40, 1, 20), Item(41, 4, 20)}).EndRegister, 21);
  // Register 0 is read, not taken for the identification request.
  const MODBUSRange zero = MODBUSSpan(Items{Item(0, 2, 0)});
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("1", zero.StartRegister, zero.EndRegister, frame, length);
  EXPECT_EQ(frame[1], 0x03);
}

TEST(MODBUSWriteSpan, LowestRegisterAndItsByteAddress) {
  SpanItem bitInHighByte = Item(9, 1, 4);
  bitInHighByte.IsBit = true;
  bitInHighByte.HighByte = true;
  const MODBUSRange range = MODBUSWriteSpan(Items{Item(20, 2, 10), bitInHighByte, Item(12, 2, 6)});
  EXPECT_EQ(range.StartRegister, 4);
  EXPECT_EQ(range.StartAddress, 8);
  EXPECT_EQ(range.EndRegister, 12);
  EXPECT_EQ(MODBUSWriteSpan(Items{Item(31, 1, 4), Item(30, 1, 4)}).StartAddress, 31);  // no address tie-break
  SpanItem byteInHighHalf = Item(9, 1, 4);
  byteInHighHalf.HighByte = true;  // only bits step back to the start of their register
  EXPECT_EQ(MODBUSWriteSpan(Items{byteInHighHalf}).StartAddress, 9);
}

// Lists as device files declare them.
class DeclaredSpans : public ::testing::Test {
 protected:
  void Declare(std::initializer_list<const char*> lines) {
    for (const char* line : lines) ASSERT_NE(CreateVariable(line, {}, image, list), nullptr) << line;
  }
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  std::uint16_t start = 0;
  std::uint16_t end = 0;
};

// A time mark has no cell, a variable not in memory and a word without an address lie nowhere:
// none may stretch a span down to address or register 0.
TEST_F(DeclaredSpans, TimeMarksAndVariablesOutsideTheImageTakeNoPart) {
  const struct {
    bool timeMark;
    std::vector<const char*> lines;
    std::uint16_t writeAddress;
  } lists[] = {
      {false,
       {"p1=Inom/d/TWORD/x0100/r0080/A/1/2//0/x03E8/", "p23=Virt/Виртуальный/TWORD//r0001/А/1/2//0/x0000/",
        "p2=U/d/TWORD/x0102/r0081/B/1/2//0/x0001/", "p24=Sq/d/TSQRWord//r0002/А//2//0/x0000/"},
       0x0100},
      {true,
       {"w=W/d/TWORD/x0102/r0081/A/1/2///x0000/", "b=B/d/TByte/x0101/r0080.H/A/1/1///x00/",
        "n=N/d/TWORD/x0200/r0100/A/1/2/@//x0000/", "t=T/d/TBit/x0100/1/r0080.0/1/1/0/"},
       0x0101},
  };
  for (const auto& declared : lists) {
    SCOPED_TRACE(declared.lines.front());
    list.ClearVariables();
    if (declared.timeMark) list.Append(std::make_unique<TTimeMark>());
    for (const char* line : declared.lines) ASSERT_NE(CreateVariable(line, {}, image, list), nullptr) << line;
    QuBUSSpan(list, start, end);
    EXPECT_EQ(start, 0x0100);
    EXPECT_EQ(end, 0x0104);
    int odd = -1;
    MODBUSSpan(list, start, end, odd);
    EXPECT_EQ(start, 0x80);
    EXPECT_EQ(end, 0x83);
    EXPECT_EQ(odd, 0);
    std::uint16_t address = 0;
    MODBUSWriteSpan(list, start, end, address);
    EXPECT_EQ(start, 0x80);
    EXPECT_EQ(address, declared.writeAddress);
  }
  ASSERT_TRUE(list.FindVariable("N")->Definition().NotInMemory);
  list.AddressStep = 2;
  std::uint8_t frame[8];
  int length = 0;
  BuildQuBUSRead(&list, "RAM", 0x0100, 0x0104, frame, length);
  EXPECT_EQ(frame[5], 8);
}

// Bits 8 to F lie in the high byte of their register: a whole-image write that starts with such
// a bit starts one byte before it, at the register's low byte.
TEST_F(DeclaredSpans, AWriteThatStartsWithABitOfTheHighByteStartsAtItsRegister) {
  const std::pair<const char*, std::uint16_t> bits[] = {{"b=B8/d/TBit/x0105/1/r0082.8/1/1/1/", 0x0104},
                                                        {"b=BF/d/TBit/x0105/x80/r0082.F/1/1/1/", 0x0104},
                                                        {"b=B7/d/TBit/x0104/x80/r0082.7/1/1/1/", 0x0104}};
  for (const auto& [line, startAddress] : bits) {
    list.ClearVariables();
    Declare({line, "w=W/d/TWORD/x0106/r0083/A/1/2//0/x0000/"});
    std::uint16_t address = 0;
    MODBUSWriteSpan(list, start, end, address);
    EXPECT_EQ(start, 0x82) << line;
    EXPECT_EQ(address, startAddress) << line;
    EXPECT_EQ(end, 0x85) << line;
  }
}

}  // namespace quillon
