#include "workspace/identification.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ParseIdentification, FourTokensGiveTheIdentityAndTheTypeKey) {
  const auto id = ParseIdentification("123 TK v3.12 2010-05-01");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->serial, "123");
  EXPECT_EQ(id->deviceType, "TK");
  EXPECT_EQ(id->deviceVersion, "3");
  EXPECT_EQ(id->firmwareVersion, "12");
  EXPECT_EQ(id->firmwareDate, "2010-05-01");
  EXPECT_FALSE(id->hasExtra);
  EXPECT_EQ(DeviceTypeKey(*id), "TK3");
  EXPECT_EQ(BackupFileName(*id), "TK3_123.ini");
}

TEST(ParseIdentification, FifthTokenKeepsItsSpaces) {
  const auto id = ParseIdentification("123 TK v3.12 2010-05-01 spare unit 2");
  ASSERT_TRUE(id);
  EXPECT_TRUE(id->hasExtra);
  EXPECT_EQ(id->extra, "spare unit 2");
  EXPECT_EQ(id->firmwareDate, "2010-05-01");

  const auto spaced = ParseIdentification("1 A v1.2 d   two  gaps ");
  ASSERT_TRUE(spaced);
  EXPECT_EQ(spaced->extra, "  two  gaps ");
}

TEST(ParseIdentification, ASpaceAfterTheDateGivesAnEmptyFifthToken) {
  const auto id = ParseIdentification("123 TK v3.12 2010-05-01 ");
  ASSERT_TRUE(id);
  EXPECT_TRUE(id->hasExtra);
  EXPECT_EQ(id->extra, "");
}

TEST(ParseIdentification, TwoSpacesMakeAnEmptyTokenThatShiftsTheRest) {
  const auto id = ParseIdentification("123  TK v3.12 2010-05-01");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->serial, "123");
  EXPECT_EQ(id->deviceType, "");
  // "TK" is the version token now: no dot, so all of it after the leading character.
  EXPECT_EQ(id->deviceVersion, "K");
  EXPECT_EQ(id->firmwareVersion, "");
  EXPECT_EQ(id->firmwareDate, "v3.12");
  EXPECT_EQ(id->extra, "2010-05-01");
}

TEST(ParseIdentification, FewerThanFourTokensIsNoIdentification) {
  EXPECT_FALSE(ParseIdentification(""));
  EXPECT_FALSE(ParseIdentification("123 TK v3.12"));
  EXPECT_FALSE(ParseIdentification("123 TK v3.12 "));
  EXPECT_FALSE(ParseIdentification("   "));
  // Four spaces are four empty tokens and an empty fifth: formally valid, with an empty identity.
  EXPECT_TRUE(ParseIdentification("    "));
}

TEST(ParseIdentification, VersionIsCutAtItsLastDot) {
  const auto id = ParseIdentification("5 SV v2.1.07 2020");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->deviceVersion, "2.1");
  EXPECT_EQ(id->firmwareVersion, "07");

  const auto noDot = ParseIdentification("5 SV v2 2020");
  ASSERT_TRUE(noDot);
  EXPECT_EQ(noDot->deviceVersion, "2");
  EXPECT_EQ(noDot->firmwareVersion, "");

  const auto bare = ParseIdentification("5 SV . 2020");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->deviceVersion, "");
  EXPECT_EQ(bare->firmwareVersion, "");
}

TEST(DeviceIdentity, FirmwareChangesKeepTheDevice) {
  const auto a = *ParseIdentification("123 TK v3.12 2010-05-01");
  EXPECT_TRUE(SameDevice(a, *ParseIdentification("123 TK v3.14 2011-01-01 new board")));
  EXPECT_FALSE(SameDevice(a, *ParseIdentification("124 TK v3.12 2010-05-01")));
  EXPECT_FALSE(SameDevice(a, *ParseIdentification("123 TR v3.12 2010-05-01")));
  EXPECT_FALSE(SameDevice(a, *ParseIdentification("123 TK v4.12 2010-05-01")));
}

TEST(FilterIdentificationText, KeepsPrintableAsciiWithoutTheApostrophe) {
  EXPECT_EQ(FilterIdentificationText("12'3 TK\r\n v3.1\x01 \x7F\xC0x"), "123 TK v3.1 x");
  EXPECT_EQ(FilterIdentificationText(" !~"), " !~");
}

}  // namespace
}  // namespace quillon
