// How every window takes its line: the endpoint read from the link fields, an attachment that
// opens, registers and withdraws, and moves between places without leaving a record behind.
#include "link/attachment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "link/link_hub.h"
#include "link/tcp_connection.h"
#include "loopback_device.h"
#include "request_owner.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::Bytes;
using testing::WaitFor;

LinkFieldTexts Fields(std::string protocol, std::string port, std::string baud, std::string frameEnd,
                      std::string address = "1", std::string tcpPort = "") {
  return {std::move(protocol), std::move(port),    std::move(baud),
          std::move(frameEnd), std::move(address), std::move(tcpPort)};
}

TEST(Endpoint, IsReadFromTheLinkFieldsWithTheirDefaults) {
  const auto serial = EndpointOf(Fields("MODBUS RTU", "COM3", "19200", "", "17"));
  ASSERT_TRUE(serial);
  EXPECT_EQ(serial->protocol, Protocol::MODBUSRTU);
  EXPECT_EQ(serial->Place(), "COM3");
  EXPECT_EQ(serial->baud, 19200u);
  EXPECT_EQ(serial->frameEndMs, 8u);  // empty stands for 8
  EXPECT_EQ(serial->address, 17);

  // Under MODBUS TCP the IP address stands in the frame-end field.
  const auto tcp = EndpointOf(Fields("MODBUS TCP", "", "", "10.0.0.7", "x", "1502"));
  ASSERT_TRUE(tcp);
  EXPECT_EQ(tcp->Place(), "10.0.0.7");
  EXPECT_EQ(tcp->peer, (TcpPeer{ParseIPv4("10.0.0.7"), 1502}));
  EXPECT_EQ(tcp->address, 1);  // no number: 1
  EXPECT_EQ(EndpointOf(Fields("MODBUS TCP", "", "", "10.0.0.7", "1", ""))->peer.port, 502);

  // Standard MODBUS TCP takes the same fields; only the framing of its peer differs.
  const auto mbap = EndpointOf(Fields("MODBUS TCP/IP", "", "", "10.0.0.7", "9", ""));
  ASSERT_TRUE(mbap);
  EXPECT_EQ(mbap->protocol, Protocol::MODBUSTCPIP);
  EXPECT_EQ(mbap->peer, (TcpPeer{ParseIPv4("10.0.0.7"), 502, true}));
  EXPECT_EQ(mbap->address, 9);
  EXPECT_FALSE(tcp->peer.mbap);

  EXPECT_FALSE(EndpointOf(Fields("modbus rtu", "COM3", "19200", "8")));  // the names are exact
  EXPECT_FALSE(EndpointOf(Fields("QuBUS", "", "19200", "8")));
  EXPECT_FALSE(EndpointOf(Fields("QuBUS", "COM3", "fast", "8")));
  EXPECT_FALSE(EndpointOf(Fields("QuBUS", "COM3", "19200", "-1")));
  EXPECT_FALSE(EndpointOf(Fields("MODBUS TCP", "", "", "10.0.0.7", "1", "70000")));
}

TEST(Endpoint, TheSamePlaceIsTheSamePortOrTheSamePeer) {
  Endpoint a = *EndpointOf(Fields("QuBUS", "COM3", "19200", "8"));
  Endpoint b = *EndpointOf(Fields("MODBUS RTU", "COM3", "9600", "20", "5"));
  EXPECT_TRUE(a.SamePlace(b));  // another speed is a reconfiguration, not another worker
  b.port = "COM4";
  EXPECT_FALSE(a.SamePlace(b));
  const Endpoint x = *EndpointOf(Fields("MODBUS TCP", "", "", "127.0.0.1", "1", "502"));
  Endpoint y = x;
  EXPECT_TRUE(x.SamePlace(y));
  y.peer.port = 503;
  EXPECT_FALSE(x.SamePlace(y));
  EXPECT_FALSE(a.SamePlace(x));
}

class AttachmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "Ports");
    ASSERT_EQ(::symlink(first.SlavePath().c_str(), (dir / "Ports/ONE").c_str()), 0);
    ASSERT_EQ(::symlink(second.SlavePath().c_str(), (dir / "Ports/TWO").c_str()), 0);
    first.Start(testing::EchoAfter(0x11));
    second.Start(testing::EchoAfter(0x22));
  }

  Endpoint Serial(const std::string& port) { return *EndpointOf(Fields("QuBUS", port, "115200", "5")); }

  testing::TempDir dir;
  testing::PtyPeer first;
  testing::PtyPeer second;
  LinkHub hub{dir.Path()};
};

TEST_F(AttachmentTest, MovingToAnotherPortWithdrawsEverythingFromTheOld) {
  testing::RequestOwner poll({0x01}), write({0x02}, false);
  {
    Attachment line(hub);
    ASSERT_FALSE(line.Open(Serial("ONE")));
    line.Add(poll.record);
    line.Add(write.record);
    ASSERT_TRUE(WaitFor([&] { return poll.count >= 2 && write.count == 1; }));
    EXPECT_EQ(poll.Answers().front(), (Bytes{0x11, 0x01}));
    EXPECT_EQ(hub.Serial().FindPortWorker("ONE")->Baud(), 115200u);

    // The same port at another speed is reconfigured, and keeps its records.
    Endpoint slower = Serial("ONE");
    slower.baud = 9600;
    ASSERT_FALSE(line.Open(slower));
    EXPECT_EQ(hub.Serial().FindPortWorker("ONE")->Baud(), 9600u);
    EXPECT_TRUE(line.WorkerHolds(poll.record));

    // Another port: the old one loses every record (and closes), the new one gets them anew.
    ASSERT_FALSE(line.Open(Serial("TWO")));
    EXPECT_EQ(hub.Serial().FindPortWorker("ONE"), nullptr);
    poll.record.Busy = false;
    line.Add(poll.record);
    const int before = poll.count;
    ASSERT_TRUE(WaitFor([&] { return poll.count >= before + 2; }));
    EXPECT_EQ(poll.Answers().back(), (Bytes{0x22, 0x01}));

    // A port that does not open leaves nothing held and no place.
    const auto failure = line.Open(Serial("NONE"));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, LinkErrorKind::PortUnavailable);
    EXPECT_EQ(LinkErrorText(*failure), "Порт NONE не существует\nили занят другой программой");
    EXPECT_FALSE(line.Place());
    EXPECT_EQ(hub.Serial().FindPortWorker("TWO"), nullptr);
    line.Add(poll.record);  // nowhere to go: nothing happens
    EXPECT_EQ(hub.Serial().Count(), 0u);

    ASSERT_FALSE(line.Open(Serial("ONE")));
    line.Add(poll.record);
    ASSERT_NE(hub.Serial().FindPortWorker("ONE"), nullptr);
  }
  // The attachment's end withdraws what it still held, which closes the port.
  EXPECT_EQ(hub.Serial().FindPortWorker("ONE"), nullptr);
}

TEST_F(AttachmentTest, TcpPeersAreKeyedByAddressAndPortAndAnUnreachableOneHoldsNothing) {
  auto one = std::make_unique<testing::LoopbackDevice>(testing::EchoAfter(0x33));
  testing::LoopbackDevice two(testing::EchoAfter(0x44));
  const auto peer = [](std::uint16_t port) {
    return *EndpointOf(Fields("MODBUS TCP", "", "", "127.0.0.1", "1", std::to_string(port)));
  };
  testing::RequestOwner toOne({0x01}, false, 4096), toTwo({0x02}, false, 4096);
  Attachment a(hub), b(hub);
  ASSERT_FALSE(a.Open(peer(one->Port())));
  ASSERT_FALSE(b.Open(peer(two.Port())));
  a.Add(toOne.record);
  b.Add(toTwo.record);
  ASSERT_TRUE(WaitFor([&] { return toOne.count == 1 && toTwo.count == 1; }));
  EXPECT_EQ(toOne.Answers()[0], (Bytes{0x33, 0x01}));
  EXPECT_EQ(toTwo.Answers()[0], (Bytes{0x44, 0x02}));

  // Nobody listens on the first device's port once it is gone.
  const std::uint16_t gone = one->Port();
  one.reset();
  Endpoint nobody = peer(gone);
  const auto failure = a.Open(nobody);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->kind, LinkErrorKind::Unreachable);
  EXPECT_EQ(LinkErrorText(*failure), "Устройство не отвечает");
  EXPECT_FALSE(a.Place());

  nobody.ip = "no address";
  nobody.peer.ip = kNoIPv4Address;
  EXPECT_EQ(a.Open(nobody)->kind, LinkErrorKind::Unreachable);
}

}  // namespace
}  // namespace quillon
