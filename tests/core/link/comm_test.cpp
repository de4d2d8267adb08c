#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>

#include "link/comm_list.h"
#include "link/request_list.h"
#include "link_bytes.h"
#include "request_owner.h"
#include "support/temp_dir.h"

namespace quillon {

namespace {

using testing::AnswerChunk;
using testing::Bytes;
using testing::PtyPeer;
using testing::Silent;
using testing::WaitFor;
using Owner = testing::RequestOwner;
using Clock = std::chrono::steady_clock;

// The device answers every request with 0x55 followed by the request itself.
const auto Echo = testing::EchoAfter(0x55);

// A program directory whose Ports/ links the name LINE to the peer's pseudo-terminal.
struct SerialBench {
  SerialBench() : list(dir.Path()) {
    testing::LinkPort(dir.Path(), "LINE", peer.SlavePath());
    list.SetTimings(SerialTimings::None());
  }
  bool PortIsFree() const { return SerialPort::Open(peer.SlavePath()) != nullptr; }
  void Serve(Owner& owner) {
    ASSERT_GE(list.OpenPortWorker("LINE"), 0);
    list.AddRequest("LINE", &owner.record);
  }

  quillon::testing::TempDir dir;
  PtyPeer peer;
  TCommList list;
};

}  // namespace

TEST(SerialRegistry, OpenFindAndFailures) {
  SerialBench bench;
  EXPECT_EQ(bench.list.OpenPortWorker("MISSING"), -1);
  EXPECT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  EXPECT_EQ(bench.list.OpenPortWorker("LINE"), 1);
  EXPECT_EQ(bench.list.Count(), 1u);
  EXPECT_EQ(bench.list.FindPortWorker("line"), nullptr);  // names compare case-sensitively
  EXPECT_FALSE(bench.PortIsFree());                       // the port is ours alone, even for root
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
  const auto requests = bench.peer.Requests();  // half-duplex, alternating
  ASSERT_GE(requests.size(), 6u);
  for (std::size_t i = 2; i < requests.size(); ++i) EXPECT_NE(requests[i], requests[i - 1]) << "request " << i;
}

TEST(SerialRegistry, OneShotIsServedOnceAndThePortStaysOpen) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner once({0x07, 0x08}, false);
  once.record.OneShot = true;
  bench.Serve(once);
  ASSERT_TRUE(WaitFor([&] { return once.count == 1; }));
  TComm* worker = bench.list.FindPortWorker("LINE");
  ASSERT_NE(worker, nullptr);
  EXPECT_TRUE(WaitFor([&] { return !worker->HasRequest(&once.record); }));
  once.record.Busy = false;  // asks for nothing more: the record is gone from the list
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(once.count, 1);
  EXPECT_EQ(bench.peer.Requests().size(), 1u);
  EXPECT_FALSE(bench.PortIsFree());
  // Withdrawing a record that the worker already dropped still closes the port.
  bench.list.RemoveRequest("LINE", &once.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_TRUE(bench.PortIsFree());
}

TEST(SerialRegistry, RecordsAreHeldOnceAndTheLastRemovalClosesThePort) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner a({0x0A}), b({0x0B});
  b.record.Busy = true;  // registered but not asking yet
  bench.Serve(a);
  bench.list.AddRequest("LINE", &b.record);
  bench.list.AddRequest("LINE", &b.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE")->RequestCount(), 2);
  bench.list.RemoveRequest("LINE", &a.record);
  EXPECT_FALSE(bench.PortIsFree());
  bench.list.RemoveRequest("LINE", &b.record);
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr);
  EXPECT_TRUE(bench.PortIsFree());
  const int before = a.count.load();
  a.record.Busy = false;
  bench.Serve(a);  // the next open reopens it
  EXPECT_TRUE(WaitFor([&] { return a.count > before + 1; }));
  bench.list.RemoveRequest("LINE", &a.record);
}

TEST(SerialWorker, OpeningPausesAreTakenByTheWorkerBeforeItServesAnything) {
  SerialBench bench;
  SerialTimings timings = SerialTimings::None();
  timings.openingPause = std::chrono::milliseconds(300);
  bench.list.SetTimings(timings);
  bench.peer.Start(Echo);
  Owner owner({0x01}, false);
  const auto start = Clock::now();
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(150));  // the caller never sleeps them
  bench.list.AddRequest("LINE", &owner.record);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  EXPECT_GE(owner.answeredAt - start, std::chrono::milliseconds(550));
  EXPECT_EQ(owner.Answers().at(0), (Bytes{0x55, 0x01}));
  bench.list.RemoveRequest("LINE", &owner.record);

  // Settings go to a port that has settled, after both pauses.
  auto list = std::make_unique<TCommList>(bench.dir.Path());
  list->SetTimings(timings);
  const auto reopened = Clock::now();
  ASSERT_EQ(list->OpenPortWorker("LINE"), 0);
  ASSERT_TRUE(list->ConfigurePort("LINE", 9600, 8));
  EXPECT_GE(Clock::now() - reopened, std::chrono::milliseconds(550));
  list.reset();

  // A worker stopped in the middle of its pauses ends at once.
  list = std::make_unique<TCommList>(bench.dir.Path());
  list->SetTimings(timings);
  ASSERT_EQ(list->OpenPortWorker("LINE"), 0);
  const auto stopping = Clock::now();
  list.reset();
  EXPECT_LT(Clock::now() - stopping, std::chrono::milliseconds(150));
}

TEST(SerialWorker, SilentDeviceGivesAnEmptyAnswerAfterAboutHalfASecond) {
  SerialBench bench;
  bench.peer.Start(Silent);
  Owner owner({0x01, 0x02}, false);
  owner.record.AnswerLen = 99;
  const auto start = Clock::now();
  bench.Serve(owner);
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
  bench.Serve(owner);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  EXPECT_EQ(owner.Answers().at(0), (Bytes{1, 2, 3, 4, 5, 6}));
  bench.list.RemoveRequest("LINE", &owner.record);
}

TEST(SerialWorker, AnswerNeverOverrunsTheOwnersBuffer) {
  SerialBench bench;
  bench.peer.Start([](const Bytes&) { return std::vector<AnswerChunk>{{0, Bytes(40, 0x33)}}; });
  auto small = std::make_unique<std::uint8_t[]>(10);  // ASan reports any byte past its end
  Owner owner({0x01}, false);
  owner.record.AnswerBuf = small.get();
  owner.record.AnswerCapacity = 10;
  owner.record.OnAnswer = [&](TLinkRequest&) { ++owner.count; };
  bench.Serve(owner);
  ASSERT_TRUE(WaitFor([&] { return owner.count == 1; }));
  EXPECT_EQ(owner.record.AnswerLen, 10u);
  bench.list.RemoveRequest("LINE", &owner.record);
}

TEST(SerialWorker, RemovingARecordWhileItIsServedIsSafe) {
  SerialBench bench;
  bench.peer.Start([](const Bytes& request) { return std::vector<AnswerChunk>{{20, request}}; });
  Owner keeper({0x42});  // keeps the port open between rounds
  keeper.record.DelayMs = 5;
  bench.Serve(keeper);
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
  }
  bench.list.RemoveRequest("LINE", &keeper.record);
}

TEST(SerialWorker, RemovingOtherRecordsWhileTheLastIsServedIsSafe) {
  SerialBench bench;
  bench.peer.Start([](const Bytes& request) { return std::vector<AnswerChunk>{{100, request}}; });
  Owner a({0x0A}), b({0x0B}), c({0x0C});
  a.record.Busy = b.record.Busy = true;  // registered but not asking
  bench.Serve(a);
  bench.list.AddRequest("LINE", &b.record);
  bench.list.AddRequest("LINE", &c.record);
  ASSERT_TRUE(WaitFor([&] { return bench.peer.Requests().size() == 1; }));  // C, at the end, is in service
  // The pass must not step onto the withdrawn records.
  auto removeA = std::async(std::launch::async, [&] { bench.list.RemoveRequest("LINE", &a.record); });
  auto removeB = std::async(std::launch::async, [&] { bench.list.RemoveRequest("LINE", &b.record); });
  removeA.get();
  removeB.get();
  ASSERT_TRUE(WaitFor([&] { return c.count >= 3; }));
  for (const Bytes& request : bench.peer.Requests()) EXPECT_EQ(request, Bytes{0x0C});
  EXPECT_EQ(bench.list.FindPortWorker("LINE")->RequestCount(), 1);
  bench.list.RemoveRequest("LINE", &c.record);
}

TEST(SerialWorker, AThrowingHandlerDoesNotStopTheWorker) {
  SerialBench bench;
  bench.peer.Start(Echo);
  Owner thrower({0x01}), steady({0x02});
  thrower.record.OnAnswer = [&](TLinkRequest& served) {
    served.Busy = false;
    if (++thrower.count % 2 == 1) throw std::runtime_error("handler failed");
  };
  bench.Serve(steady);
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
  EXPECT_EQ(worker->FrameEnd(), 20u);
  termios settings{};
  ASSERT_EQ(::tcgetattr(bench.peer.KeeperFd(), &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B19200));
  EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
  EXPECT_TRUE(worker->ConfigurePort(250000, 8));  // a rate without a speed constant of its own
  EXPECT_EQ(worker->Baud(), 250000u);
}

TEST(SerialRegistry, DestroyingTheRegistryStopsWorkersPromptly) {
  SerialBench bench;
  PtyPeer two;
  bench.peer.Start(Silent);
  two.Start(Silent);
  testing::LinkPort(bench.dir.Path(), "TWO", two.SlavePath());
  Owner a({0x01}), b({0x02});
  a.record.DelayMs = b.record.DelayMs = 300;
  auto list = std::make_unique<TCommList>(bench.dir.Path());
  list->SetTimings(SerialTimings::None());
  ASSERT_EQ(list->OpenPortWorker("LINE"), 0);
  ASSERT_EQ(list->OpenPortWorker("TWO"), 0);
  list->AddRequest("LINE", &a.record);
  list->AddRequest("TWO", &b.record);
  ASSERT_TRUE(WaitFor([&] { return a.record.Busy.load() && b.record.Busy.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(350));  // both are now waiting for answers
  const auto start = Clock::now();
  list.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(bench.PortIsFree());
  EXPECT_NE(SerialPort::Open(two.SlavePath()), nullptr);
}

// The worker's view: fetch, serve, release; the owner's calls stand inline for the queued calls
// that come from another thread after an answer.
TEST(RequestList, AddAndRemoveDuringAService) {
  RequestList list;
  TLinkRequest request, other;
  list.SetWorkerThread(std::this_thread::get_id());  // Remove must not wait on itself here
  list.Add(&request);
  ASSERT_EQ(list.Fetch(0), &request);
  EXPECT_EQ(list.Add(&request), 1u);  // a one-shot asked again while its answer is handled
  list.Release(&request, true);
  EXPECT_TRUE(list.Contains(&request));  // ... is kept for one more exchange
  ASSERT_EQ(list.Fetch(0), &request);
  list.Release(&request, true);
  EXPECT_FALSE(list.Contains(&request));

  list.Add(&other);
  list.Add(&request);
  ASSERT_EQ(list.Fetch(1), &request);
  list.Add(&request);
  list.Remove(&request);  // removal cancels the request to serve again
  list.Release(&request, true);
  EXPECT_FALSE(list.Contains(&request));
  list.Add(&other);
  EXPECT_EQ(list.Count(), 1u);  // added twice, held once
}

TEST(WorkerMutexRules, ReentrantAndForgivingOfStrayUnlocks) {
  WorkerMutex mutex;
  mutex.Unlock();  // never locked: ignored
  ASSERT_TRUE(mutex.LockFor(std::chrono::milliseconds(10)));
  ASSERT_TRUE(mutex.LockFor(std::chrono::milliseconds(10)));  // taken again by its holder
  auto other = std::async(std::launch::async, [&] {
    mutex.Unlock();  // not the holder: ignored
    return mutex.LockFor(std::chrono::milliseconds(20));
  });
  EXPECT_FALSE(other.get());
  mutex.Unlock();
  EXPECT_TRUE(mutex.HeldByThisThread());  // taken twice, released once
  mutex.Unlock();
  auto later = std::async(std::launch::async, [&] {
    const bool got = mutex.LockFor(std::chrono::milliseconds(20));
    if (got) mutex.Unlock();
    return got;
  });
  EXPECT_TRUE(later.get());
}

}  // namespace quillon
