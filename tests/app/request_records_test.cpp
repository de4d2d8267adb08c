// A request record the window has handed to a worker is never refilled while the worker may
// still send it: a request that timed out behind a slow exchange of another window goes out
// later exactly as it was, and the next request travels in a record of its own.
#include <QPushButton>

#include "device_link_fixture.h"
#include "link/comm_list.h"

namespace quillon::testing {
namespace {

// Another window's record on the same port whose exchange keeps the line for `delayMs`.
struct SlowNeighbour {
  explicit SlowNeighbour(std::uint32_t delayMs) {
    LinkFieldTexts fields;
    fields.protocol = "MODBUS RTU";
    fields.address = "1";
    frame = BuildIdentificationRequest(fields).bytes;
    request.RequestBuf = frame.data();
    request.RequestLen = static_cast<std::uint32_t>(frame.size());
    request.AnswerBuf = answer.data();
    request.AnswerCapacity = answer.size();
    request.DelayMs = delayMs;
  }
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(256);
  TLinkRequest request;
};

TEST_F(DeviceLinkTest, ARequestThatTimedOutInTheWorkersListIsSentUnchangedAndTheNextOneUsesAnotherRecord) {
  StartAll({QStringLiteral("--verbose")});
  UseSerial("QuBUS");
  OpenDeviceInTree();
  ConnectAndRead();  // the port is open and configured

  SlowNeighbour neighbour(2600);
  hub.Serial().AddRequest("SIM1", &neighbour.request);
  ASSERT_TRUE(WaitUntil([&] { return neighbour.request.Busy.load(); }, 5000));
  window->Connection().ReadParameters();  // waits behind the neighbour and times out
  ASSERT_TRUE(WaitUntil([&] { return !prompt.warnings.empty(); }, 4000));
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{"Устройство не отвечает"});
  prompt.warnings.clear();

  ChooseProtocol(*window, "MODBUS RTU");
  window->Connection().ReadParameters();
  ASSERT_TRUE(Idle(6000));
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  hub.Serial().RemoveRequest("SIM1", &neighbour.request);

  // After the neighbour's exchange both reads reached the controller whole: the QuBUS one that
  // had timed out and the MODBUS one.
  const auto afterNeighbour = [&] {
    const QString log = sim.ErrorOutput();
    const qsizetype neighbourAt = log.indexOf(QStringLiteral("pty 01 11"));
    return neighbourAt < 0 ? QString() : log.mid(neighbourAt);
  };
  ASSERT_TRUE(WaitUntil([&] { return afterNeighbour().contains(QStringLiteral("pty 01 03")); }, 3000))
      << sim.ErrorOutput().toStdString();
  EXPECT_TRUE(afterNeighbour().contains(QStringLiteral("pty A5"))) << sim.ErrorOutput().toStdString();
}

}  // namespace
}  // namespace quillon::testing
