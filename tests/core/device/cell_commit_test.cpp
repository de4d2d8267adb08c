// Editing value cells: base values, dependent variables, controller writes and their frames.
#include "device/cell_commit.h"

#include "device_fixture.h"
#include "link/buses.h"

namespace quillon::testing {
namespace {

using CellCommitTest = DeviceTest;

TEST_F(CellCommitTest, BaseCellsStoreUpperCaseHexOfTheVariableSizeAndRefuseBadText) {
  CellCommit commit = CommitCell(Variable(5), kBaseHexKind, "x1ab\n");
  EXPECT_TRUE(commit.baseChanged);
  EXPECT_FALSE(commit.write);
  EXPECT_EQ(Variable(5).BaseValue, "x01AB");
  CommitCell(Variable(5), kBasePhysicalKind, "70000\r\n");
  EXPECT_EQ(Variable(5).BaseValue, "x1170") << "masked to the two bytes of a word";
  EXPECT_FALSE(CommitCell(Variable(5), kBaseHexKind, "abc\n").baseChanged);
  EXPECT_EQ(Variable(5).BaseValue, "x1170");
  CommitCell(Variable(2), kBasePhysicalKind, "12\n");
  EXPECT_EQ(Variable(2).BaseValue, "x0C");
  // A bit keeps the form of its controller column.
  CommitCell(Variable(3), kBasePhysicalKind, "5\n");
  EXPECT_EQ(Variable(3).BaseValue, "1");
}

TEST_F(CellCommitTest, OnlyTheCharactersOfANumberAreTakenAndADependentBaseGoesThroughTheRatio) {
  // A dependent base goes through the ratio.
  ASSERT_TRUE(IsDependent(Variable(1)));
  EXPECT_FALSE(CommitCell(Variable(1), kBaseHexKind, "x07D0\n").write);
  EXPECT_FLOAT_EQ(Variable(1).Ratio, 2.0f) << "x07D0 over Inom's x03E8";
  EXPECT_TRUE(CommitCell(Variable(5), kBasePhysicalKind, "1 500 с\n").baseChanged) << "the unit goes";
  EXPECT_EQ(Variable(5).BaseValue, "x05DC");
  CommitCell(Variable(0), kBasePhysicalKind, "Ток: 120,5 А\n");
  EXPECT_EQ(Variable(0).BaseValue, "x04B5") << "120,5 A at a scale of 0,1";
}

TEST_F(CellCommitTest, ControllerCellsOpenEditorsOnlyWhenTheyCanBeWritten) {
  EXPECT_FALSE(OpensEditor(Variable(0), kControllerHexKind, false)) << "nothing read yet";
  EXPECT_TRUE(OpensEditor(Variable(0), kControllerPhysicalKind, true));
  EXPECT_FALSE(OpensEditor(Variable(6), kControllerHexKind, true)) << "no cell in the controller";
  EXPECT_TRUE(OpensEditor(Variable(6), kBasePhysicalKind, true));
  EXPECT_FALSE(OpensEditor(Variable(0), 1, true));
}

TEST_F(CellCommitTest, ControllerWritesTheMaskedValueLeastSignificantByteFirst) {
  Read();
  CellCommit commit = CommitCell(Variable(5), kControllerHexKind, "x12;34\n");
  ASSERT_TRUE(commit.write);
  EXPECT_EQ(*commit.write, (std::vector<std::uint8_t>{0x34, 0x12}));
  EXPECT_EQ(Variable(5).BaseValue, "x0032") << "the base is not touched";
  EXPECT_FALSE(CommitCell(Variable(5), kControllerHexKind, "zz\n").write);
  // The byte at x0106 reads 0x03: a bit writes its byte with only its mask changed.
  commit = CommitCell(Variable(3), kControllerHexKind, "0\n");
  ASSERT_TRUE(commit.write);
  EXPECT_EQ(*commit.write, std::vector<std::uint8_t>{0x02});
}

TEST_F(CellCommitTest, ValueWriteFramesKeepTheOtherHalfOfAModbusRegister) {
  Read();
  // The list is the high half of r0083: its low half is the bit's byte before it, from the last read.
  const LinkFrame high = BuildValueWrite(Variable(4), {0x02}, Fields("MODBUS RTU"), parameters.Buffer());
  ASSERT_EQ(high.bytes.size(), 11u);
  EXPECT_EQ(high.bytes[3], 0x83);
  EXPECT_EQ(high.bytes[7], 0x02);
  EXPECT_EQ(high.bytes[8], 0x03);
  EXPECT_THROW(BuildValueWrite(Variable(6), {1, 0}, Fields("QuBUS"), parameters.Buffer()), std::runtime_error);
}

}  // namespace
}  // namespace quillon::testing
