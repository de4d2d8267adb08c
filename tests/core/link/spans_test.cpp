#include <gtest/gtest.h>

#include <vector>

#include "link/buses.h"
#include "link/spans.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

SpanItem Item(std::uint16_t address, int size, std::uint16_t reg = 0) {
  SpanItem item;
  item.Address = address;
  item.Size = size;
  item.Register = reg;
  return item;
}

SpanItem Skipped(std::uint16_t address, int size, std::uint16_t reg) {
  SpanItem item = Item(address, size, reg);
  item.Polled = false;
  return item;
}

TView& Add(TViewList& list, const char* type, std::uint16_t address, int size, std::uint16_t reg) {
  TView* view = list.Append(CreateVariableOfType(type));
  view->Address = address;
  view->Size = size;
  view->Register = reg;
  return *view;
}

}  // namespace

TEST(QuBUSSpan, LowestAddressToTheEndOfTheHighestVariable) {
  const std::vector<SpanItem> items{Item(0x0110, 2), Item(0x0100, 4), Item(0x0120, 4), Item(0x0104, 1)};
  const QuBUSRange range = QuBUSSpan(items);
  EXPECT_EQ(range.Start, 0x0100);
  EXPECT_EQ(range.End, 0x0124);
  // Of two variables at the highest address, the one nearest the front gives the size.
  const std::vector<SpanItem> shared{Item(0x0010, 2), Item(0x0020, 1), Item(0x0020, 4)};
  EXPECT_EQ(QuBUSSpan(shared).End, 0x0021);
}

TEST(QuBUSSpan, EmptyAndSkippedVariables) {
  const QuBUSRange empty = QuBUSSpan(std::vector<SpanItem>{});
  EXPECT_EQ(empty.Start, 0xFFFF);
  EXPECT_EQ(empty.End, 0);
  const std::vector<SpanItem> items{Skipped(0x0000, 4, 0), Item(0x0010, 2), Skipped(0x0400, 8, 0)};
  const QuBUSRange range = QuBUSSpan(items);
  EXPECT_EQ(range.Start, 0x0010);
  EXPECT_EQ(range.End, 0x0012);
  // Variables only at address 0 still give a span to read.
  EXPECT_EQ(QuBUSSpan(std::vector<SpanItem>{Item(0, 4)}).End, 4);
}

TEST(MODBUSSpan, EmptyListReadsOneRegister) {
  const MODBUSRange range = MODBUSSpan(std::vector<SpanItem>{});
  EXPECT_EQ(static_cast<std::uint16_t>(range.EndRegister - range.StartRegister), 1);
  EXPECT_EQ(range.OddStart, 0);
}

TEST(MODBUSSpan, StartRegisterOddStartAndEnd) {
  // Two bytes of register 8 (addresses 16, 17), a word at register 10, a dword at 12.
  const std::vector<SpanItem> items{Item(17, 1, 8), Item(20, 2, 10), Item(24, 4, 12), Item(16, 1, 8)};
  const MODBUSRange range = MODBUSSpan(items);
  EXPECT_EQ(range.StartRegister, 8);
  EXPECT_EQ(range.StartAddress, 16);
  EXPECT_EQ(range.OddStart, 0);
  EXPECT_EQ(range.EndRegister, 12 + 2 + 1);
  // Only the high byte of register 8 is polled: the data begin one byte into it.
  const std::vector<SpanItem> odd{Item(20, 2, 10), Item(17, 1, 8)};
  const MODBUSRange oddRange = MODBUSSpan(odd);
  EXPECT_EQ(oddRange.StartRegister, 8);
  EXPECT_EQ(oddRange.OddStart, 1);
  EXPECT_EQ(oddRange.EndRegister, 12);
}

TEST(MODBUSSpan, TieRulesOfTheStartRegister) {
  // The last variable is met first. A later one with a register not above the start replaces
  // it only when its byte address is lower as well.
  const std::vector<SpanItem> lowerRegisterHigherAddress{Item(40, 2, 4), Item(30, 2, 6)};
  EXPECT_EQ(MODBUSSpan(lowerRegisterHigherAddress).StartRegister, 6);
  const std::vector<SpanItem> lowerBoth{Item(10, 2, 4), Item(30, 2, 6)};
  EXPECT_EQ(MODBUSSpan(lowerBoth).StartRegister, 4);
  const std::vector<SpanItem> higherRegister{Item(10, 2, 9), Item(30, 2, 6)};
  EXPECT_EQ(MODBUSSpan(higherRegister).StartRegister, 6);
  // The end comes from the front-most variable at the highest register.
  const std::vector<SpanItem> sharedEnd{Item(40, 1, 20), Item(41, 4, 20)};
  EXPECT_EQ(MODBUSSpan(sharedEnd).EndRegister, 21);
}

TEST(MODBUSSpan, RegisterZeroIsReadNotIdentified) {
  const std::vector<SpanItem> items{Item(0, 2, 0)};
  const MODBUSRange range = MODBUSSpan(items);
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("1", range.StartRegister, range.EndRegister, frame, length);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(frame[1], 0x03);
}

TEST(MODBUSWriteSpan, LowestRegisterAndItsByteAddress) {
  SpanItem bitInHighByte = Item(9, 1, 4);
  bitInHighByte.IsBit = true;
  bitInHighByte.HighByte = true;
  const std::vector<SpanItem> items{Item(20, 2, 10), bitInHighByte, Item(12, 2, 6)};
  const MODBUSRange range = MODBUSWriteSpan(items);
  EXPECT_EQ(range.StartRegister, 4);
  EXPECT_EQ(range.StartAddress, 8);
  EXPECT_EQ(range.EndRegister, 12);
  // No address tie-break: the front-most of equal registers wins even with a higher address.
  const std::vector<SpanItem> ties{Item(31, 1, 4), Item(30, 1, 4)};
  EXPECT_EQ(MODBUSWriteSpan(ties).StartAddress, 31);
  SpanItem byteInHighHalf = Item(9, 1, 4);
  byteInHighHalf.HighByte = true;  // only bits step back to the start of their register
  EXPECT_EQ(MODBUSWriteSpan(std::vector<SpanItem>{byteInHighHalf}).StartAddress, 9);
}

TEST(ViewListSpans, ReadTheVariablesOfAList) {
  TViewList list;
  Add(list, "TWORD", 0x0102, 2, 0x81);
  Add(list, "TByte", 0x0101, 1, 0x80).HighByte = true;
  Add(list, "TWORD", 0x0200, 2, 0x100).NotInMemory = true;
  Add(list, "TWORD", 0x0300, 2, 0x180).TypeName = "TTimeMark";
  Add(list, "TBit", 0x0100, 1, 0x80);
  std::uint16_t start = 0, end = 0;
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
  EXPECT_EQ(address, 0x0101);  // the TByte at the front, the nearest of the lowest register
  list.AddressStep = 2;
  std::uint8_t frame[8];
  int length = 0;
  BuildQuBUSRead(&list, "RAM", 0x0100, 0x0104, frame, length);
  EXPECT_EQ(frame[5], 8);
  BuildQuBUSRead(nullptr, "RAM", 0x0100, 0x0104, frame, length);
  EXPECT_EQ(frame[5], 4);
  const std::uint8_t image[0x200] = {};
  const auto bytes = RegisterBytesForByte(0x5A, image, sizeof image, list.Item(1));
  EXPECT_EQ(bytes[1], 0x5A);
}

}  // namespace quillon
