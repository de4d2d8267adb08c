// Several controllers on one simulated line: which one answers, and what each keeps for itself.
#include "sim/sim_bus.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e/sim_device_fixture.h"
#include "sim/slave_addresses.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;

TEST(SlaveAddresses, ListsAndRangesInTheOrderGiven) {
  EXPECT_EQ(ParseSlaveAddresses("1"), (std::vector<std::uint8_t>{1}));
  EXPECT_EQ(ParseSlaveAddresses("1,5,247"), (std::vector<std::uint8_t>{1, 5, 247}));
  EXPECT_EQ(ParseSlaveAddresses("1-3"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(ParseSlaveAddresses("1-3,9"), (std::vector<std::uint8_t>{1, 2, 3, 9}));
  EXPECT_EQ(ParseSlaveAddresses("9,2-3"), (std::vector<std::uint8_t>{9, 2, 3}));
  for (const char* wrong : {"", "0", "248", "1,", ",1", "3-1", "1-", "x", "1;2", "1,1", "2-4,3", "-1", "1 ,2"}) {
    EXPECT_THROW(ParseSlaveAddresses(wrong), std::invalid_argument) << wrong;
  }
}

TEST(SlaveAddresses, EachControllerHasItsOwnSerialAndCard) {
  EXPECT_EQ(IdentificationAt("1027 TK v3.14 2024-05-05", 0), "1027 TK v3.14 2024-05-05");
  EXPECT_EQ(IdentificationAt("1027 TK v3.14 2024-05-05", 2), "1029 TK v3.14 2024-05-05");
  EXPECT_EQ(IdentificationAt("0099 TK v1 2024", 1), "0100 TK v1 2024");
  EXPECT_EQ(IdentificationAt("99", 1), "100");
  EXPECT_EQ(IdentificationAt("A1 TK v1 2024", 0), "A1 TK v1 2024");
  EXPECT_THROW(IdentificationAt("A1 TK v1 2024", 1), std::invalid_argument);
  EXPECT_THROW(IdentificationAt("", 1), std::invalid_argument);

  EXPECT_EQ(CardDirectoryAt("/tmp/card", 0, 1), "/tmp/card");
  EXPECT_EQ(CardDirectoryAt("/tmp/card/", 1, 5), "/tmp/card-5");
  EXPECT_EQ(CardDirectoryAt("card", 2, 247), "card-247");
}

class BusOfThree : public ::testing::Test {
 protected:
  BusOfThree() {
    const std::string device = testing::WriteDeviceFile(dir_);
    const std::vector<std::uint8_t> addresses{1, 5, 247};
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      ControllerOptions options;
      options.id = IdentificationAt("77 SIM v1.02 2024-01-31", i);
      options.slaveAddress = addresses[i];
      controllers_.push_back(std::make_unique<SimController>(LoadDeviceImage(device), options));
    }
  }

  SimBus Bus() {
    std::vector<SimController*> line;
    for (const auto& controller : controllers_) line.push_back(controller.get());
    return SimBus(line);
  }

  quillon::testing::TempDir dir_;
  std::vector<std::unique_ptr<SimController>> controllers_;
};

// The text of a report-slave-ID answer, without the run indicator.
std::string SlaveIdText(const Bytes& answer) {
  if (answer.size() < 6) return {};
  return std::string(answer.begin() + 3, answer.begin() + 3 + answer[2] - 1);
}

TEST_F(BusOfThree, OnlyTheAddressedControllerAnswers) {
  SimBus bus = Bus();
  for (const auto& [address, serial] :
       std::vector<std::pair<std::uint8_t, std::string>>{{1, "77"}, {5, "78"}, {247, "79"}}) {
    const Bytes answer = bus.Handle(WithCRC({address, 0x11}), true).bytes;
    ASSERT_FALSE(answer.empty()) << int(address);
    EXPECT_EQ(answer[0], address);
    EXPECT_EQ(SlaveIdText(answer), serial + " SIM v1.02 2024-01-31");
    EXPECT_EQ(bus.Handle(WithCRC({address, 0x11}), false).bytes, answer) << "the same over TCP";
  }
  std::vector<std::string> silent;
  bus.Log = [&](const std::string& line) { silent.push_back(line); };
  for (std::uint8_t address : {2, 4, 6, 246}) EXPECT_TRUE(bus.Handle(WithCRC({address, 0x11}), true).bytes.empty());
  EXPECT_EQ(silent.size(), 4u);
  // QuBUS has no address: the first controller answers it.
  const Bytes id = bus.Handle(Bytes{0xA5, 0x01, 0x00, 0x5A}, true).bytes;
  ASSERT_GT(id.size(), 3u);
  EXPECT_EQ(std::string(id.begin() + 1, id.begin() + 3), "77");
}

TEST_F(BusOfThree, EachControllerKeepsItsOwnMemoryAndABroadcastReachesAll) {
  SimBus bus = Bus();
  // Register 0x80 holds the word 0x1234 in every controller at first.
  const Bytes write5 = WithCRC({5, 0x10, 0x00, 0x80, 0x00, 0x01, 0x02, 0xAB, 0xCD});
  ASSERT_FALSE(bus.Handle(write5, true).bytes.empty());
  EXPECT_EQ(bus.Handle(WithCRC({1, 0x03, 0x00, 0x80, 0x00, 0x01}), true).bytes, WithCRC({1, 0x03, 0x02, 0x12, 0x34}));
  EXPECT_EQ(bus.Handle(WithCRC({5, 0x03, 0x00, 0x80, 0x00, 0x01}), true).bytes, WithCRC({5, 0x03, 0x02, 0xAB, 0xCD}));

  // A broadcast write changes every controller and gets no answer.
  EXPECT_TRUE(bus.Handle(WithCRC({0, 0x10, 0x00, 0x80, 0x00, 0x01, 0x02, 0x00, 0x07}), true).bytes.empty());
  for (std::uint8_t address : {1, 5, 247}) {
    EXPECT_EQ(bus.Handle(WithCRC({address, 0x03, 0x00, 0x80, 0x00, 0x01}), true).bytes,
              WithCRC({address, 0x03, 0x02, 0x00, 0x07}))
        << int(address);
  }
}

}  // namespace
}  // namespace quillon::sim
