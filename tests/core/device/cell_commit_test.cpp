// Editing value cells: base values, dependent variables, controller writes and their frames.
#include "device/cell_commit.h"
#include "device_fixture.h"
#include "link/buses.h"

namespace quillon::testing {
namespace {

class CellCommitTest : public DeviceTest {};

TEST_F(CellCommitTest, BaseCellsStoreUpperCaseHexOfTheVariableSize) {
  CellCommit commit = CommitCell(Variable(5), kBaseHexKind, "x1ab\n");
  EXPECT_TRUE(commit.baseChanged);
  EXPECT_FALSE(commit.write);
  EXPECT_EQ(Variable(5).BaseValue, "x01AB");
  commit = CommitCell(Variable(5), kBasePhysicalKind, "70000\r\n");
  EXPECT_EQ(Variable(5).BaseValue, "x1170") << "masked to the two bytes of a word";
  commit = CommitCell(Variable(2), kBasePhysicalKind, "12\n");
  EXPECT_EQ(Variable(2).BaseValue, "x0C");
}

TEST_F(CellCommitTest, RefusedTextChangesNothing) {
  const CellCommit commit = CommitCell(Variable(5), kBaseHexKind, "abc\n");
  EXPECT_FALSE(commit.baseChanged);
  EXPECT_EQ(Variable(5).BaseValue, "x0032");
  EXPECT_FALSE(CommitCell(Variable(5), kControllerHexKind, "zz\n").write);
}

TEST_F(CellCommitTest, BitBaseKeepsTheFormOfItsControllerColumn) {
  CommitCell(Variable(3), kBaseHexKind, "0\n");
  EXPECT_EQ(Variable(3).BaseValue, "0");
  CommitCell(Variable(3), kBasePhysicalKind, "5\n");
  EXPECT_EQ(Variable(3).BaseValue, "1");
}

TEST_F(CellCommitTest, DependentBaseGoesThroughTheRatio) {
  TView& limit = Variable(1);
  ASSERT_TRUE(IsDependent(limit));
  const float before = limit.Ratio;
  const CellCommit commit = CommitCell(limit, kBaseHexKind, "x07D0\n");
  EXPECT_NE(limit.Ratio, before);
  EXPECT_FLOAT_EQ(limit.Ratio, 2.0f) << "x07D0 over Inom's x03E8";
  EXPECT_FALSE(commit.write);
}

TEST_F(CellCommitTest, ControllerCellsOpenEditorsOnlyWhenTheyCanBeWritten) {
  EXPECT_TRUE(OpensEditor(Variable(0), kBaseHexKind, false));
  EXPECT_FALSE(OpensEditor(Variable(0), kControllerHexKind, false)) << "nothing read yet";
  EXPECT_TRUE(OpensEditor(Variable(0), kControllerPhysicalKind, true));
  EXPECT_FALSE(OpensEditor(Variable(6), kControllerHexKind, true)) << "no cell in the controller";
  EXPECT_TRUE(OpensEditor(Variable(6), kBasePhysicalKind, true));
  EXPECT_FALSE(OpensEditor(Variable(0), 1, true));
}

TEST_F(CellCommitTest, ControllerWritesTheMaskedValueLeastSignificantByteFirst) {
  Read();
  const CellCommit commit = CommitCell(Variable(5), kControllerHexKind, "x1234\n");
  ASSERT_TRUE(commit.write);
  EXPECT_EQ(*commit.write, (std::vector<std::uint8_t>{0x34, 0x12}));
  EXPECT_EQ(Variable(5).BaseValue, "x0032") << "the base is not touched";
}

TEST_F(CellCommitTest, BitWritesItsByteWithOnlyTheMaskChanged) {
  Read();
  // The byte at x0106 reads 0x03: bit 0 set, bit 1 set.
  CellCommit commit = CommitCell(Variable(3), kControllerHexKind, "0\n");
  ASSERT_TRUE(commit.write);
  EXPECT_EQ(*commit.write, std::vector<std::uint8_t>{0x02});
  commit = CommitCell(Variable(3), kControllerHexKind, "1\n");
  EXPECT_EQ(*commit.write, std::vector<std::uint8_t>{0x03});
}

TEST_F(CellCommitTest, ValueWriteFrames) {
  Read();
  const LinkFrame qubus = BuildValueWrite(Variable(5), {0x34, 0x12}, Fields("QuBUS"), parameters.Buffer());
  EXPECT_EQ(qubus.expectedLen, 5);
  ASSERT_GE(qubus.bytes.size(), 8u);
  EXPECT_EQ(qubus.bytes[0], 0xA5);

  // The address byte is the low half of r0082; the high half (0xAA) comes from the last read.
  const LinkFrame modbus = BuildValueWrite(Variable(2), {0x07}, Fields("MODBUS RTU"), parameters.Buffer());
  ASSERT_EQ(modbus.bytes.size(), 11u);
  EXPECT_EQ(modbus.bytes[1], 0x10);
  EXPECT_EQ(modbus.bytes[3], 0x82);
  EXPECT_EQ(modbus.bytes[7], 0xAA);
  EXPECT_EQ(modbus.bytes[8], 0x07);

  // The list is the high half of r0083: its low half is the bit's byte before it.
  const LinkFrame high = BuildValueWrite(Variable(4), {0x02}, Fields("MODBUS RTU"), parameters.Buffer());
  EXPECT_EQ(high.bytes[7], 0x02);
  EXPECT_EQ(high.bytes[8], 0x03);

  EXPECT_THROW(BuildValueWrite(Variable(6), {1, 0}, Fields("QuBUS"), parameters.Buffer()), std::runtime_error);
}

}  // namespace
}  // namespace quillon::testing
