#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <vector>

#include "link/tcpip_list.h"
#include "loopback_device.h"
#include "request_owner.h"

namespace quillon {

namespace {

using testing::AnswerChunk;
using testing::Bytes;
using testing::LoopbackDevice;
using testing::Silent;
using testing::WaitFor;
using Clock = std::chrono::steady_clock;

const std::uint32_t kLoopback = ParseIPv4("127.0.0.1");

// Room for more than the longest answer a TCP peer may send.
struct TcpOwner : testing::RequestOwner {
  explicit TcpOwner(Bytes frame, bool polling = true) : RequestOwner(std::move(frame), polling, 4096) {}
};

const auto Echo = testing::EchoAfter(0x66);

// Registers the record the way the windows do: lock, open, add, unlock.
void Register(TTCPIPList& list, std::uint16_t port, TcpOwner& owner) {
  const TcpPeer peer{kLoopback, port};
  list.Lock(peer);
  ASSERT_GE(list.OpenWorker(peer), 0);
  list.AddRequest(peer, &owner.record);
  list.Unlock(peer);
}

}  // namespace

TEST(TcpWorker, APeerThatNeverAnswersGivesLengthOne) {
  LoopbackDevice device(Silent);
  TTCPIPList list;
  TcpOwner owner({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}, false);
  owner.record.DelayMs = 20;
  Register(list, device.Port(), owner);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  EXPECT_EQ(owner.record.AnswerLen, 1u);
  ASSERT_TRUE(WaitFor([&] { return device.Requests().size() == 1; }));
  // The 20 ms delay plus the 50 ms wait for an answer.
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(owner.answeredAt - device.LastRequestAt()).count();
  EXPECT_GE(elapsed, 60);
  EXPECT_LE(elapsed, 1000);
  EXPECT_EQ(device.Requests()[0], owner.request);  // the RTU frame as is, no header
}

TEST(TcpWorker, TwoOwnersOnOneAddressShareOneConnection) {
  LoopbackDevice device(Echo);
  TTCPIPList list;
  TcpOwner first({0x01, 0x03}), second({0x02, 0x04, 0x06});
  Register(list, device.Port(), first);  // locks before any worker exists: harmless
  Register(list, device.Port(), second);
  EXPECT_EQ(list.FindWorker({kLoopback, device.Port()})->RequestCount(), 2);
  ASSERT_TRUE(WaitFor([&] { return first.count >= 3 && second.count >= 3; }));
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(device.Accepted(), 1);
  for (const Bytes& answer : first.Answers()) EXPECT_EQ(answer, (Bytes{0x66, 0x01, 0x03}));
  for (const Bytes& answer : second.Answers()) EXPECT_EQ(answer, (Bytes{0x66, 0x02, 0x04, 0x06}));
  list.RemoveRequest({kLoopback, device.Port()}, &first.record);
  list.RemoveRequest({kLoopback, device.Port()}, &second.record);
  ASSERT_NE(list.FindWorker({kLoopback, device.Port()}), nullptr);  // unlike a serial port, the connection stays
  EXPECT_TRUE(list.FindWorker({kLoopback, device.Port()})->Connected());
}

TEST(TcpWorker, APeerThatClosedIsFoundDeadAndReplaced) {
  LoopbackDevice device(Echo);
  TTCPIPList list;
  TcpOwner owner({0x09});
  Register(list, device.Port(), owner);
  ASSERT_TRUE(WaitFor([&] { return owner.count >= 1; }));
  list.RemoveRequest({kLoopback, device.Port()}, &owner.record);
  ASSERT_NE(list.FindWorker({kLoopback, device.Port()}), nullptr);
  device.DropConnections();
  ASSERT_TRUE(WaitFor([&] { return list.FindWorker({kLoopback, device.Port()}) == nullptr; }));
  EXPECT_EQ(list.Count(), 0u);
  owner.record.Busy = false;
  const int served = owner.count.load();
  Register(list, device.Port(), owner);
  EXPECT_TRUE(WaitFor([&] { return owner.count > served; }));
  EXPECT_EQ(device.Accepted(), 2);
  list.RemoveRequest({kLoopback, device.Port()}, &owner.record);

  // The windows lock before they open: the lock taken on a dead worker must survive its
  // replacement by the open.
  TTCPIPThread* second = list.FindWorker({kLoopback, device.Port()});
  ASSERT_NE(second, nullptr);
  device.DropConnections();
  ASSERT_TRUE(WaitFor([&] { return !second->Probe(); }));
  owner.record.Busy = false;
  const int servedAgain = owner.count.load();
  Register(list, device.Port(), owner);
  EXPECT_TRUE(WaitFor([&] { return owner.count > servedAgain; }));
  EXPECT_EQ(device.Accepted(), 3);
  EXPECT_EQ(list.Count(), 1u);
  list.RemoveRequest({kLoopback, device.Port()}, &owner.record);

  // Reconnect restores a lost connection on the same worker.
  TTCPIPThread* third = list.FindWorker({kLoopback, device.Port()});
  device.DropConnections();
  ASSERT_TRUE(WaitFor([&] { return !third->Probe(); }));
  list.Reconnect({kLoopback, device.Port()});
  EXPECT_TRUE(third->Connected());
  TcpOwner once({0x05}, false);
  list.AddRequest({kLoopback, device.Port()}, &once.record);
  ASSERT_TRUE(WaitFor([&] { return once.count == 1; }));
  EXPECT_EQ(once.Answers().at(0), (Bytes{0x66, 0x05}));
  EXPECT_EQ(device.Accepted(), 4);
}

TEST(TcpWorker, APeerThatResetsWhilePolledIsConnectedAgainAndPollingGoesOn) {
  LoopbackDevice device(Echo);
  TTCPIPList list;
  TcpOwner owner({0x03});
  Register(list, device.Port(), owner);
  ASSERT_TRUE(WaitFor([&] { return owner.count >= 3; }));
  device.DropConnections();
  // The lost answer is reported as none; then the worker connects again by itself and serves
  // the same record, without its owner registering anew.
  ASSERT_TRUE(WaitFor([&] { return device.Accepted() == 2; }));
  const int before = owner.count.load();
  ASSERT_TRUE(WaitFor([&] { return owner.count >= before + 3; }));
  const std::vector<Bytes> answers = owner.Answers();
  EXPECT_EQ(answers.back(), (Bytes{0x66, 0x03}));
  EXPECT_NE(std::find(answers.begin(), answers.end(), Bytes{}), answers.end());
  EXPECT_EQ(list.Count(), 1u);
  list.RemoveRequest({kLoopback, device.Port()}, &owner.record);
}

TEST(TcpWorker, AnswersLongerThan255BytesGiveZero) {
  LoopbackDevice device([](const Bytes& request) {
    return std::vector<AnswerChunk>{{0, Bytes(request[0] == 1 ? 300 : 255, 0x44)}};
  });
  TTCPIPList list;
  TcpOwner longer({0x01}, false), longest({0x02}, false);
  Register(list, device.Port(), longer);
  ASSERT_TRUE(WaitFor([&] { return longer.count == 1; }));
  EXPECT_EQ(longer.record.AnswerLen, 0u);
  list.AddRequest({kLoopback, device.Port()}, &longest.record);
  ASSERT_TRUE(WaitFor([&] { return longest.count == 1; }));
  EXPECT_EQ(longest.record.AnswerLen, 255u);
}

TEST(TcpWorker, ALateAnswerIsNotTakenForTheNextOne) {
  LoopbackDevice device([](const Bytes& request) {
    if (request[0] == 1) return std::vector<AnswerChunk>{{150, {0xA1}}};  // too late for its request
    return std::vector<AnswerChunk>{{0, {0xB2, 0xB2}}};
  });
  TTCPIPList list;
  TcpOwner slow({0x01}, false), quick({0x02}, false);
  Register(list, device.Port(), slow);
  ASSERT_TRUE(WaitFor([&] { return slow.count == 1; }));
  EXPECT_EQ(slow.record.AnswerLen, 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));  // the stale byte has arrived
  list.AddRequest({kLoopback, device.Port()}, &quick.record);
  ASSERT_TRUE(WaitFor([&] { return quick.count == 1; }));
  EXPECT_EQ(quick.Answers().at(0), (Bytes{0xB2, 0xB2}));
}

TEST(TcpWorker, AddressesAndLocalPorts) {
  EXPECT_EQ(ParseIPv4("127.0.0.1"), htonl(0x7F000001));
  EXPECT_EQ(ParseIPv4("300.1.1.1"), 0xFFFFFFFFu);
  // A free port on this host: bound and released again.
  std::uint16_t port = 0;
  {
    LoopbackDevice probe(Silent);
    port = probe.Port();
  }
  TTCPIPList list;
  // Binding the local port equal to the remote one could make the socket connect to itself.
  EXPECT_EQ(list.OpenWorker({kLoopback, port}), 0);
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.FindWorker({kLoopback, port}), nullptr);
  EXPECT_EQ(list.Count(), 0u);
  LoopbackDevice device(Echo);  // a server on this host holds the remote port number
  TTCPIPThread worker({kLoopback, device.Port()});
  ASSERT_TRUE(worker.Connected());
  EXPECT_NE(worker.LocalPort(), device.Port());
}

// A listener whose accept queue is full: the host drops further connection requests unanswered,
// as a wrong address on the network does.
class FullListener {
 public:
  FullListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 0) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen");
    port_ = ntohs(address.sin_port);
    // Connect until one attempt is left hanging: from then on the queue takes nobody.
    for (int filler = 0; filler < 8 && !full_; ++filler) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      fillers_.push_back(fd);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      pollfd connecting{fd, POLLOUT, 0};
      full_ = ::poll(&connecting, 1, 300) == 0;
    }
  }
  ~FullListener() {
    for (int fd : fillers_) ::close(fd);
    ::close(listener_);
  }
  FullListener(const FullListener&) = delete;
  FullListener& operator=(const FullListener&) = delete;

  bool Full() const { return full_; }
  std::uint16_t Port() const { return port_; }

 private:
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::vector<int> fillers_;
  bool full_ = false;
};

TEST(TcpConnectionRules, ConnectingToAnAddressThatNeverAnswersGivesUpAfterTwoSeconds) {
  FullListener listener;
  ASSERT_TRUE(listener.Full());
  TTCPIPList list;
  const auto start = Clock::now();
  EXPECT_EQ(list.OpenWorker({kLoopback, listener.Port()}), 0);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(1500));
  EXPECT_LE(elapsed, std::chrono::milliseconds(3500));
  EXPECT_EQ(list.FindWorker({kLoopback, listener.Port()}), nullptr);  // never connected, so discarded
}

TEST(TcpConnectionRules, WritingToAVanishedPeerNeverKillsTheProgram) {
  LoopbackDevice device(Silent);
  auto connection = TcpConnection::Create(kLoopback, device.Port());
  ASSERT_NE(connection, nullptr);
  connection->BindLocal();
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitFor([&] { return device.Accepted() == 1; }));
  device.DropConnections();
  const std::uint8_t frame[] = {1, 2, 3};
  // The first write draws a reset from the closed peer; the next one would raise SIGPIPE.
  bool failed = false;
  for (int attempt = 0; attempt < 20 && !failed; ++attempt) {
    failed = !connection->Send(frame, sizeof frame);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(failed);
  EXPECT_FALSE(connection->Alive());
}

TEST(TcpWorker, RemovingWhileServedIsSafeAndShutdownIsPrompt) {
  LoopbackDevice device([](const Bytes& request) { return std::vector<AnswerChunk>{{10, request}}; });
  auto list = std::make_unique<TTCPIPList>();
  TcpOwner keeper({0x77});
  keeper.record.DelayMs = 300;
  Register(*list, device.Port(), keeper);
  for (int round = 0; round < 4; ++round) {
    auto owner = std::make_unique<TcpOwner>(Bytes{0x10, static_cast<std::uint8_t>(round)});
    owner->record.DelayMs = 5 + round * 10;
    list->AddRequest({kLoopback, device.Port()}, &owner->record);
    ASSERT_TRUE(WaitFor([&] { return owner->record.Busy.load(); }));
    list->RemoveRequest({kLoopback, device.Port()}, &owner->record);
    const int served = owner->count.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(owner->count.load(), served);
    owner.reset();
  }
  ASSERT_TRUE(WaitFor([&] { return keeper.record.Busy.load(); }));
  const auto start = Clock::now();
  list.reset();  // the keeper is in the middle of its 300 ms delay
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(WaitFor([&] { return device.Closed() == 1; }));
}

}  // namespace quillon
