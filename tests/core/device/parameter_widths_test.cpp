// The parameter table's widths in settings.ini: what counts as stored, and what is written back.
#include "device/parameter_widths.h"

#include <gtest/gtest.h>

#include <tuple>

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
  EXPECT_EQ(std::tie(read.parameterGroup, read.baseGroup, read.number, read.name, read.baseHex, read.controllerHex),
            std::tuple(520, 0, 44, 0, 0, 76));
  EXPECT_FALSE(read.Complete());

  WriteParameterColumnWidths(ini, {170.6, 0, 44.4, 90, 0, 0});
  std::string written;
  for (const char* key : {"p0w", "p1w", "p0m0", "p2m0"}) written += ReadProfileString(ini, "Settings", key) + " ";
  EXPECT_EQ(written, "171 wide 44 76 ") << "a width not known is left alone";
  WriteParameterColumnWidths(ini, {1, 2, 3, 4, 5, 6});
  EXPECT_TRUE(ReadParameterColumnWidths(ini).Complete());
}

}  // namespace
}  // namespace quillon::testing
