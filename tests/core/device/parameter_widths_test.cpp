// The parameter table's widths in settings.ini: what counts as stored, and what is written back.
#include "device/parameter_widths.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace quillon::testing {
namespace {

TEST(ParameterWidthsTest, OnlyPositiveWholeNumbersAreStoredWidthsAndOnlyKnownWidthsAreWritten) {
  TempDir dir;
  const std::string ini = dir / "settings.ini";
  EXPECT_FALSE(ReadParameterColumnWidths(ini).Complete()) << "no file: nothing stored";

  ASSERT_TRUE(WriteCp1251File(ini, "[Settings]\nP0W= 520 \np1w=wide\np0m0=44\np0m1=-5\np1m0=0\np2m0=76\n"));
  const ParameterColumnWidths read = ReadParameterColumnWidths(ini);
  EXPECT_EQ(read.parameterGroup, 520);
  EXPECT_EQ(read.baseGroup, 0);
  EXPECT_EQ(read.number, 44);
  EXPECT_EQ(read.name, 0);
  EXPECT_EQ(read.baseHex, 0);
  EXPECT_EQ(read.controllerHex, 76);
  EXPECT_FALSE(read.Complete());

  WriteParameterColumnWidths(ini, {170.6, 0, 44.4, 90, 0, 0});
  EXPECT_EQ(ReadProfileString(ini, "Settings", "p0w"), "171");
  EXPECT_EQ(ReadProfileString(ini, "Settings", "p1w"), "wide") << "a width not known is left alone";
  EXPECT_EQ(ReadProfileString(ini, "Settings", "p0m0"), "44");
  EXPECT_EQ(ReadProfileString(ini, "Settings", "p2m0"), "76");
  WriteParameterColumnWidths(ini, {1, 2, 3, 4, 5, 6});
  EXPECT_TRUE(ReadParameterColumnWidths(ini).Complete());
}

}  // namespace
}  // namespace quillon::testing
