// The traffic tap, the log and the frames' text: frames from many workers arrive whole and in
// order, a full ring drops rather than waits, the log's filtered view follows its ring, and an
// exchange leaves its request, its judged answer and any late bytes in the tap, as the wire
// carried them.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <thread>
#include <vector>

#include "link/link_channel.h"
#include "link/traffic_log.h"
#include "link/traffic_tap.h"
#include "link/traffic_text.h"
#include "link_bytes.h"
#include "traffic_frames.h"

namespace quillon {
namespace {

using testing::ModbusTrafficFrame;
using testing::QuBUSTrafficFrame;
using testing::WithCrc;

TrafficFrame FrameOf(FrameDirection direction, FrameFraming framing, const std::vector<std::uint8_t>& bytes) {
  TrafficFrame frame;
  frame.direction = direction;
  frame.framing = framing;
  frame.SetBytes(bytes.data(), bytes.size());
  return frame;
}

std::vector<std::int64_t> RowTimes(const TrafficLog& log) {
  std::vector<std::int64_t> times;
  for (std::size_t row = 0; row < log.Rows(); ++row) times.push_back(log.Row(row).timeUs);
  return times;
}

TEST(TrafficLog, HoldsTheNewestHundredThousandAndItsViewFollows) {
  TrafficLog log;
  ASSERT_EQ(log.Capacity(), 100000u);
  log.SetFilter({.link = "A"});
  constexpr std::int64_t kFrames = 100005;
  for (std::int64_t i = 0; i < kFrames; ++i) log.Append(ModbusTrafficFrame(i, i % 2 == 0 ? "A" : "B", 1));
  EXPECT_EQ(log.Size(), 100000u);
  EXPECT_EQ(log.Frame(0).timeUs, 5) << "the five oldest are gone";
  EXPECT_EQ(log.Frame(log.Size() - 1).timeUs, kFrames - 1);
  // Frames 6, 8 … 100004 of link A are held.
  ASSERT_EQ(log.Rows(), 50000u);
  for (std::size_t row = 0; row < log.Rows(); ++row) {
    ASSERT_EQ(log.Row(row).timeUs, 6 + 2 * static_cast<std::int64_t>(row));
    ASSERT_EQ(log.Row(row).Link(), "A");
  }

  // What a table needs to know before the next frames push rows out.
  EXPECT_EQ(log.Overflow(3), 3u);
  EXPECT_EQ(log.RowsAmongOldest(3), 1u) << "frames 5, 6, 7: only 6 is shown";
  log.DropOldest(3);
  EXPECT_EQ(log.Rows(), 49999u);
  EXPECT_EQ(log.Row(0).timeUs, 8);
  EXPECT_EQ(log.Overflow(2), 0u) << "room for three";
  EXPECT_EQ(log.Overflow(5), 2u);
  log.Clear();
  EXPECT_EQ(log.Size() + log.Rows() + log.Overflow(1), 0u);
}

TEST(TrafficLog, AnIncrementalViewEqualsOneBuiltAfresh) {
  // A small ring wrapped many times, the filter changed on the way: every append and drop must
  // leave the rows a rebuild would give.
  TrafficLog log(50);
  std::mt19937 random(7);
  const char* links[] = {"COM1", "COM10", "127.0.0.1:502"};
  const FrameVerdict verdicts[] = {FrameVerdict::None, FrameVerdict::OK, FrameVerdict::CRC};
  const TrafficFilter filters[] = {{.link = "COM1"}, {.address = 2}, {.verdict = FrameVerdict::CRC}, {}};
  for (int i = 0; i < 2000; ++i) {
    const char* link = links[random() % 3];
    const FrameVerdict verdict = verdicts[random() % 3];
    const auto slave = static_cast<std::uint8_t>(1 + random() % 2);
    log.Append(random() % 5 == 0 ? QuBUSTrafficFrame(i, link, verdict) : ModbusTrafficFrame(i, link, slave, verdict));
    if (i % 97 == 0) log.DropOldest(random() % 20);
    if (i % 250 == 0) log.SetFilter(filters[(i / 250) % 4]);
    if (i % 50 != 0) continue;
    TrafficLog fresh(50);
    for (std::size_t index = 0; index < log.Size(); ++index) fresh.Append(log.Frame(index));
    fresh.SetFilter(log.Filter());
    ASSERT_EQ(RowTimes(log), RowTimes(fresh)) << "after frame " << i;
  }
}

TEST(TrafficFilter, LinkAddressAndVerdict) {
  const TrafficFrame request = ModbusTrafficFrame(1, "COM1", 2);
  const TrafficFrame crc = ModbusTrafficFrame(2, "COM1", 2, FrameVerdict::CRC);
  const TrafficFrame ok = ModbusTrafficFrame(3, "COM1", 2, FrameVerdict::OK);
  const TrafficFrame qubus = QuBUSTrafficFrame(4, "COM1", FrameVerdict::CRC);
  const TrafficFilter all{.link = "COM1", .address = 2, .verdict = FrameVerdict::CRC};
  const struct {
    TrafficFilter filter;
    const TrafficFrame& frame;
    bool shown;
  } cases[] = {
      {{}, qubus, true},
      {{.link = "COM1"}, request, true},
      {{.link = "COM"}, request, false},  // the name exactly, not its start
      {{.link = "COM10"}, request, false},
      {{.address = 2}, request, true},
      {{.address = 1}, request, false},
      {{.address = 0}, qubus, false},  // a frame without an address is hidden
      {{.verdict = FrameVerdict::CRC}, crc, true},
      {{.verdict = FrameVerdict::CRC}, qubus, true},
      {{.verdict = FrameVerdict::CRC}, ok, false},
      {{.verdict = FrameVerdict::CRC}, request, false},  // requests have no verdict
      {all, crc, true},
      {all, qubus, false},
      {all, ok, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].filter.Matches(cases[i].frame), cases[i].shown) << "case " << i;
}

TEST(TrafficTap, FramesFromSeveralWorkersArriveOnceEachInTheirOrder) {
  TrafficTap tap(256);
  tap.SetEnabled(true);
  constexpr int kWorkers = 4;
  constexpr int kFrames = 5000;
  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&tap, worker] {
      for (int i = 0; i < kFrames; ++i) {
        TrafficFrame frame;
        frame.SetLink("w" + std::to_string(worker));
        frame.timeUs = i;
        while (!tap.Put(frame)) std::this_thread::yield();  // full: the reader catches up
      }
    });
  }
  std::map<std::string, std::int64_t> next;
  std::size_t taken = 0;
  bool inOrder = true;
  while (taken < kWorkers * kFrames) {
    taken += tap.Drain([&](const TrafficFrame& frame) {
      std::int64_t& expected = next[std::string(frame.Link())];
      inOrder = inOrder && frame.timeUs == expected;
      expected = frame.timeUs + 1;
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(next.size(), static_cast<std::size_t>(kWorkers));
  for (const auto& [link, count] : next) EXPECT_EQ(count, kFrames) << link;
  EXPECT_EQ(tap.Drain([](const TrafficFrame&) {}), 0u);
}

TEST(TrafficTap, AFullRingDropsAndCountsAndAnOffTapTakesNothing) {
  TrafficTap tap(4);
  TrafficFrame frame;
  EXPECT_FALSE(tap.Put(frame));  // nobody watches
  tap.SetEnabled(true);
  for (int i = 0; i < 6; ++i) {
    frame.timeUs = i;
    tap.Put(frame);
  }
  EXPECT_EQ(tap.Dropped(), 2u);
  std::vector<std::int64_t> times;
  tap.Drain([&](const TrafficFrame& taken) { times.push_back(taken.timeUs); });
  EXPECT_EQ(times, (std::vector<std::int64_t>{0, 1, 2, 3}));
  // The ring takes frames again once drained.
  EXPECT_TRUE(tap.Put(frame));
}

TEST(TrafficText, ATraceLineHasTimeDirectionBytesSummaryAndVerdict) {
  const auto request = WithCrc({0x01, 0x03, 0x01, 0x00, 0x00, 0x02});
  TrafficFrame tx = FrameOf(FrameDirection::TX, FrameFraming::MODBUSRTU, request);
  tx.timeUs = 1'700'000'000'123'456;
  const std::string line = TraceLine(tx);
  EXPECT_EQ(line.substr(8), ".123456\tTX\t01 03 01 00 00 02 C5 F7\tMODBUS RTU 1 03 read reg 256 n=2\t");

  TrafficFrame rx = FrameOf(FrameDirection::RX, FrameFraming::MODBUSRTU, WithCrc({0x01, 0x03, 0x04, 1, 2, 3, 4}));
  rx.SetRequestHead(request.data(), request.size());
  rx.verdict = FrameVerdict::OK;
  EXPECT_EQ(FrameSummary(rx), "MODBUS RTU 1 03 reg 256 n=2 bytes=4");
  EXPECT_EQ(TraceLine(rx).substr(TraceLine(rx).rfind('\t') + 1), "OK");
  rx.verdict = FrameVerdict::EXC;
  rx.exceptionCode = 2;
  EXPECT_EQ(VerdictText(rx), "EXC 02");
  EXPECT_EQ(FrameAddress(rx), 1);
}

TEST(TrafficText, QuBUSAndMBAPFramesAreDecodedByTheirOwnLayout) {
  const std::vector<std::uint8_t> read{0xA5, 0x04, 0x03, 0x01, 0x00, 0x10, 0x5A};
  EXPECT_EQ(FrameSummary(FrameOf(FrameDirection::TX, FrameFraming::QuBUS, read)), "QuBUS read RAM 0x0100 n=16");
  TrafficFrame answer = FrameOf(FrameDirection::RX, FrameFraming::QuBUS, std::vector<std::uint8_t>(16, 0x11));
  answer.SetRequestHead(read.data(), read.size());
  EXPECT_EQ(FrameSummary(answer), "QuBUS read RAM 0x0100 n=16: 16 bytes");
  EXPECT_EQ(FrameAddress(answer), std::nullopt);
  EXPECT_EQ(FrameSummary(FrameOf(FrameDirection::TX, FrameFraming::QuBUS,
                                 {0xA5, 0x06, 0x11, 0x20, 0x00, 0x02, 0x34, 0x12, 0x5A})),
            "QuBUS write XRAM 0x2000 n=2");

  const std::vector<std::uint8_t> mbap{0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x05, 0x03, 0x00, 0x10, 0x00, 0x04};
  const TrafficFrame tx = FrameOf(FrameDirection::TX, FrameFraming::MBAP, mbap);
  EXPECT_EQ(FrameSummary(tx), "MODBUS TCP/IP tid=7 5 03 read reg 16 n=4");
  EXPECT_EQ(FrameAddress(tx), 5);

  std::vector<std::uint8_t> longFrame(300, 0xEE);
  const TrafficFrame cut = FrameOf(FrameDirection::RX, FrameFraming::QuBUS, longFrame);
  EXPECT_EQ(cut.length, kTrafficFrameBytes);
  EXPECT_EQ(cut.wireLength, 300u);
  EXPECT_TRUE(FrameHex(cut).ends_with("EE …"));
}

TEST(TrafficText, TheVerdictIsTheJudgesAndSilenceIsATimeOut) {
  const auto request = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
  std::uint8_t code = 0;
  const auto judge = [&](std::vector<std::uint8_t> answer) {
    return JudgeFrame(true, request.data(), request.size(), 7, answer.data(), answer.size(), code);
  };
  EXPECT_EQ(judge(WithCrc({0x01, 0x03, 0x02, 0x12, 0x34})), FrameVerdict::OK);
  auto corrupted = WithCrc({0x01, 0x03, 0x02, 0x12, 0x34});
  corrupted.back() ^= 0xFF;
  EXPECT_EQ(judge(corrupted), FrameVerdict::CRC);
  EXPECT_EQ(judge(WithCrc({0x01, 0x83, 0x04})), FrameVerdict::EXC);
  EXPECT_EQ(code, 4);
  EXPECT_EQ(judge(WithCrc({0x02, 0x03, 0x02, 0x12, 0x34})), FrameVerdict::Mismatch);
  EXPECT_EQ(judge(WithCrc({0x01, 0x03, 0x04, 0x12, 0x34, 0, 0})), FrameVerdict::Mismatch);
  EXPECT_EQ(judge({}), FrameVerdict::Timeout);

  // A card answer's own codes: the card missing is an answer, not a refusal.
  const auto cardRequest = WithCrc({0x01, 0x21, 0x00});
  const auto cardAbsent = WithCrc({0x01, 0xA1});
  EXPECT_EQ(JudgeFrame(true, cardRequest.data(), cardRequest.size(), 0, cardAbsent.data(), cardAbsent.size(), code),
            FrameVerdict::OK);
  const auto otherCard = WithCrc({0x01, 0xA2});
  EXPECT_EQ(JudgeFrame(true, cardRequest.data(), cardRequest.size(), 0, otherCard.data(), otherCard.size(), code),
            FrameVerdict::Mismatch);

  const std::uint8_t read[] = {0xA5, 0x04, 0x03, 0x01, 0x00, 0x04, 0x5A};
  const std::uint8_t three[] = {1, 2, 3};
  EXPECT_EQ(JudgeFrame(false, read, sizeof read, 4, three, 3, code), FrameVerdict::Mismatch);
  EXPECT_EQ(JudgeFrame(false, read, sizeof read, 3, three, 3, code), FrameVerdict::OK);
}

// A channel that answers from a script: the answer bytes, or silence, and what a settle found.
class ScriptedChannel final : public LinkChannel {
 public:
  std::vector<std::uint8_t> answer;
  std::vector<std::uint8_t> late;  // found by the settle after a time-out
  std::vector<std::uint8_t> wireSent, wireReceived;
  bool refused = false;

  void Purge() override { settled_.clear(); }
  bool Send(const std::uint8_t*, std::size_t) override { return true; }
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd&) override {
    const std::size_t count = std::min(answer.size(), capacity);
    std::copy_n(answer.begin(), count, buffer);
    return static_cast<std::uint32_t>(count);
  }
  void Interrupt() override {}
  void Settle() override { settled_ = late; }
  std::span<const std::uint8_t> SettledBytes() const override { return settled_; }
  std::span<const std::uint8_t> SentOnWire() const override { return wireSent; }
  std::span<const std::uint8_t> ReceivedOnWire() const override { return wireReceived; }
  bool AnswerRefused() const override { return refused; }
  bool FramesWithMBAP() const override { return !wireSent.empty(); }

 private:
  std::vector<std::uint8_t> settled_;
};

std::vector<TrafficFrame> Exchange(ScriptedChannel& channel, const std::vector<std::uint8_t>& request,
                                   TrafficTap& tap) {
  std::uint8_t answer[256];
  TLinkRequest record;
  record.RequestBuf = request.data();
  record.RequestLen = static_cast<std::uint32_t>(request.size());
  record.AnswerBuf = answer;
  record.AnswerCapacity = sizeof answer;
  WorkerSignal signal;
  const ServiceRules rules{.tap = &tap, .linkName = "Ports/LINE"};
  EXPECT_EQ(ServeRequest(channel, record, signal, rules), ServiceOutcome::Served);
  std::vector<TrafficFrame> frames;
  tap.Drain([&](const TrafficFrame& frame) { frames.push_back(frame); });
  return frames;
}

TEST(ExchangeCapture, AnExchangeLeavesItsRequestAndJudgedAnswerAndLateBytesAfterATimeOut) {
  TrafficTap tap;
  tap.SetEnabled(true);
  ScriptedChannel channel;
  const auto request = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
  channel.answer = WithCrc({0x01, 0x03, 0x02, 0x12, 0x34});
  auto frames = Exchange(channel, request, tap);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].direction, FrameDirection::TX);
  EXPECT_EQ(frames[0].Link(), "Ports/LINE");
  EXPECT_EQ(FrameHex(frames[0]), "01 03 00 00 00 01 84 0A");
  EXPECT_EQ(frames[1].verdict, FrameVerdict::OK);
  EXPECT_LE(frames[0].timeUs, frames[1].timeUs);

  channel.answer.clear();
  channel.late = WithCrc({0x01, 0x03, 0x02, 0x12, 0x34});
  frames = Exchange(channel, request, tap);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[1].verdict, FrameVerdict::Timeout);
  EXPECT_EQ(frames[1].length, 0);
  EXPECT_EQ(frames[2].verdict, FrameVerdict::Late);
  EXPECT_EQ(frames[2].length, channel.late.size());

  tap.SetEnabled(false);
  EXPECT_TRUE(Exchange(channel, request, tap).empty());
}

TEST(ExchangeCapture, AChannelThatFramesItsOwnRequestsShowsItsWireBytesAndItsRefusal) {
  TrafficTap tap;
  tap.SetEnabled(true);
  ScriptedChannel channel;
  const auto request = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
  channel.wireSent = {0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
  channel.wireReceived = {0x00, 0x09, 0x00, 0x00, 0x00, 0x05, 0x01, 0x03, 0x02, 0x12, 0x34};
  channel.refused = true;
  const auto frames = Exchange(channel, request, tap);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].framing, FrameFraming::MBAP);
  EXPECT_EQ(frames[0].length, channel.wireSent.size());
  EXPECT_EQ(frames[1].length, channel.wireReceived.size());
  EXPECT_EQ(frames[1].verdict, FrameVerdict::Mismatch);
}

}  // namespace
}  // namespace quillon
