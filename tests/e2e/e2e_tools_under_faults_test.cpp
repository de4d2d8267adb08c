// Never a wrong value from a faulty line, for the tools' own link objects: with the simulator
// spoiling one answer in five in each of the ways it knows, the alarm buffer's polls, the event
// recorder's rate request, a card download, the player's poll and the cos-phi polls bring the
// controller's own values, or mark them missing and say so. Nothing they take in holds a value
// the controller did not send. The seed is fixed, so every run meets the same faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "alarm/alarm_link.h"
#include "card/card_download.h"
#include "card/card_link.h"
#include "card/download_file.h"
#include "core/link/pty_peer.h"
#include "cosphi/cosphi_link.h"
#include "e2e/e2e_processes.h"
#include "events/event_exchanges.h"
#include "events/event_frames.h"
#include "link/link_hub.h"
#include "link/tcp_connection.h"
#include "player/player_link.h"
#include "player/player_poll.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "variables/view_list.h"

namespace quillon::e2e {
namespace {

namespace fs = std::filesystem;
using quillon::testing::TempDir;
using quillon::testing::WaitFor;
using Clock = std::chrono::steady_clock;

constexpr auto kPolling = std::chrono::milliseconds(2000);

std::string FaultAt20Percent(const std::string& kind) { return kind + "=0.2,seed=5"; }

// A QuBUS answer has no check sum: a changed last byte ("crc") passes for the controller's own
// with any master, as on a real line, and the MODBUS-only faults leave QuBUS answers alone.
const auto kQuBUSFaults = ::testing::Values("drop", "short", "late", "dup");
const auto kAllFaults = ::testing::ValuesIn(kFaultKinds);

// Whether some exchange must fail: a repeated answer may still come through whole.
bool Spoils(const std::string& kind) { return kind != "dup"; }

std::string FaultName(const ::testing::TestParamInfo<const char*>& info) { return info.param; }

// An excitation controller: the cos-phi tool's RAM, FLASH and XRAM variables. The simulator
// leaves them where they are without --move: the angle 30.0 degrees plus the offset 0, the
// stator voltage 1000 tenths of a per cent, the stator current 0x300.
constexpr const char* kExcitationDevice =
    "[DEVICE]\r\nID=88 ZK v1 2024-01-01\r\n[vars]\r\nUnom=380\r\n"
    "[FLASH]\r\n"
    "p1=Tacc/Acceleration/TWORD/x0100/r0080/s/1/2//0/x1234/\r\n"
    "p2=cosdf/Offset/TInteger/x0102/r0081/deg/0,1/2/0/x0000/\r\n"
    "[RAM]\r\n"
    "r1=cos/Angle/TInteger/x0024/r0012/deg/0,1/2/0/x0000/\r\n"
    "r2=Ust/Voltage/TWORD/x0026/r0013/%/0,1/2//0/x0000/\r\n"
    "r3=Ist/Current/TWORD/x0028/r0014/A/1/2//0/x0000/\r\n"
    "[XRAM]\r\n"
    "x1=CFU/Voltage phase/TBit/x0400/64/r0200.6/1/1/0/\r\n"
    "x2=CFI/Current phase/TBit/x0400/128/r0200.7/1/1/0/\r\n";

std::string WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

Endpoint SerialEndpoint(Protocol protocol, const std::string& port) {
  Endpoint endpoint;
  endpoint.protocol = protocol;
  endpoint.port = port;
  endpoint.baud = 115200;
  endpoint.frameEndMs = 8;
  return endpoint;
}

Endpoint TcpEndpoint(int port, Protocol protocol = Protocol::MODBUSTCP) {
  Endpoint endpoint;
  endpoint.protocol = protocol;
  endpoint.ip = "127.0.0.1";
  endpoint.peer = {ParseIPv4(endpoint.ip), static_cast<std::uint16_t>(port), FramedWithMBAP(protocol)};
  return endpoint;
}

// ---------------------------------------------------------------------------------------------
// The alarm buffer: clock and counter polls over QuBUS.

// The clock fields as a PC time; nothing when a field is no BCD number, the date or time does
// not exist or the day of week is not the date's.
std::optional<std::time_t> ClockTime(const ClockFields& clock) {
  int value[7] = {};
  for (std::size_t i = 0; i < clock.size(); ++i) {
    if ((clock[i] >> 4) > 9 || (clock[i] & 0x0F) > 9) return std::nullopt;
    value[i] = (clock[i] >> 4) * 10 + (clock[i] & 0x0F);
  }
  std::tm parts{};
  parts.tm_sec = value[0];
  parts.tm_min = value[1];
  parts.tm_hour = value[2];
  parts.tm_mday = value[4];
  parts.tm_mon = value[5] - 1;
  parts.tm_year = 100 + value[6];
  parts.tm_isdst = -1;
  const std::tm asked = parts;
  const std::time_t at = std::mktime(&parts);
  if (at == static_cast<std::time_t>(-1) || parts.tm_sec != asked.tm_sec || parts.tm_min != asked.tm_min ||
      parts.tm_mday != asked.tm_mday || parts.tm_mon != asked.tm_mon || value[3] != parts.tm_wday + 1) {
    return std::nullopt;
  }
  return at;
}

// A workspace and its link hub, for the tools that need nothing more.
template <typename Param>
class OnHub : public ::testing::TestWithParam<Param> {
 protected:
  OnHub() : hub_(dir_.Path()) {}

  TempDir dir_;
  LinkHub hub_;
};

using AlarmUnderFaults = OnHub<const char*>;

// The counters before the unit's work time, which grows by the second.
constexpr std::size_t kSteadyCounterBytes = 40;

TEST_P(AlarmUnderFaults, ClockAndCountersAreTheControllersOrNotYetRead) {
  const std::string device = WriteFile(dir_ / "device.ini", kExcitationDevice);
  // Every controller made from the same file starts with the same past, so a clean line to a
  // second one tells the counters the faulty line must bring.
  Simulator reference({"--device", device, "--pty", dir_ / "Ports/REF"});
  Simulator sim({"--device", device, "--pty", dir_ / "Ports/SIM1", "--fault", FaultAt20Percent(GetParam())});
  ASSERT_TRUE(reference.Ready());
  ASSERT_TRUE(sim.Ready());
  AlarmLink clean(hub_, {}, {});
  ASSERT_TRUE(clean.Attach(SerialEndpoint(Protocol::QuBUS, "REF")));
  ASSERT_TRUE(WaitFor([&] { return clean.Snapshot().hasCounters; }, std::chrono::seconds(5)));
  const PollSnapshot expected = clean.Snapshot();
  clean.Detach();
  const std::uint32_t unitSeconds = DecodeCounterBlock(expected.counters).unitSeconds;

  const std::time_t started = std::time(nullptr);
  AlarmLink link(hub_, {}, {});
  ASSERT_TRUE(link.Attach(SerialEndpoint(Protocol::QuBUS, "SIM1")));
  std::vector<PollSnapshot> snapshots;
  ReplyStatus replies;
  for (const auto end = Clock::now() + kPolling; Clock::now() < end;) {
    link.RearmPolls();
    snapshots.push_back(link.Snapshot());
    const ReplyStatus status = link.TakeReplyStatus();
    replies.goodReplies += status.goodReplies;
    replies.failed = replies.failed || status.failed;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  link.Detach();
  const std::time_t ended = std::time(nullptr);

  EXPECT_GE(replies.goodReplies, 6) << GetParam();
  if (Spoils(GetParam())) {
    EXPECT_TRUE(replies.failed) << GetParam();
  }
  int withCounters = 0;
  int withClock = 0;
  for (const PollSnapshot& snapshot : snapshots) {
    if (snapshot.hasCounters) {
      ++withCounters;
      ASSERT_TRUE(std::equal(snapshot.counters.begin(), snapshot.counters.begin() + kSteadyCounterBytes,
                             expected.counters.begin()))
          << GetParam();
      // Both controllers count from their own start, the reference's a moment earlier.
      const std::uint32_t unit = DecodeCounterBlock(snapshot.counters).unitSeconds;
      ASSERT_GE(unit + 2, unitSeconds) << GetParam();
      ASSERT_LE(unit, unitSeconds + static_cast<std::uint32_t>(ended - started) + 3) << GetParam();
    }
    if (snapshot.hasClock) {
      ++withClock;
      ASSERT_EQ(snapshot.calibration, 0) << GetParam();
      const auto at = ClockTime(snapshot.clock);
      ASSERT_TRUE(at.has_value()) << GetParam() << ": " << ClockText(snapshot.clock);
      ASSERT_GE(*at, started - 2) << GetParam();
      ASSERT_LE(*at, ended + 2) << GetParam();
    }
  }
  EXPECT_GT(withCounters, 0);
  EXPECT_GT(withClock, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, AlarmUnderFaults, kQuBUSFaults, FaultName);

// ---------------------------------------------------------------------------------------------
// The card link: the event recorder's rate request and a card download, over MODBUS RTU on the
// pseudo-terminal and over TCP.

// The rate the simulated recorder samples at, records a second.
constexpr std::uint8_t kControllersOscRate = 10;
// Four full blocks and a short last one.
constexpr std::size_t kCardFileSize = 1000;

std::string CardPattern() {
  std::string bytes(kCardFileSize, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

using LineFault = std::tuple<std::string, const char*>;

// The steps that end operations, handed over by the link from its worker.
class EndedSteps {
 public:
  void Add(CardStep step) {
    if (!step.Finished()) return;
    {
      std::lock_guard lock(mutex_);
      ended_.push_back(std::move(step));
    }
    changed_.notify_all();
  }
  std::optional<CardStep> WaitForEnd(std::uint64_t generation, std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    std::optional<CardStep> found;
    changed_.wait_for(lock, limit, [&] {
      for (const CardStep& step : ended_) {
        if (step.generation == generation) found = step;
      }
      return found.has_value();
    });
    return found;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<CardStep> ended_;
};

class CardUnderFaults : public ::testing::TestWithParam<LineFault> {
 protected:
  CardUnderFaults() : hub_(dir_.Path()) {}

  void SetUp() override {
    fs::create_directories(dir_ / "card");
    WriteFile(dir_ / "card/data.bin", CardPattern());
    sim_ = std::make_unique<Simulator>(std::vector<std::string>{
        "--device", WriteFile(dir_ / "device.ini", kExcitationDevice), "--pty", dir_ / "Ports/SIM1", "--tcp", "0",
        "--mbap", "0", "--card", dir_ / "card", "--fault", FaultAt20Percent(Kind())});
    ASSERT_TRUE(sim_->Ready());
    const Protocol protocol = *ProtocolNamed(std::get<0>(GetParam()));
    endpoint_ = !OverTcp(protocol)         ? SerialEndpoint(protocol, "SIM1")
                : FramedWithMBAP(protocol) ? TcpEndpoint(sim_->MbapPort(), protocol)
                                           : TcpEndpoint(sim_->TcpPort());
  }

  std::string Kind() const { return std::get<1>(GetParam()); }
  std::string Case() const { return Kind() + " over " + std::get<0>(GetParam()); }

  // Runs the operation to its end; nothing when it does not end in time.
  std::optional<CardStep> Run(std::shared_ptr<CardOperation> operation) {
    const std::uint64_t generation = ++generation_;
    if (link_.Start(endpoint_, std::move(operation), generation) != CardAttach::Attached) return std::nullopt;
    return steps_.WaitForEnd(generation, std::chrono::seconds(30));
  }

  TempDir dir_;
  TempDir pc_;
  std::unique_ptr<Simulator> sim_;
  LinkHub hub_;
  Endpoint endpoint_;
  std::uint64_t generation_ = 0;
  EndedSteps steps_;
  CardLink link_{hub_, [this](CardStep step) { steps_.Add(std::move(step)); }};
};

TEST_P(CardUnderFaults, TheRateIsTheControllersOrRefusedAndADownloadIsByteIdenticalOrFails) {
  int rates = 0;
  int refused = 0;
  for (const auto end = Clock::now() + kPolling; Clock::now() < end;) {
    auto query = std::make_shared<OscRateQuery>(1);
    const auto step = Run(query);
    ASSERT_TRUE(step.has_value()) << Case();
    if (step->outcome == CardOutcome::Done) {
      ++rates;
      ASSERT_EQ(query->Rate(), kControllersOscRate) << Case();
    } else {
      ++refused;
      ASSERT_EQ(step->outcome, CardOutcome::BadAnswer) << Case();
      ASSERT_EQ(step->message, kOscRateCrcErrorText) << Case();
    }
  }
  EXPECT_GT(rates, 0) << Case();
  // The rate answer has no byte count for that fault to change.
  if (Spoils(Kind()) && Kind() != "count") {
    EXPECT_GT(refused, 0) << Case();
  }

  // A last block cut short with a count and a CRC to match is exactly what the end of a shorter
  // file looks like (the request after it finds nothing): no master can tell, as no master can
  // tell a corrupted QuBUS byte. A middle block cut so is caught by the block after it.
  if (Kind() == "count") return;
  const std::string pattern = CardPattern();
  int received = 0;
  int failed = 0;
  std::uint32_t badAnswers = 0;
  // Under exceptions most downloads fail: go on past the polling time until one came through.
  const auto end = Clock::now() + kPolling;
  const auto limit = Clock::now() + std::chrono::seconds(30);
  for (int n = 0; Clock::now() < limit && (Clock::now() < end || received == 0); ++n) {
    const std::string copy = pc_ / ("copy" + std::to_string(n) + ".bin");
    auto file = DownloadFile::Create(copy);
    ASSERT_TRUE(file.has_value());
    const auto step = Run(std::make_shared<CardDownload>(1, "data.bin", std::move(*file), link_.Counters()));
    ASSERT_TRUE(step.has_value()) << Case();
    badAnswers += link_.Counters().errors.load();
    if (step->outcome == CardOutcome::Done) {
      ++received;
      EXPECT_EQ(step->message, kCardFileReceivedMessage);
      const std::string bytes = quillon::testing::FileBytes(copy);
      ASSERT_EQ(bytes.size(), pattern.size()) << Case() << ", download " << n;
      const auto differs = std::mismatch(bytes.begin(), bytes.end(), pattern.begin()).first;
      ASSERT_TRUE(differs == bytes.end())
          << Case() << ", download " << n << " differs at byte " << differs - bytes.begin();
    } else {
      ++failed;
      EXPECT_NE(step->message, "") << Case();
      EXPECT_NE(step->message, kCardFileReceivedMessage) << Case();
      EXPECT_FALSE(fs::exists(copy)) << Case();
    }
  }
  EXPECT_GT(received, 0) << Case();
  if (Spoils(Kind())) {
    EXPECT_GT(failed + static_cast<int>(badAnswers), 0) << Case();
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFault, CardUnderFaults,
                         ::testing::Combine(::testing::Values("MODBUS RTU", "MODBUS TCP"), kAllFaults),
                         ProtocolFaultName());
INSTANTIATE_TEST_SUITE_P(EveryFaultButCrc, CardUnderFaults,
                         ::testing::Combine(::testing::Values("MODBUS TCP/IP"), ::testing::ValuesIn(kFaultKindsButCrc)),
                         ProtocolFaultName());

// ---------------------------------------------------------------------------------------------
// The player: its poll of the RAM registers over MODBUS RTU.

// A Tirel controller's player word between two other words. Without a program the player
// holds its word at "stopped" (bit 1).
constexpr const char* kPlayerDevice =
    "[DEVICE]\r\nID=12 TR v1.0 2024-02-01\r\n[vars]\r\n[FLASH]\r\n"
    "p1=K/Coefficient/TWORD/x0100/r0080//1/2//0/x0001/\r\n"
    "[RAM]\r\n"
    "r1=I/Current/TWORD/x0200/r0100//1/2//0/x1234/\r\n"
    "r2=PLAYER/Player/TWORD/x0202/r0101//1/2//0/x0000/\r\n"
    "r3=U/Voltage/TWORD/x0204/r0102//1/2//0/xBEEF/\r\n";
// What the poll brings, in memory order: the three words and the register after them, which
// the span of the poll takes in and which holds nothing.
const std::vector<std::uint8_t> kPlayerImage = {0x34, 0x12, 0x02, 0x00, 0xEF, 0xBE, 0x00, 0x00};
// Written over the image after each look, so that an answer that brought less shows it.
constexpr std::uint8_t kUnwritten = 0xA5;

class PlayerUnderFaults : public ::testing::TestWithParam<const char*> {
 protected:
  PlayerUnderFaults() : hub_(dir_.Path()) {}

  // Worker thread, after each answer the link found good: the image it decoded.
  void ImageTaken() {
    link_.WithImage([&] {
      const auto image = link_.Image();
      if (!std::equal(kPlayerImage.begin(), kPlayerImage.end(), image.begin())) {
        std::lock_guard lock(mutex_);
        wrongImages_.emplace_back(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(kPlayerImage.size()));
      }
      std::fill_n(image.begin(), kPlayerImage.size(), kUnwritten);
    });
    ++goodImages_;
  }

  TempDir dir_;
  LinkHub hub_;
  std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> wrongImages_;
  std::atomic<int> goodImages_{0};
  PlayerLink link_{hub_, [this] { ImageTaken(); }};
};

// The message each fault earns when it hits the poll. Both copies of a repeated answer read
// together fail the check sum.
std::string PlayerMessageFor(const std::string& kind) {
  if (kind == "crc" || kind == "short" || kind == "dup") return kPollCrcMessage;
  if (kind == "exc") return std::string(kPollRefusedMessage) + "EXC 04";
  if (kind == "addr" || kind == "func") return kPollOtherAnswerMessage;
  return kPollLengthMessage;
}

TEST_P(PlayerUnderFaults, EveryImageTakenHoldsTheControllersRegisters) {
  const std::string device = WriteFile(dir_ / "player.ini", kPlayerDevice);
  Simulator sim({"--device", device, "--pty", dir_ / "Ports/SIM1", "--fault", FaultAt20Percent(GetParam())});
  ASSERT_TRUE(sim.Ready());
  TViewList list;
  link_.WithImage([&] { LoadPlayerVariables(device, list, link_.Image()); });
  const PlayerPollFrame poll = BuildPlayerPoll(list, "1");
  ASSERT_EQ(poll.bytes.size(), 8u);
  ASSERT_EQ(poll.bytes[5] * 2u, kPlayerImage.size());
  ASSERT_TRUE(link_.Attach(SerialEndpoint(Protocol::MODBUSRTU, "SIM1"), poll));

  std::set<std::string> messages;
  for (const auto end = Clock::now() + kPolling; Clock::now() < end;) {
    link_.Rearm();
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    messages.insert(link_.Message());
  }
  link_.Detach();

  EXPECT_GE(goodImages_.load(), 10) << GetParam();
  {
    std::lock_guard lock(mutex_);
    ASSERT_TRUE(wrongImages_.empty()) << GetParam() << ": " << wrongImages_.size() << " images, the first "
                                      << ::testing::PrintToString(wrongImages_.front());
  }
  messages.erase("");
  const std::string expected = PlayerMessageFor(GetParam());
  for (const std::string& message : messages) EXPECT_EQ(message, expected) << GetParam();
  if (Spoils(GetParam())) {
    EXPECT_EQ(messages.count(expected), 1u) << GetParam();
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFault, PlayerUnderFaults, kAllFaults, FaultName);

// ---------------------------------------------------------------------------------------------
// The cos-phi tool: its RAM poll over QuBUS.

// Every value as the controller holds it (see kExcitationDevice).
void ExpectControllersValues(const CosPhiValues& values, const std::string& kind) {
  EXPECT_EQ(values.angle.value_or("-"), "30") << kind;
  EXPECT_EQ(values.cosine.value_or("-"), "0,866") << kind;
  EXPECT_EQ(values.statorVoltage.value_or("-"), "100") << kind;
  EXPECT_EQ(values.statorCurrent.value_or("-"), "x0300") << kind;
}

bool SameValues(const CosPhiValues& a, const CosPhiValues& b) {
  return a.angle == b.angle && a.cosine == b.cosine && a.statorVoltage == b.statorVoltage &&
         a.statorCurrent == b.statorCurrent;
}

using CosPhiUnderFaults = OnHub<const char*>;

TEST_P(CosPhiUnderFaults, ValuesAreTheControllersOnceItAnswered) {
  const std::string device = WriteFile(dir_ / "device.ini", kExcitationDevice);
  Simulator sim({"--device", device, "--pty", dir_ / "Ports/SIM1", "--fault", FaultAt20Percent(GetParam())});
  ASSERT_TRUE(sim.Ready());
  // What the values are before any answer: a link whose port never opened.
  CosPhiLink unanswered(hub_, {}, {});
  ASSERT_FALSE(unanswered.Attach(SerialEndpoint(Protocol::QuBUS, "NONE"), device));
  const CosPhiValues before = unanswered.Values();

  CosPhiLink link(hub_, {}, {});
  ASSERT_TRUE(link.Attach(SerialEndpoint(Protocol::QuBUS, "SIM1"), device));
  std::vector<CosPhiValues> seen;
  CosPhiStatus status;
  for (const auto end = Clock::now() + kPolling; Clock::now() < end;) {
    seen.push_back(link.Values());
    const CosPhiStatus taken = link.TakeStatus();
    status.goodReplies += taken.goodReplies;
    status.failed = status.failed || taken.failed;
    link.RearmRamPoll();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  link.Detach();

  EXPECT_GE(status.goodReplies, 6) << GetParam();
  if (Spoils(GetParam())) {
    EXPECT_TRUE(status.failed) << GetParam();
  }
  const auto first =
      std::find_if(seen.begin(), seen.end(), [&](const CosPhiValues& values) { return !SameValues(values, before); });
  ASSERT_NE(first, seen.end()) << GetParam() << ": no value ever came";
  ExpectControllersValues(*first, GetParam());
  EXPECT_TRUE(std::all_of(first, seen.end(), [&](const CosPhiValues& values) { return SameValues(values, *first); }))
      << GetParam();
}

INSTANTIATE_TEST_SUITE_P(EveryFault, CosPhiUnderFaults, kQuBUSFaults, FaultName);

// A controller that never answers leaves nothing to show.
TEST(CosPhiUnderFaultsSilent, NothingIsShownWhileTheControllerNeverAnswered) {
  TempDir dir;
  LinkHub hub(dir.Path());
  const std::string device = WriteFile(dir / "device.ini", kExcitationDevice);
  Simulator sim({"--device", device, "--pty", dir / "Ports/SIM1", "--fault", "drop=1"});
  ASSERT_TRUE(sim.Ready());
  CosPhiLink link(hub, {}, {});
  ASSERT_TRUE(link.Attach(SerialEndpoint(Protocol::QuBUS, "SIM1"), device));
  ASSERT_TRUE(WaitFor([&] { return link.TakeStatus().failed; }, std::chrono::seconds(3)));
  const CosPhiValues values = link.Values();
  link.Detach();
  EXPECT_FALSE(values.angle.has_value()) << *values.angle;
  EXPECT_FALSE(values.cosine.has_value()) << *values.cosine;
  EXPECT_FALSE(values.statorVoltage.has_value()) << *values.statorVoltage;
  EXPECT_FALSE(values.statorCurrent.has_value()) << *values.statorCurrent;
}

}  // namespace
}  // namespace quillon::e2e
