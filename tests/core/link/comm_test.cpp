#include <gtest/gtest.h>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "link/comm_list.h"
#include "platform/files.h"
#include "pty_peer.h"
#include "request_owner.h"
#include "support/temp_dir.h"

namespace quillon {

namespace {

using testing::AnswerChunk;
using testing::Bytes;
using testing::PtyPeer;
using testing::Silent;
using testing::WaitFor;
using Clock = std::chrono::steady_clock;

using Owner = testing::RequestOwner;

// The device answers every request with 0x55 followed by the request itself.
const auto Echo = testing::EchoAfter(0x55);

// A program directory whose Ports/ links the name LINE to the peer's pseudo-terminal.
struct SerialBench {
  SerialBench() : list(dir.Path()) {
    EnsureDirectory(dir / "Ports");
    if (::symlink(peer.SlavePath().c_str(), (dir / "Ports/LINE").c_str()) != 0) throw std::runtime_error("symlink");
    list.SetTimings(SerialTimings::None());
  }
  bool PortIsFree() const { return SerialPort::Open(peer.SlavePath()) != nullptr; }

  quillon::testing::TempDir dir;
  PtyPeer peer;
  TCommList list;
};

}  // namespace

TEST(SerialRegistry, OpenFindAndFailures) {
  SerialBench bench;
  EXPECT_EQ(bench.list.OpenPortWorker("MISSING"), -1);
  EXPECT_EQ(bench.list.OpenPortWorker("Ports/LINE"), -1);
  EXPECT_EQ(bench.list.Count(), 0u);
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  EXPECT_EQ(bench.list.OpenPortWorker("LINE"), 1);
  EXPECT_EQ(bench.list.Count(), 1u);
  ASSERT_NE(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_EQ(bench.list.FindPortWorker("line"), nullptr);  // names compare case-sensitively
  EXPECT_EQ(bench.list.FindPortWorker("LINE")->RequestCount(), 1);
  // The port is ours alone now, even for root.
  EXPECT_FALSE(bench.PortIsFree());
  EXPECT_EQ(PortErrorMessage("COM3"), "Порт COM3 не существует\nили занят другой программой");
}

TEST(SerialRegistry, TwoOwnersOnOnePortAreServedInTurn) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner first({0x01, 0x03, 0x00, 0x00}), second({0x02, 0x04});
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.LockPort("LINE");
  bench.list.AddRequest("LINE", &first.record);
  bench.list.AddRequest("LINE", &second.record);
  bench.list.UnlockPort("LINE");
  ASSERT_TRUE(WaitFor([&] { return first.count >= 3 && second.count >= 3; }));
  bench.list.RemoveRequest("LINE", &first.record);
  bench.list.RemoveRequest("LINE", &second.record);

  for (const Bytes& answer : first.Answers()) EXPECT_EQ(answer, (Bytes{0x55, 0x01, 0x03, 0x00, 0x00}));
  for (const Bytes& answer : second.Answers()) EXPECT_EQ(answer, (Bytes{0x55, 0x02, 0x04}));
  // Half-duplex and in turn: once both are registered, the line alternates between them.
  const auto requests = bench.peer.Requests();
  ASSERT_GE(requests.size(), 6u);
  for (std::size_t i = 2; i < requests.size(); ++i) EXPECT_NE(requests[i], requests[i - 1]) << "request " << i;
}

TEST(SerialRegistry, OneShotIsServedOnceAndThePortStaysOpen) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner once({0x07, 0x08}, false);
  once.record.OneShot = true;
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.AddRequest("LINE", &once.record);
  ASSERT_TRUE(WaitFor([&] { return once.count == 1; }));
  TComm* worker = bench.list.FindPortWorker("LINE");
  ASSERT_NE(worker, nullptr);
  EXPECT_TRUE(WaitFor([&] { return !worker->HasRequest(&once.record); }));
  // Clearing Busy asks for nothing more: the record is gone from the list.
  once.record.Busy = false;
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(once.count, 1);
  EXPECT_EQ(bench.peer.Requests().size(), 1u);
  EXPECT_EQ(once.Answers().at(0), (Bytes{0x55, 0x07, 0x08}));
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), worker);
  EXPECT_FALSE(bench.PortIsFree());
  // Withdrawing a record that the worker already dropped still closes the port.
  bench.list.RemoveRequest("LINE", &once.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_TRUE(bench.PortIsFree());
}

TEST(SerialRegistry, ARecordAddedTwiceIsHeldOnce) {
  SerialBench bench;
  Owner owner({0x01});
  owner.record.Busy = true;  // registered but not asking yet
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.AddRequest("LINE", &owner.record);
  bench.list.AddRequest("LINE", &owner.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE")->RequestCount(), 1);
  bench.list.RemoveRequest("LINE", &owner.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr);
}

TEST(SerialRegistry, LastRemovalClosesThePortAndTheNextOpenReopensIt) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner a({0x0A}), b({0x0B});
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.AddRequest("LINE", &a.record);
  bench.list.AddRequest("LINE", &b.record);
  bench.list.RemoveRequest("LINE", &a.record);
  ASSERT_NE(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_EQ(bench.list.FindPortWorker("LINE")->RequestCount(), 1);
  EXPECT_FALSE(bench.PortIsFree());
  bench.list.RemoveRequest("LINE", &b.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_TRUE(bench.PortIsFree());

  const int before = a.count.load();
  a.record.Busy = false;
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.AddRequest("LINE", &a.record);
  EXPECT_TRUE(WaitFor([&] { return a.count > before + 1; }));
  bench.list.RemoveRequest("LINE", &a.record);
}

TEST(SerialWorker, SilentDeviceGivesAnEmptyAnswerAfterAboutHalfASecond) {
  SerialBench bench;
  bench.peer.Start(Silent);
  Owner owner({0x01, 0x02}, false);
  owner.answer[0] = 0xEE;
  owner.record.AnswerLen = 99;
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  const auto start = Clock::now();
  bench.list.AddRequest("LINE", &owner.record);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(owner.answeredAt - start).count();
  EXPECT_EQ(owner.record.AnswerLen, 0u);
  EXPECT_GE(elapsed, 400);
  EXPECT_LE(elapsed, 1500);
  bench.list.RemoveRequest("LINE", &owner.record);
}

TEST(SerialWorker, AFrameEndsAtTheFirstGapLongerThanThePause) {
  SerialBench bench;
  bench.peer.Start([](const Bytes&) {
    return std::vector<AnswerChunk>{{0, {1, 2, 3}}, {5, {4, 5, 6}}, {250, {7, 8, 9}}};
  });
  Owner owner({0x01}, false);
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  ASSERT_TRUE(bench.list.ConfigurePort("LINE", 115200, 60));
  bench.list.AddRequest("LINE", &owner.record);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  EXPECT_EQ(owner.Answers().at(0), (Bytes{1, 2, 3, 4, 5, 6}));
  bench.list.RemoveRequest("LINE", &owner.record);
}

TEST(SerialWorker, AnswerNeverOverrunsTheOwnersBuffer) {
  SerialBench bench;
  bench.peer.Start([](const Bytes&) { return std::vector<AnswerChunk>{{0, Bytes(40, 0x33)}}; });
  // A tight heap buffer: ASan reports any byte stored past its end.
  auto small = std::make_unique<std::uint8_t[]>(10);
  Owner owner({0x01}, false);
  owner.record.AnswerBuf = small.get();
  owner.record.AnswerCapacity = 10;
  owner.record.OnAnswer = [&](TLinkRequest&) { ++owner.count; };
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.AddRequest("LINE", &owner.record);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  EXPECT_EQ(owner.record.AnswerLen, 10u);
  bench.list.RemoveRequest("LINE", &owner.record);
}

TEST(SerialWorker, RemovingARecordWhileItIsServedIsSafe) {
  SerialBench bench;
  bench.peer.Start([](const Bytes& request) { return std::vector<AnswerChunk>{{20, request}}; });
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  Owner keeper({0x42});  // keeps the port open between rounds
  keeper.record.DelayMs = 5;
  bench.list.AddRequest("LINE", &keeper.record);
  for (int round = 0; round < 6; ++round) {
    auto owner = std::make_unique<Owner>(Bytes{0x10, static_cast<std::uint8_t>(round)});
    owner->record.DelayMs = 10 + round * 7;
    bench.list.AddRequest("LINE", &owner->record);
    ASSERT_TRUE(WaitFor([&] { return owner->record.Busy.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 4));
    bench.list.RemoveRequest("LINE", &owner->record);
    const int served = owner->count.load();
    // Once withdrawn, the worker never touches the record again; freeing it must be safe.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(owner->count.load(), served);
    owner.reset();
  }
  EXPECT_NE(bench.list.FindPortWorker("LINE"), nullptr);
  bench.list.RemoveRequest("LINE", &keeper.record);
}

TEST(SerialWorker, AThrowingHandlerDoesNotStopTheWorker) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner thrower({0x01}), steady({0x02});
  thrower.record.OnAnswer = [&](TLinkRequest& served) {
    served.Busy = false;
    if (++thrower.count % 2 == 1) throw std::runtime_error("handler failed");
  };
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  bench.list.AddRequest("LINE", &steady.record);
  bench.list.AddRequest("LINE", &thrower.record);
  EXPECT_TRUE(WaitFor([&] { return thrower.count >= 3 && steady.count >= 3; }));
  bench.list.RemoveRequest("LINE", &thrower.record);
  bench.list.RemoveRequest("LINE", &steady.record);
}

TEST(SerialWorker, LaterConfigurationWinsAndChangesAreWarnedAbout) {
  SerialBench bench;
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  TComm* worker = bench.list.FindPortWorker("LINE");
  EXPECT_EQ(worker->SettingsWarning(9600, 8), "");  // nothing configured yet
  ASSERT_TRUE(worker->ConfigurePort(9600, 8));
  EXPECT_EQ(worker->SettingsWarning(9600, 8), "");
  EXPECT_EQ(worker->SettingsWarning(19200, 20),
            "Длинный интервал ожидания конца фрейма приводит\nк снижению частоты обмена с устройством!\n\n"
            "Изменение скорости порта повлечёт сбой протокола в других окнах\n"
            "использующих этот порт, данные получаемые ими будут некорректны!\n\n"
            "Изменить настройку порта?");
  EXPECT_EQ(worker->SettingsWarning(9600, 5),
            "Уменьшение интервала ожидания конца фрейма, может привести\n"
            "к сбою протокола при приёме больших пакетов!\n\nИзменить настройку порта?");
  ASSERT_TRUE(worker->ConfigurePort(19200, 20));
  EXPECT_EQ(worker->Baud(), 19200u);
  EXPECT_EQ(worker->FrameEnd(), 20u);
  termios settings{};
  ASSERT_EQ(::tcgetattr(bench.peer.KeeperFd(), &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B19200));
  EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_FALSE(bench.list.ConfigurePort("OTHER", 9600, 8));
  // A rate without a speed constant of its own, as some drive controllers use.
  EXPECT_TRUE(worker->ConfigurePort(250000, 8));
  EXPECT_EQ(worker->Baud(), 250000u);
}

TEST(SerialRegistry, DestroyingTheRegistryStopsWorkersPromptly) {
  quillon::testing::TempDir dir;
  PtyPeer one, two;
  one.Start(Silent);
  two.Start(Silent);
  EnsureDirectory(dir / "Ports");
  ASSERT_EQ(::symlink(one.SlavePath().c_str(), (dir / "Ports/ONE").c_str()), 0);
  ASSERT_EQ(::symlink(two.SlavePath().c_str(), (dir / "Ports/TWO").c_str()), 0);
  Owner a({0x01}), b({0x02});
  a.record.DelayMs = 300;
  b.record.DelayMs = 300;
  auto list = std::make_unique<TCommList>(dir.Path());
  list->SetTimings(SerialTimings::None());
  ASSERT_EQ(list->OpenPortWorker("ONE"), 0);
  ASSERT_EQ(list->OpenPortWorker("TWO"), 0);
  list->AddRequest("ONE", &a.record);
  list->AddRequest("TWO", &b.record);
  ASSERT_TRUE(WaitFor([&] { return a.record.Busy.load() && b.record.Busy.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(350));  // both are now waiting for answers
  const auto start = Clock::now();
  list.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_NE(SerialPort::Open(one.SlavePath()), nullptr);
  EXPECT_NE(SerialPort::Open(two.SlavePath()), nullptr);
}

TEST(SerialRegistry, ListingShowsOpenablePortsAndThoseWeHold) {
  SerialBench bench;
  PtyPeer other;
  ASSERT_EQ(::symlink(other.SlavePath().c_str(), (bench.dir / "Ports/FREE").c_str()), 0);
  ASSERT_EQ(::symlink("/nonexistent/tty", (bench.dir / "Ports/GONE").c_str()), 0);
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  const std::string listing = bench.list.ListComPorts();
  EXPECT_EQ(listing.rfind("FREE/LINE/", 0), 0u) << listing;  // Ports/ entries come first, in name order
  EXPECT_EQ(listing.find("GONE"), std::string::npos);
  EXPECT_EQ(listing.back(), '/');
  // Listing opened and closed FREE again; our own port is still ours.
  EXPECT_NE(SerialPort::Open(other.SlavePath()), nullptr);
  EXPECT_FALSE(bench.PortIsFree());
}

}  // namespace quillon
