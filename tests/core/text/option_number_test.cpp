#include "text/option_number.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quillon {

TEST(OptionNumber, TakesTheIntegerReadersSpellingsWithinInclusiveBounds) {
  EXPECT_EQ(OptionNumber("--slave", "1", 1, 247), 1);
  EXPECT_EQ(OptionNumber("--slave", "247", 1, 247), 247);
  EXPECT_EQ(OptionNumber("--start", "x0100", 0, 0xFFFF), 256);
  EXPECT_EQ(OptionNumber("--start", "$FFFF", 0, 0xFFFF), 65535);
}

TEST(OptionNumber, RefusesWhatIsOutsideOrNoNumberNamingTheOption) {
  EXPECT_THROW(OptionNumber("--slave", "0", 1, 247), std::invalid_argument);
  EXPECT_THROW(OptionNumber("--slave", "248", 1, 247), std::invalid_argument);
  EXPECT_THROW(OptionNumber("--slave", "", 1, 247), std::invalid_argument);
  try {
    OptionNumber("--tcp", "port", 0, 65535);
    FAIL() << "no exception";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "--tcp expects a number from 0 to 65535, got \"port\"");
  }
}

}  // namespace quillon
