// fault_soak: the program under a faulty line for minutes on end. quillon-sim answers with
// corrupted, missing and cut answers while the main window is connected and five scope windows
// poll (four on one serial line, one over TCP); a heartbeat on the window's thread measures
// every stall of its event loop. Then the faults stop, the pseudo-terminal vanishes and comes
// back and the TCP peer resets, and the time until answers flow again is measured. Prints a
// summary with a verdict per goal; exits 0 when every goal is met, 1 when one is not, 2 on bad
// arguments and 3 when the watchdog ends a run that hangs.
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "app/support/current_prompt.h"
#include "fault_scenario.h"
#include "platform/files.h"
#include "soak_probe.h"
#include "workspace/paths.h"

namespace {

using namespace quillon;
using namespace quillon::soak;

// Nobody is there to click: every message is written down and every question answered "no",
// as a careful engineer would.
class LoggingPrompt : public Prompt {
 public:
  explicit LoggingPrompt(const SoakProbe& probe) : probe_(probe) {}
  void Warning(const std::string& caption, const std::string& text) override {
    std::printf("[%6.1f s] message: %s: %s\n", static_cast<double>(probe_.NowMs()) / 1000.0, caption.c_str(),
                text.c_str());
    std::fflush(stdout);
  }
  bool Question(const std::string& caption, const std::string& text) override {
    Warning(caption, text + " (answered no)");
    return false;
  }

 private:
  const SoakProbe& probe_;
};

// Ends the process when the run outlives its time or the window's thread stops beating: a soak
// that hangs must say so and end rather than wait for somebody to notice.
class Watchdog {
 public:
  Watchdog(const SoakProbe& probe, std::chrono::seconds budget) : probe_(probe), budget_(budget) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Watch() {
    const auto end = std::chrono::steady_clock::now() + budget_;
    std::unique_lock lock(mutex_);
    while (!done_) {
      wake_.wait_for(lock, std::chrono::seconds(1));
      if (done_) return;
      const std::int64_t silentMs = probe_.NowMs() - probe_.LastBeatMs();
      const char* reason = nullptr;
      if (silentMs > 30000) reason = "the window's thread has not returned to its event loop for 30 s";
      if (std::chrono::steady_clock::now() > end) reason = "the run took longer than its time budget";
      if (reason != nullptr) {
        std::printf("\nWATCHDOG: %s; the soak hangs and is ended (exit 3)\n", reason);
        std::fflush(stdout);
        // The simulators are children that die with the process (setpriv --pdeathsig).
        ::_exit(3);
      }
    }
  }

  const SoakProbe& probe_;
  std::chrono::seconds budget_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

void Usage() {
  std::fprintf(stderr,
               "usage: fault_soak [--minutes N] [--rounds N] [--faults SPEC] [--seed N] [--sim PATH]\n"
               "  --minutes N   minutes under faults (default 10; fractions allowed)\n"
               "  --rounds N    rounds of the pty vanishing and of the TCP peer resetting (default 3)\n"
               "  --faults SPEC quillon-sim --fault rates (default crc=0.1,drop=0.1,short=0.1)\n"
               "  --seed N      seed of the simulators' fault sequence (default 7)\n"
               "  --sim PATH    the simulator (default: quillon-sim beside this program)\n");
}

bool ParseOptions(int argc, char** argv, SoakOptions& options) {
  options.simulator = ProgramDirectory() + "quillon-sim";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    try {
      if (arg == "--minutes") {
        options.minutes = std::stod(value);
      } else if (arg == "--rounds") {
        options.rounds = std::stoi(value);
      } else if (arg == "--faults") {
        options.faults = value;
      } else if (arg == "--seed") {
        options.seed = static_cast<unsigned>(std::stoul(value));
      } else if (arg == "--sim") {
        options.simulator = value;
      } else {
        return false;
      }
    } catch (const std::exception&) {
      return false;
    }
  }
  return options.minutes >= 0 && options.rounds >= 1;
}

// A fresh workspace holding a copy of the demo one.
std::string MakeWorkspace() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillon-fault-soak-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary directory");
  std::filesystem::copy(QUILLON_SOURCE_DIR "/demo", pattern, std::filesystem::copy_options::recursive);
  return pattern + "/";
}

}  // namespace

int main(int argc, char** argv) {
  SoakOptions options;
  if (!ParseOptions(argc, argv, options)) {
    Usage();
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string workspace = MakeWorkspace();
  std::printf("fault soak: workspace %s, simulator %s\n", workspace.c_str(), options.simulator.c_str());
  bool passed = false;
  {
    QApplication app(argc, argv);
    SoakProbe probe;
    LoggingPrompt prompt(probe);
    ScopedPrompt installed(prompt);
    // Setup and the measured phases after the soak take about two minutes even on a busy machine.
    const auto budget = std::chrono::seconds(static_cast<long>(options.minutes * 60.0) + 300 + 40 * options.rounds);
    Watchdog watchdog(probe, budget);
    FaultScenario scenario(options, MakeWorkspacePaths(workspace), probe, app);
    std::thread control([&] {
      passed = scenario.Run();
      QMetaObject::invokeMethod(
          &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    app.exec();
    control.join();
  }
  std::error_code ignored;
  std::filesystem::remove_all(workspace, ignored);
  return passed ? 0 : 1;
}
