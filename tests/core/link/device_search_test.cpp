#include "link/device_search.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "link_bytes.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace quillon::testing {
namespace {

using Frame = std::vector<std::uint8_t>;

// Plays the worker: serves the record until it is one-shot, answering where `answers` says.
struct FakeWorker {
  explicit FakeWorker(DeviceSweep& sweep) : sweep(sweep) {}

  // Serves once; false when the record would have been dropped before this service.
  bool Serve(const std::vector<std::uint8_t>& answer = {}) {
    TLinkRequest& request = sweep.Request();
    if (request.OneShot.load() || request.Busy.load()) return false;
    request.Busy = true;
    asked.push_back(request.RequestBuf[0]);
    frames.emplace_back(request.RequestBuf, request.RequestBuf + request.RequestLen);
    delays.push_back(request.DelayMs);
    std::copy(answer.begin(), answer.end(), request.AnswerBuf);
    request.AnswerLen = static_cast<std::uint32_t>(answer.size());
    request.OnAnswer(request);
    return true;
  }

  DeviceSweep& sweep;
  std::vector<int> asked;
  std::vector<Frame> frames;
  std::vector<std::uint32_t> delays;
};

struct StepLog {
  DeviceSweep::StepHandler Handler() {
    return [this](SweepStep step) { steps.push_back(std::move(step)); };
  }
  std::vector<SweepStep> steps;
};

TEST(DeviceSweep, AsksEveryAddressOnceEndingWithZero) {
  StepLog log;
  DeviceSweep sweep(log.Handler());
  sweep.Start();
  FakeWorker worker(sweep);
  while (worker.Serve()) {
    ASSERT_LE(worker.asked.size(), 300u);
  }
  ASSERT_EQ(worker.asked.size(), 256u);
  for (int i = 0; i < 255; ++i) EXPECT_EQ(worker.asked[i], i + 1);
  EXPECT_EQ(worker.asked.back(), 0);
  EXPECT_EQ(worker.frames.front(), (Frame{0x01, 0x11, 0xC0, 0x2C}));  // report slave ID
  for (const Frame& frame : {worker.frames[246], worker.frames.back()}) {
    EXPECT_EQ(frame[1], 0x11);
    EXPECT_EQ(CRC16(frame.data(), frame.size()), 0);  // a correct frame with its CRC leaves 0
  }
  EXPECT_EQ(worker.delays.front(), 0u);
  EXPECT_EQ(worker.delays[1], kSearchNextDelayMs);

  ASSERT_EQ(log.steps.size(), 256u);
  EXPECT_EQ(log.steps.front().counter, 2);
  EXPECT_EQ(log.steps[253].counter, 255);
  EXPECT_EQ(log.steps[254].counter, 0);
  EXPECT_EQ(log.steps.back().counter, 1);
  for (std::size_t i = 0; i + 1 < log.steps.size(); ++i) ASSERT_FALSE(log.steps[i].last) << i;
  EXPECT_TRUE(log.steps.back().last);
  EXPECT_FALSE(log.steps.front().found.has_value());
  EXPECT_TRUE(sweep.Request().OneShot.load());
}

TEST(DeviceSweep, StopEndsAfterTheServiceInProgress) {
  StepLog log;
  DeviceSweep sweep(log.Handler());
  sweep.Start();
  FakeWorker worker(sweep);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(worker.Serve());
  sweep.Stop();
  EXPECT_FALSE(worker.Serve());
  EXPECT_EQ(worker.asked, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(sweep.Stopped());

  // A stop that comes while an answer is being handled is honoured by that very handler.
  StepLog late;
  DeviceSweep racing([&](SweepStep step) { late.steps.push_back(std::move(step)); });
  racing.Start();
  TLinkRequest& request = racing.Request();
  racing.Stop();
  request.OneShot = false;  // as if the stop landed after the worker looked at the flag
  request.Busy = true;
  request.OnAnswer(request);
  ASSERT_EQ(late.steps.size(), 1u);
  EXPECT_TRUE(late.steps[0].last);
  EXPECT_TRUE(request.OneShot.load());

  // Starting again begins at address 1 with a fresh record.
  racing.Start();
  FakeWorker again(racing);
  ASSERT_TRUE(again.Serve());
  EXPECT_EQ(again.asked.front(), 1);
  EXPECT_FALSE(racing.Stopped());
}

TEST(DeviceSweep, HandsOnOnlyTheSlaveIdOfTheAddressAsked) {
  StepLog log;
  DeviceSweep sweep(log.Handler());
  sweep.Start();
  FakeWorker worker(sweep);
  ASSERT_TRUE(worker.Serve(WithCrc({0x01, 0x11, 0x05, '1', '2', ' ', 'A', 'B'})));  // address 1: found
  ASSERT_TRUE(worker.Serve());                                                      // 2: silent
  Frame corrupted = WithCrc({0x03, 0x11, 0x02, 'x', 'y'});
  corrupted.back() ^= 0x40;
  ASSERT_TRUE(worker.Serve(corrupted));                              // 3: line noise
  ASSERT_TRUE(worker.Serve(WithCrc({0x03, 0x11, 0x02, 'x', 'y'})));  // 4: a late answer of 3
  ASSERT_TRUE(worker.Serve(WithCrc({0x05, 0x91, 0x01})));            // 5: refuses the function
  ASSERT_TRUE(worker.Serve(WithCrc({0x06, 0x11, 0x40, 'x', 'y'})));  // 6: count past the bytes
  ASSERT_EQ(log.steps.size(), 6u);
  for (std::size_t i = 0; i < log.steps.size(); ++i) EXPECT_EQ(log.steps[i].asked, i + 1);
  EXPECT_EQ(log.steps[0].found, std::optional<std::string>("12 AB"));
  for (std::size_t i = 1; i < 5; ++i) EXPECT_FALSE(log.steps[i].found.has_value()) << i;
  // The text is cut at the bytes that arrived (the last two are the CRC).
  EXPECT_EQ(log.steps[5].found, std::optional<std::string>("xy"));
  // The answer left in the buffer does not leak into the next address's service.
  EXPECT_EQ(sweep.Request().AnswerLen.load(), 0u);
  EXPECT_EQ(sweep.Request().AnswerBuf[3], 0);
}

TEST(DeviceSweep, ARangeAsksItsAddressesOnlyAndMayWrapThroughZero) {
  StepLog log;
  DeviceSweep sweep(log.Handler());
  sweep.Start(2, 5);
  FakeWorker worker(sweep);
  while (worker.Serve()) ASSERT_LE(worker.asked.size(), 10u);
  EXPECT_EQ(worker.asked, (std::vector<int>{2, 3, 4, 5, 6}));
  ASSERT_EQ(log.steps.size(), 5u);
  EXPECT_TRUE(log.steps.back().last);
  EXPECT_FALSE(log.steps[3].last);

  StepLog wrapped;
  DeviceSweep end(wrapped.Handler());
  end.Start(254, 3);
  FakeWorker last(end);
  while (last.Serve()) ASSERT_LE(last.asked.size(), 10u);
  EXPECT_EQ(last.asked, (std::vector<int>{254, 255, 0}));
}

TEST(ProcessFoundText, CleansParsesAndFlagsUnknownDevices) {
  TempDir dir;
  const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  ASSERT_TRUE(WriteCp1251File(dir / "Devices/QT/501.ini", "[DEVICE]\nID=501 QT v2.1 2024-01-10\n[FLASH]\n"));

  // The run indicator closes the text; a stray apostrophe and control byte are line noise.
  const auto known = ProcessFoundText(paths, "501 QT v2.1 2024-01-10\xD1\x8F");
  ASSERT_TRUE(known.has_value());
  EXPECT_EQ(known->id, "501 QT v2.1 2024-01-10");
  EXPECT_FALSE(known->noDeviceFile);

  const auto noisy = ProcessFoundText(paths, "777 Q'T\x01 v3.0 2025-02-02 extra text!");
  ASSERT_TRUE(noisy.has_value());
  EXPECT_EQ(noisy->id, "777 QT v3.0 2025-02-02 extra text");
  EXPECT_TRUE(noisy->noDeviceFile);

  // Another firmware of a known device still has its file.
  const auto newer = ProcessFoundText(paths, "501 QT v2.5 2025-01-01X");
  ASSERT_TRUE(newer.has_value());
  EXPECT_FALSE(newer->noDeviceFile);

  EXPECT_FALSE(ProcessFoundText(paths, "501 QT v2.1X").has_value());
  EXPECT_FALSE(ProcessFoundText(paths, "").has_value());
  EXPECT_FALSE(ProcessFoundText(paths, "X").has_value());
}

TEST(SearchProgress, BarGrowsWithTheCounterInsideTheOutline) {
  const SearchProgressGeometry start = SearchProgress(266, 40, 0);
  EXPECT_EQ(std::tie(start.outline.left, start.outline.top, start.outline.right, start.outline.bottom),
            std::make_tuple(3, 30, 262, 37));
  EXPECT_EQ(std::tie(start.bar.left, start.bar.top, start.bar.right, start.bar.bottom), std::make_tuple(5, 32, 5, 35));
  const SearchProgressGeometry full = SearchProgress(266, 40, 255);
  EXPECT_EQ(full.bar.right, 5 + 255);
  EXPECT_LT(full.bar.right, full.outline.right);
}

}  // namespace
}  // namespace quillon::testing
