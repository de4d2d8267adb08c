#pragma once
// The course of the fault soak, run on a control thread of its own: simulators started and
// killed, the main window connected, scope windows opened, a long stretch of faulty answers,
// then the faults ending, the pseudo-terminal vanishing and coming back and the TCP peer
// resetting, each measured. Everything that touches a window is handed to the window's thread
// and waited for here, so the window's thread only ever runs short steps.
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "soak_probe.h"
#include "soak_simulator.h"
#include "workspace/paths.h"

namespace quillon {
class LinkHub;
class Tmain;
}  // namespace quillon

namespace quillon::soak {

struct SoakOptions {
  double minutes = 10.0;
  std::string simulator;
  std::string faults = "crc=0.1,drop=0.1,short=0.1";
  unsigned seed = 7;
  // Rounds of each disturbance (the pty vanishing, the TCP peer resetting).
  int rounds = 3;
};

struct Goal {
  std::string text;
  bool passed = false;
};

class FaultScenario {
 public:
  // `gui` lives on the window's thread and outlives the scenario.
  FaultScenario(SoakOptions options, WorkspacePaths paths, SoakProbe& probe, QObject& gui);
  ~FaultScenario();
  FaultScenario(const FaultScenario&) = delete;
  FaultScenario& operator=(const FaultScenario&) = delete;

  // On the control thread: the whole course, then the summary on stdout. Returns whether every
  // goal was met.
  bool Run();

 private:
  struct PhaseResult {
    std::string name;
    std::int64_t stallMs = 0;
    std::int64_t runMs = 0;
    std::int64_t queuedMs = 0;
    // The stall with the longest own part (time not spent waiting for a core): what the goal
    // judges.
    std::int64_t ownMs = 0;
    std::int64_t ownGapMs = 0;
    std::int64_t recoveryMs = -1;  // -1: not measured; kNoRecovery: never recovered
  };

  void OnWindowThread(const std::function<void()>& action);
  bool StartSerial(bool faults);
  bool StartTcp(bool faults);
  std::vector<std::string> SimulatorArgs(bool faults, unsigned seed) const;
  bool ConnectMainWindow();
  bool OpenScopeWindows();
  std::string WriteScopeFile(const std::string& name, const std::string& port);
  void Soak();
  void FaultsStop();
  void PtyVanishes(int round, bool longAbsence);
  void TcpPeerResets(int round, bool longAbsence);
  // Milliseconds from `sinceMs` until each of `windows` has had an answer, the longest of
  // them; kNoRecovery when one stayed silent for `timeoutMs`.
  std::int64_t WaitForAnswers(const std::vector<std::size_t>& windows, std::int64_t sinceMs, int timeoutMs);
  PhaseResult EndPhase(std::string name, std::int64_t recoveryMs);
  void SleepMs(int milliseconds);
  void Say(const std::string& line) const;
  void PrintSummary();
  void AddStallGoal(const std::string& when, std::int64_t ownMs, std::int64_t gapMs);

  SoakOptions options_;
  WorkspacePaths paths_;
  SoakProbe& probe_;
  QObject& gui_;
  std::string devicePath_;
  std::string link_;
  std::string tcpPort_;
  SoakSimulator serial_;
  SoakSimulator tcp_;
  // Created, used and destroyed on the window's thread only.
  // Made before the window and gone after it, as the program's main does.
  std::unique_ptr<LinkHub> hub_;
  std::unique_ptr<Tmain> main_;
  std::vector<std::string> protocols_;
  int connectAttempts_ = 0;
  bool connected_ = false;
  double soakSeconds_ = 0;
  std::vector<std::uint64_t> soakAnswers_;
  std::vector<std::int64_t> soakSilence_;
  std::vector<std::uint32_t> soakCrc_, soakDnr_, soakSilent_, soakNumeric_;
  std::vector<PhaseResult> phases_;
  std::vector<Goal> goals_;
  std::vector<std::string> notes_;
};

}  // namespace quillon::soak
