// The traffic monitor against the simulator on a faulty line: the frames of a polling scope
// window and of a parameter read come up with the verdict the fault deserves.
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <set>
#include <string>

#include "app/tools/traffic_monitor.h"
#include "device_link_fixture.h"
#include "link/traffic_text.h"
#include "scope_window_fixture.h"

namespace quillon::testing {
namespace {

struct LineFault {
  const char* fault;
  // Every answer gets one of these, and each of them comes up.
  std::set<std::string> verdicts;
  // The fault for a parameter read, which waits longer for its answer than a scope's poll.
  const char* readFault = nullptr;
};

std::ostream& operator<<(std::ostream& out, const LineFault& fault) { return out << fault.fault; }

const LineFault kFaults[] = {
    {"crc=1", {"CRC"}},
    {"exc=1", {"EXC 04"}},
    // The wait for the answer ends first; the answer that comes after it is thrown away.
    {"late=1", {"TIMEOUT", "LATE"}, "late=1,delay=200"},
};

// The verdicts the monitor has shown for `link` so far; requests and answers counted.
struct Seen {
  int requests = 0;
  std::set<std::string> verdicts;
  std::string firstRequest;
};

Seen SeenOn(const TrafficMonitor& monitor, const std::string& link) {
  Seen seen;
  const TrafficLog& log = monitor.Log();
  for (std::size_t row = 0; row < log.Rows(); ++row) {
    const TrafficFrame& frame = log.Row(row);
    if (frame.Link() != link) continue;
    if (frame.direction == FrameDirection::TX) {
      if (seen.requests++ == 0) seen.firstRequest = FrameSummary(frame);
    } else {
      seen.verdicts.insert(VerdictText(frame));
    }
  }
  return seen;
}

bool ShowsAll(const TrafficMonitor& monitor, const std::string& link, const LineFault& fault) {
  const std::set<std::string> verdicts = SeenOn(monitor, link).verdicts;
  return std::includes(verdicts.begin(), verdicts.end(), fault.verdicts.begin(), fault.verdicts.end());
}

class MonitoredScopeTest : public ScopeWindowTest, public ::testing::WithParamInterface<LineFault> {};

TEST_P(MonitoredScopeTest, PollsShowTheirVerdicts) {
  StartSim({QStringLiteral("--fault"), QString::fromUtf8(GetParam().fault)});
  main = StartWithCatalogue();
  main->btMonitorClick();
  TrafficMonitor* monitor = main->Monitor();
  ASSERT_NE(monitor, nullptr);
  ASSERT_NE(Open(WriteScope("faults.scp", "MODBUS RTU", "RAM", {"r1", "r2"})), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ShowsAll(*monitor, "SCOPE1", GetParam()); }, 10000));
  const Seen seen = SeenOn(*monitor, "SCOPE1");
  EXPECT_EQ(seen.verdicts, GetParam().verdicts) << "no answer passes as good";
  EXPECT_GE(seen.requests, 1);
  EXPECT_EQ(seen.firstRequest.rfind("MODBUS RTU 1 03", 0), 0u) << seen.firstRequest;
}

INSTANTIATE_TEST_SUITE_P(Faults, MonitoredScopeTest, ::testing::ValuesIn(kFaults));

class MonitoredReadTest : public DeviceLinkTest, public ::testing::WithParamInterface<LineFault> {};

// Two reads: a late answer is thrown away before the next request goes out, never taken for
// its answer.
TEST_P(MonitoredReadTest, TheParameterReadShowsItsVerdict) {
  const LineFault& fault = GetParam();
  StartAll({QStringLiteral("--fault"), QString::fromUtf8(fault.readFault != nullptr ? fault.readFault : fault.fault)});
  UseSerial("MODBUS RTU");
  OpenDeviceInTree();
  window->btMonitorClick();
  TrafficMonitor* monitor = window->Monitor();
  ASSERT_NE(monitor, nullptr);
  for (int read = 0; read < 2; ++read) {
    window->btConnectClick();
    ASSERT_TRUE(Idle());
  }
  ASSERT_TRUE(WaitUntil([&] { return ShowsAll(*monitor, "SIM1", fault); }, 5000));
  const Seen seen = SeenOn(*monitor, "SIM1");
  EXPECT_EQ(seen.verdicts, fault.verdicts);
  EXPECT_EQ(seen.requests, 2);
  EXPECT_EQ(seen.firstRequest.rfind("MODBUS RTU 1 03", 0), 0u) << seen.firstRequest;
  EXPECT_FALSE(window->Parameters().HasBeenRead());
}

INSTANTIATE_TEST_SUITE_P(Faults, MonitoredReadTest, ::testing::ValuesIn(kFaults));

}  // namespace
}  // namespace quillon::testing
