#include "workspace/protocol.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

TEST(Protocol, TheListOffersTheFourKindsByTheirStoredNames) {
  ASSERT_EQ(std::size(kProtocolNames), 4u);
  EXPECT_EQ(kProtocolNames[2], "MODBUS TCP");
  EXPECT_EQ(kProtocolNames[3], "MODBUS TCP/IP");
  for (std::string_view name : kProtocolNames) {
    const auto kind = ProtocolNamed(name);
    ASSERT_TRUE(kind.has_value()) << name;
    EXPECT_EQ(NameOf(*kind), name);
  }
  // Stored texts keep their meaning: nothing near a name is taken for it.
  for (const char* text : {"MODBUS TCP/IP ", "modbus tcp/ip", "MODBUS TCPIP", "MODBUS/TCP", ""}) {
    EXPECT_FALSE(ProtocolNamed(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace quillon
