// The protocol faults: how each kind shapes an answer a master receives, which answers it leaves
// alone, and that the limit ends them all.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "e2e/sim_device_fixture.h"
#include "link/crc16.h"
#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/faults.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;

const Bytes kRead = WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x01});  // register 0x80: 0x1234
const Bytes kAnswer = WithCRC({0x05, 0x03, 0x02, 0x12, 0x34});
const Bytes kQuBUSRead{0xA5, 0x04, 0x05, 0x01, 0x00, 0x08, 0x5A};  // 8 bytes of FLASH from 0x100

struct Faulted {
  explicit Faulted(const std::string& faults, std::uint8_t slave = 5)
      : controller(LoadDeviceImage(testing::WriteDeviceFile(dir)),
                   ControllerOptions{"7 T v1.0", slave, false, ParseFaultSpec(faults), std::nullopt, false}) {}
  Response Tcp(const Bytes& frame) { return controller.Handle(frame, false); }

  quillon::testing::TempDir dir;
  SimController controller;
};

TEST(ProtocolFaults, SpecsParseRatesAddUpAndEachKindIsDrawnAtItsRateTheSameForASeed) {
  const FaultSpec spec = ParseFaultSpec("crc=0.1, drop=0.05,short=0.05,delay=30,seed=7,limit=20");
  EXPECT_DOUBLE_EQ(spec.cut, 0.05);
  EXPECT_EQ(spec.limit, 20u);
  for (const char* bad : {"crc=1.5", "drop=0.6,crc=0.6", "delay", "delay=-1", "dup=0.5,late=0.6",
                          "drop=0.4,exc=0.3,addr=0.2,func=0.2", "crc=0.5,count=0.6"})
    EXPECT_THROW(ParseFaultSpec(bad), std::invalid_argument) << bad;
  try {
    ParseFaultSpec("jitter=1");
    ADD_FAILURE() << "an unknown key was taken";
  } catch (const std::invalid_argument& error) {
    for (const char* key : {"late", "exc", "addr", "func", "count", "dup"}) {
      EXPECT_NE(std::string(error.what()).find(std::string(" ") + key + ","), std::string::npos) << key;
      EXPECT_TRUE(ParseFaultSpec(std::string(key) + "=0.1").Any()) << key;
    }
  }
  const FaultSpec every =
      ParseFaultSpec("drop=0.1,crc=0.1,short=0.1,late=0.1,exc=0.1,addr=0.1,func=0.1,count=0.1,dup=0.1,seed=42");
  FaultInjector injector(every);
  FaultInjector again(every);
  std::map<FaultKind, int> drawn;
  for (int i = 0; i < 3000; ++i) {
    const FaultKind kind = injector.Next();
    ASSERT_EQ(kind, again.Next()) << "request " << i;
    ++drawn[kind];
  }
  ASSERT_EQ(drawn.size(), 10u);
  for (const auto& [kind, times] : drawn) EXPECT_NEAR(times / 3000.0, 0.1, 0.03) << static_cast<int>(kind);
}

TEST(ProtocolFaults, EachKindShapesARegisterRead) {
  EXPECT_EQ(Faulted("exc=1").Tcp(kRead).bytes, MODBUSException(5, 0x03, kSlaveDeviceFailure));
  // Well-formed answers with other values that only their header gives away.
  for (const char* faults : {"addr=1", "func=1"}) {
    const Bytes answer = Faulted(faults).Tcp(kRead).bytes;
    ASSERT_EQ(answer.size(), kAnswer.size()) << faults;
    EXPECT_EQ(CRC16Long(answer.data(), answer.size()), 0) << faults;
    EXPECT_NE(Bytes(answer.begin(), answer.begin() + 2), Bytes(kAnswer.begin(), kAnswer.begin() + 2)) << faults;
    EXPECT_EQ(answer[1] & 0x80, 0) << faults;
    EXPECT_EQ(answer[2], 2) << faults;
    EXPECT_NE(Bytes(answer.begin() + 3, answer.end() - 2), (Bytes{0x12, 0x34})) << faults;
  }
  EXPECT_EQ(Faulted("addr=1", 247).Tcp(WithCRC({247, 0x03, 0x00, 0x80, 0x00, 0x01})).bytes.at(0), 1);
  // Two registers asked for, the count and data of one answered. A write's echo has no count,
  // though the high byte of its address may equal the length.
  EXPECT_EQ(Faulted("count=1").Tcp(WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x02})).bytes, kAnswer);
  const Bytes echo = WithCRC({0x05, 0x10, 0x03, 0x00, 0x00, 0x01});
  Bytes faulted = echo;
  EXPECT_FALSE(FaultInjector::Apply(FaultKind::ByteCount, faulted, true));
  EXPECT_EQ(faulted, echo);
  Faulted late("late=1,delay=30,limit=1");
  const Response first = late.Tcp(kRead);
  EXPECT_TRUE(first.bytes == kAnswer && first.delayMs == 630 && first.repeats == 1);
  EXPECT_EQ(late.Tcp(kRead).delayMs, 0) << "the extra delay ends with the limit too";
  const Response twice = Faulted("dup=1").Tcp(kRead);
  EXPECT_TRUE(twice.bytes == kAnswer && twice.delayMs == 0 && twice.repeats == 2);
}

TEST(ProtocolFaults, QuBUSKeepsItsBytesTheLogNamesTheFaultAndTheLimitEndsIt) {
  const std::map<std::string, std::string> notes = {
      {"late", " [fault: late]"},           {"exc", " [fault: exception]"},    {"addr", " [fault: other address]"},
      {"func", " [fault: other function]"}, {"count", " [fault: byte count]"}, {"dup", " [fault: sent twice]"}};
  for (const auto& [key, note] : notes) {
    const bool qubusToo = key == "late" || key == "dup";  // how an answer is sent, not what it says
    Faulted faulted(key + "=1,limit=2");
    std::vector<std::string> log;
    faulted.controller.Log = [&](const std::string& line) { log.push_back(line); };
    const Response qubus = faulted.controller.Handle(kQuBUSRead, true);
    const Response modbus = faulted.Tcp(kRead);
    const Response past = faulted.Tcp(kRead);
    EXPECT_EQ(qubus.bytes, Faulted("").controller.Handle(kQuBUSRead, true).bytes) << key;
    EXPECT_EQ(qubus.delayMs > 0 || qubus.repeats > 1, qubusToo) << key;
    EXPECT_TRUE(modbus.bytes != kAnswer || modbus.delayMs > 0 || modbus.repeats > 1) << key;
    EXPECT_TRUE(past.bytes == kAnswer && past.delayMs == 0 && past.repeats == 1) << key;
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].find(note) != std::string::npos, qubusToo) << log[0];
    EXPECT_NE(log[1].find(note), std::string::npos) << log[1];
    EXPECT_EQ(log[2].find("[fault"), std::string::npos) << log[2];
  }
}

}  // namespace
}  // namespace quillon::sim
