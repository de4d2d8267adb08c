// "Never a wrong value", for minutes: every line and protocol fault in turn at 20 %, three scope
// sessions polling (two on the pseudo-terminal, RAM and FLASH spans of the same length, one over
// TCP) while card downloads run on the same line. Every sample must be the controller's own
// value and every download byte-identical or ended with a failure. Prints a table per fault and
// exits 0 when nothing wrong was ever taken and every poll brought samples, 1 otherwise. Run by
// run-wrong-value-soak.sh.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "card/card_download.h"
#include "card/card_link.h"
#include "e2e/demo_poll.h"
#include "e2e/e2e_processes.h"
#include "link/endpoint.h"
#include "link/link_hub.h"
#include "scope/scope_device.h"
#include "scope/scope_session.h"
#include "support/temp_dir.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon::soak {
namespace {

using Clock = std::chrono::steady_clock;
using e2e::kDemoDevice;
const char* const kKinds[] = {"crc", "drop", "short", "late", "exc", "addr", "func", "count", "dup"};

struct Poller {
  std::shared_ptr<ScopeSession> session;
  TBaseProperty settings;
  std::vector<std::uint64_t> expected;  // the controller's value of each variable
  std::uint64_t checkedHead = 0;
  std::uint64_t samples = 0;
  std::uint64_t wrong = 0;
};

std::unique_ptr<Poller> StartPoller(LinkHub& hub, const WorkspacePaths& paths, const std::string& protocol, int tcp,
                                    const std::string& area, const std::vector<std::string>& names,
                                    std::vector<std::uint64_t> expected) {
  auto poller = std::make_unique<Poller>();
  poller->settings = e2e::DemoScopeSettings(protocol, tcp, area);
  poller->session = e2e::StartDemoPoll(hub, paths, poller->settings, names);
  if (!poller->session) return nullptr;
  poller->expected = std::move(expected);
  return poller;
}

// Takes the poll out (so the rings hold still), checks the samples taken since the last check,
// and puts it back.
void Check(Poller& poller) {
  ScopeSession& session = *poller.session;
  session.Withdraw(false);
  const std::uint64_t head = session.list.Item(0).History.Head();
  const std::uint64_t fresh = head - poller.checkedHead;
  const std::uint64_t span = std::min<std::uint64_t>(fresh, 30000);
  for (std::size_t i = 1; i < session.list.Variables.size(); ++i) {
    TView& variable = session.list.Item(static_cast<int>(i));
    for (std::uint64_t back = 0; back < span; ++back) {
      if (variable.SampleAt(variable.History.Head() - static_cast<int>(back)) != poller.expected[i - 1]) ++poller.wrong;
    }
  }
  poller.samples += fresh;
  poller.checkedHead = head;
  session.RegisterPoll(poller.settings);
}

struct Downloads {
  int done = 0;
  int failed = 0;
  int differing = 0;
};

// Runs downloads of `name` one after another until `until`.
void DownloadLoop(LinkHub& hub, const Endpoint& endpoint, const std::string& name, const std::vector<char>& truth,
                  const std::string& out, Clock::time_point until, Downloads& tally) {
  std::mutex mutex;
  std::condition_variable ended;
  std::optional<CardStep> last;
  CardLink link(hub, [&](CardStep step) {
    if (!step.Finished()) return;
    std::lock_guard lock(mutex);
    last = std::move(step);
    ended.notify_all();
  });
  TransferCounters counters;
  std::uint64_t generation = 0;
  while (Clock::now() < until) {
    std::filesystem::remove(out);
    auto file = DownloadFile::Create(out);
    if (!file) break;
    {
      std::lock_guard lock(mutex);
      last.reset();
    }
    if (link.Start(endpoint, std::make_shared<CardDownload>(1, name, std::move(*file), counters), ++generation) !=
        CardAttach::Attached) {
      ++tally.failed;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      continue;
    }
    std::unique_lock lock(mutex);
    if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return last.has_value(); })) {
      ++tally.failed;
      continue;
    }
    if (last->outcome != CardOutcome::Done) {
      ++tally.failed;
      continue;
    }
    std::ifstream in(out, std::ios::binary);
    const std::vector<char> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (got == truth) {
      ++tally.done;
    } else {
      ++tally.differing;
    }
  }
  link.Withdraw();
}

}  // namespace
}  // namespace quillon::soak

int main(int argc, char** argv) {
  using namespace quillon;
  using namespace quillon::soak;
  double minutes = 10.0;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--minutes") minutes = std::stod(argv[i + 1]);
  }
  const auto perKind = std::chrono::milliseconds(static_cast<long long>(minutes * 60000.0 / std::size(kKinds)));
  std::printf("%-6s %10s %8s %10s %8s %10s %10s\n", "fault", "pty RAM", "pty FL", "TCP RAM", "wrong", "files ok",
              "failed/bad");
  bool clean = true;
  unsigned seed = 1;
  for (const char* kind : kKinds) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir / "Ports");
    std::filesystem::create_directories(dir / "card");
    std::vector<char> truth(6000);
    for (std::size_t i = 0; i < truth.size(); ++i) truth[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    std::ofstream(dir / "card/data.bin", std::ios::binary)
        .write(truth.data(), static_cast<std::streamsize>(truth.size()));
    e2e::Simulator sim({"--device", kDemoDevice, "--pty", dir / "Ports/SIM1", "--tcp", "0", "--card", dir / "card",
                        "--fault", std::string(kind) + "=0.2,seed=" + std::to_string(seed++)});
    if (!sim.Ready()) {
      std::printf("%-6s the simulator did not start\n", kind);
      return 2;
    }
    LinkHub hub(dir.Path());
    const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
    std::vector<std::unique_ptr<Poller>> pollers;
    pollers.push_back(StartPoller(hub, paths, "MODBUS RTU", sim.TcpPort(), "RAM", {"r1 ", "r2 ", "r5 "}, {0, 0, 0}));
    pollers.push_back(
        StartPoller(hub, paths, "MODBUS RTU", sim.TcpPort(), "FLASH", {"p1 ", "p2 ", "p5 "}, {1000, 1000, 50}));
    pollers.push_back(StartPoller(hub, paths, "MODBUS TCP", sim.TcpPort(), "RAM", {"r1 ", "r2 ", "r5 "}, {0, 0, 0}));
    for (const auto& poller : pollers) {
      if (!poller) {
        std::printf("%-6s a scope session did not start\n", kind);
        return 2;
      }
    }
    const auto until = Clock::now() + perKind;
    Endpoint card = *EndpointOf({"MODBUS RTU", "SIM1", "115200", "8", "1", ""});
    Downloads downloads;
    std::thread downloader([&] { DownloadLoop(hub, card, "data.bin", truth, dir / "copy.bin", until, downloads); });
    while (Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::seconds(5));
      for (const auto& poller : pollers) Check(*poller);
    }
    downloader.join();
    std::uint64_t wrong = 0;
    for (const auto& poller : pollers) {
      Check(*poller);
      poller->session->Withdraw(true);
      wrong += poller->wrong;
    }
    std::printf(
        "%-6s %10llu %8llu %10llu %8llu %10d %5d/%d\n", kind, static_cast<unsigned long long>(pollers[0]->samples),
        static_cast<unsigned long long>(pollers[1]->samples), static_cast<unsigned long long>(pollers[2]->samples),
        static_cast<unsigned long long>(wrong), downloads.done, downloads.failed, downloads.differing);
    std::fflush(stdout);
    // A refused or cut block may end every download at this rate; a failure is an honest end.
    if (wrong != 0 || downloads.differing != 0) clean = false;
    for (const auto& poller : pollers) {
      if (poller->samples == 0) clean = false;
    }
  }
  std::printf(clean ? "never a wrong value: passed\n" : "never a wrong value: FAILED\n");
  return clean ? 0 : 1;
}
