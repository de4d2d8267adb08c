#include "workspace/identification.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ParseIdentification, TokensSplitAtEverySpaceAndTheFifthKeepsItsSpaces) {
  struct Row {
    const char* text;
    const char* serial;
    const char* type;
    const char* deviceVersion;
    const char* firmwareVersion;
    const char* date;
    bool hasExtra;
    const char* extra;
  };
  const Row rows[] = {
      {"123 TK v3.12 2010-05-01", "123", "TK", "3", "12", "2010-05-01", false, ""},
      {"123 TK v3.12 2010-05-01 spare unit 2", "123", "TK", "3", "12", "2010-05-01", true, "spare unit 2"},
      {"1 A v1.2 d   two  gaps ", "1", "A", "1", "2", "d", true, "  two  gaps "},
      {"123 TK v3.12 2010-05-01 ", "123", "TK", "3", "12", "2010-05-01", true, ""},
      // Two spaces make an empty token that shifts the rest; "TK" as version has no dot.
      {"123  TK v3.12 2010-05-01", "123", "", "K", "", "v3.12", true, "2010-05-01"},
      {"5 SV v2.1.07 2020", "5", "SV", "2.1", "07", "2020", false, ""},
      {"5 SV v2 2020", "5", "SV", "2", "", "2020", false, ""},
      {"5 SV . 2020", "5", "SV", "", "", "2020", false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto id = ParseIdentification(row.text);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->serial, row.serial);
    EXPECT_EQ(id->deviceType, row.type);
    EXPECT_EQ(id->deviceVersion, row.deviceVersion);
    EXPECT_EQ(id->firmwareVersion, row.firmwareVersion);
    EXPECT_EQ(id->firmwareDate, row.date);
    EXPECT_EQ(id->hasExtra, row.hasExtra);
    EXPECT_EQ(id->extra, row.extra);
  }
  const auto id = *ParseIdentification("123 TK v3.12 2010-05-01");
  EXPECT_EQ(DeviceTypeKey(id), "TK3");
  EXPECT_EQ(BackupFileName(id), "TK3_123.ini");
}

TEST(ParseIdentification, FewerThanFourTokensIsNoIdentification) {
  for (const char* text : {"", "123 TK v3.12", "123 TK v3.12 ", "   "}) EXPECT_FALSE(ParseIdentification(text)) << text;
  // Four spaces are four empty tokens and an empty fifth: formally valid, with an empty identity.
  EXPECT_TRUE(ParseIdentification("    "));
}

TEST(DeviceIdentity, FirmwareChangesKeepTheDevice) {
  const auto a = *ParseIdentification("123 TK v3.12 2010-05-01");
  EXPECT_TRUE(SameDevice(a, *ParseIdentification("123 TK v3.14 2011-01-01 new board")));
  for (const char* other : {"124 TK v3.12 2010-05-01", "123 TR v3.12 2010-05-01", "123 TK v4.12 2010-05-01"}) {
    EXPECT_FALSE(SameDevice(a, *ParseIdentification(other))) << other;
  }
  EXPECT_EQ(FilterIdentificationText("12'3 TK\r\n v3.1\x01 \x7F\xC0x"), "123 TK v3.1 x");
}

}  // namespace
}  // namespace quillon
