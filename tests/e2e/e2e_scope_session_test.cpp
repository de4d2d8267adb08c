// A scope session against quillon-sim --move: its poll record registered as a scope window does
// it, sampled on the worker thread while another thread paints the rows as a redraw does, and
// quiet once withdrawn. Run under ThreadSanitizer this is the scope's threading in small.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/link/pty_peer.h"
#include "core/variables/recording_canvas.h"
#include "e2e/e2e_processes.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/tcpip_list.h"
#include "scope/scope_device.h"
#include "scope/scope_session.h"
#include "support/temp_dir.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon::e2e {
namespace {

const std::string kDemoDevice = kSource + "/demo/Devices/TK3/1027.ini";

class ScopeSessionTest : public ::testing::TestWithParam<std::string> {
 protected:
  ScopeSessionTest() : hub_(dir_.Path()) {}

  quillon::testing::TempDir dir_;
  LinkHub hub_;
};

TEST_P(ScopeSessionTest, SamplesAdvanceWhileTheRowsArePaintedAndStopOnceWithdrawn) {
  Simulator sim({"--device", kDemoDevice, "--pty", dir_ / "Ports/SIM1", "--tcp", "0", "--move"});
  ASSERT_TRUE(sim.Ready());
  TBaseProperty settings;
  settings.DevicePath = kDemoDevice;
  settings.Protocol = GetParam();
  settings.MemArea = "RAM";
  settings.PortName = "SIM1";
  settings.Baud = "115200";
  settings.FrameEnd = "8";
  settings.SlaveAddr = "1";
  settings.IPAddress = "127.0.0.1";
  settings.IPPort = std::to_string(sim.TcpPort());

  // Freed last of all: after it the workers no longer hold its records.
  auto session = std::make_shared<ScopeSession>(hub_);
  const WorkspacePaths paths = MakeWorkspacePaths(dir_.Path());
  const ScopeDeviceResult built =
      OpenDeviceFromList(settings, {"r1 ", "r2 ", "r5 "}, "", session->list, session->image, paths);
  ASSERT_EQ(built.status, ScopeDeviceStatus::Built);
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &session->list;
  mark->AttachMarkFlags(session->poll.TickByte());
  session->list.Variables.insert(session->list.Variables.begin(), std::move(mark));
  session->list.Resize(400, 200);
  ASSERT_TRUE(session->poll.PreparePoll(settings));
  ASSERT_EQ(session->RegisterPoll(settings, SerialTimings::None()), ScopeRegistration::Polling);

  std::atomic<bool> stop{false};
  std::atomic<int> redraws{0};
  std::thread painter([&] {
    while (!stop) {
      testing::RecordingCanvas canvas(400, 200);
      session->list.Paint(canvas);
      if (session->fresh.exchange(false)) ++redraws;
    }
  });
  TView& timeMark = session->list.Item(0);
  const bool sampled = quillon::testing::WaitFor([&] { return timeMark.Head >= 200; }, std::chrono::seconds(10));
  session->Withdraw(true);
  stop = true;
  painter.join();
  ASSERT_TRUE(sampled);
  EXPECT_GT(redraws.load(), 0);
  // The moving current took more than one value.
  TView& current = *session->list.FindVariable("I");
  const std::uint64_t newest = current.SampleAt(current.Head);
  bool moved = false;
  for (int back = 1; back < 200 && !moved; ++back) moved = current.SampleAt(current.Head - back) != newest;
  EXPECT_TRUE(moved);
  const int head = timeMark.Head;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(static_cast<int>(timeMark.Head), head);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ScopeSessionTest, ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP"),
                         ProtocolName());

}  // namespace
}  // namespace quillon::e2e
