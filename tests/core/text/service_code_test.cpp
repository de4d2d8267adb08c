// The address field's service code and the lines of its window.
#include "text/service_code.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ServiceCodeTest, OnlyTheWholeCodeOpensTheWindow) {
  EXPECT_TRUE(IsServiceCode("72461"));
  EXPECT_FALSE(IsServiceCode("7246"));
  EXPECT_FALSE(IsServiceCode("724610"));
  EXPECT_FALSE(IsServiceCode(" 72461"));
  EXPECT_FALSE(IsServiceCode("1"));
}

TEST(ServiceCodeTest, TheScrambledLinesReadBackAsText) {
  const std::vector<std::string> lines = ServiceWindowLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Служебное окно");
  EXPECT_EQ(lines[1], "Quillon");
  EXPECT_EQ(lines[2], "Рабочее место наладчика");
  EXPECT_EQ(lines[3].rfind("Сборка: ", 0), 0u);
}

}  // namespace
}  // namespace quillon
