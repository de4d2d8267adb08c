#include "fault_scenario.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/main/device_connection.h"
#include "app/main/main_window.h"
#include "app/main/scope_windows.h"
#include "app/scope/link_window.h"
#include "link/link_hub.h"
#include "text/cp1251.h"

namespace quillon::soak {

namespace {

constexpr std::int64_t kNoRecovery = 1'000'000;
constexpr std::int64_t kStallGoalMs = 100;
constexpr std::int64_t kRecoveryGoalMs = 1000;
// Under faults a window may miss a few answers in a row (each lost one costs the 500 ms answer
// time-out); a window silent for this long has stopped polling.
constexpr std::int64_t kSilenceLimitMs = 5000;
constexpr const char* kSerialName = "SOAK1";
// Four windows share the serial line, the fifth polls over TCP.
constexpr std::size_t kTcpWindow = 4;
const std::vector<std::size_t> kSerialWindows = {0, 1, 2, 3};
const std::vector<std::size_t> kAllWindows = {0, 1, 2, 3, 4};

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

std::string Ms(std::int64_t ms) {
  if (ms >= kNoRecovery) return "never";
  if (ms < 0) return "-";
  return std::to_string(ms) + " ms";
}

}  // namespace

FaultScenario::FaultScenario(SoakOptions options, WorkspacePaths paths, SoakProbe& probe, QObject& gui)
    : options_(std::move(options)),
      paths_(std::move(paths)),
      probe_(probe),
      gui_(gui),
      devicePath_(paths_.devices + "TK3/1027.ini"),
      link_(paths_.program + "Ports/" + kSerialName),
      serial_(options_.simulator, paths_.program + "sim-serial.log"),
      tcp_(options_.simulator, paths_.program + "sim-tcp.log") {}

FaultScenario::~FaultScenario() = default;

void FaultScenario::OnWindowThread(const std::function<void()>& action) {
  QMetaObject::invokeMethod(&gui_, action, Qt::BlockingQueuedConnection);
}

void FaultScenario::SleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void FaultScenario::Say(const std::string& line) const {
  const std::int64_t now = probe_.NowMs();
  std::printf("[%3lld:%02lld] %s\n", static_cast<long long>(now / 60000), static_cast<long long>(now / 1000 % 60),
              line.c_str());
  std::fflush(stdout);
}

std::vector<std::string> FaultScenario::SimulatorArgs(bool faults, unsigned seed) const {
  std::vector<std::string> args = {"--device", devicePath_, "--move"};
  if (faults) {
    args.push_back("--fault");
    args.push_back(options_.faults + ",seed=" + std::to_string(seed));
  }
  return args;
}

bool FaultScenario::StartSerial(bool faults) {
  std::vector<std::string> args = SimulatorArgs(faults, options_.seed);
  args.insert(args.end(), {"--pty", link_});
  if (serial_.Start(args)) return true;
  Say("serial simulator: " + serial_.LastError());
  return false;
}

bool FaultScenario::StartTcp(bool faults) {
  std::vector<std::string> args = SimulatorArgs(faults, options_.seed + 1);
  args.insert(args.end(), {"--tcp", tcpPort_.empty() ? "0" : tcpPort_});
  // The port just left by a killed peer may take a moment to be free again.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (tcp_.Start(args)) {
      tcpPort_ = tcp_.TcpPort();
      return true;
    }
    SleepMs(50);
  }
  Say("TCP simulator: " + tcp_.LastError());
  return false;
}

bool FaultScenario::ConnectMainWindow() {
  OnWindowThread([this] {
    hub_ = std::make_unique<LinkHub>(paths_.program);
    main_ = std::make_unique<Tmain>(paths_, *hub_);
    main_->show();
  });
  // The catalogue fills half a second after the start.
  SleepMs(1000);
  for (connectAttempts_ = 1; connectAttempts_ <= 3; ++connectAttempts_) {
    bool clicked = false;
    OnWindowThread([this, &clicked] {
      auto* bus = main_->findChild<QComboBox*>(QStringLiteral("cbBUS"));
      auto* port = main_->findChild<QComboBox*>(QStringLiteral("cbCOM"));
      auto* frameEnd = main_->findChild<QLineEdit*>(QStringLiteral("edFE"));
      auto* address = main_->findChild<QLineEdit*>(QStringLiteral("edDevAddr"));
      auto* connect = main_->findChild<QPushButton*>(QStringLiteral("btConnect"));
      if (bus == nullptr || port == nullptr || frameEnd == nullptr || address == nullptr || connect == nullptr) return;
      bus->setCurrentIndex(bus->findText(QStringLiteral("QuBUS")));
      port->setCurrentIndex(port->findText(QString::fromLatin1(kSerialName)));
      if (port->currentIndex() < 0) return;
      frameEnd->setText(QStringLiteral("10"));
      address->setText(QStringLiteral("1"));
      connect->click();
      clicked = true;
    });
    if (!clicked) {
      Say("the main window has no port " + std::string(kSerialName) + " to connect to");
      return false;
    }
    for (int waited = 0; waited < 30000; waited += 100) {
      SleepMs(100);
      bool idle = false;
      OnWindowThread([this, &idle] {
        DeviceConnection& link = main_->Connection();
        idle = !link.Waiting() && !link.ConnectTimer()->isActive() && !link.DataWritedTimer()->isActive();
        connected_ = main_->Parameters().HasBeenRead();
      });
      if (idle && waited >= 500) break;
    }
    if (connected_) return true;
    Say("connect attempt " + std::to_string(connectAttempts_) + " did not read the device (faulty line)");
  }
  connectAttempts_ = 3;
  return true;
}

std::string FaultScenario::WriteScopeFile(const std::string& name, const std::string& port) {
  std::string text = "[default]\r\ndevicepath=" + devicePath_ + "\r\nwindow=40/40/640/360/\r\nport=" + port +
                     "\r\noption=60/50/60/30/auto/1000/1/\r\n[viewlist]\r\n";
  for (const char* key : {"r1", "r2", "r3", "r5", "r6", "r9", "r10"}) text += std::string(key) + "=1/20/\r\n";
  const std::string path = paths_.scopeWindow + name;
  std::filesystem::create_directories(paths_.scopeWindow);
  std::ofstream(path, std::ios::binary) << Utf8ToCp1251(text);
  return path;
}

bool FaultScenario::OpenScopeWindows() {
  const std::string serial = std::string("1/") + kSerialName + "/115200/8/";
  const std::vector<std::pair<std::string, std::string>> windows = {
      {"QuBUS", serial + "QuBUS/RAM/"},
      {"MODBUS RTU", serial + "MODBUS RTU/RAM/"},
      {"QuBUS", serial + "QuBUS/RAM/"},
      {"MODBUS RTU", serial + "MODBUS RTU/RAM/"},
      {"MODBUS TCP", serial + "MODBUS TCP/RAM/127.0.0.1/" + tcpPort_ + "/"}};
  std::vector<std::string> files;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    files.push_back(WriteScopeFile("soak" + std::to_string(i + 1) + ".scp", windows[i].second));
    protocols_.push_back(windows[i].first);
  }
  bool opened = true;
  OnWindowThread([&] {
    for (std::size_t i = 0; i < files.size(); ++i) {
      TLinkWindowFm* window = main_->Scopes().OpenScopeFile(files[i]);
      if (window == nullptr) {
        opened = false;
        return;
      }
      window->move(20 + static_cast<int>(i % 3) * 420, 20 + static_cast<int>(i / 3) * 380);
      probe_.Watch(window);
    }
  });
  return opened;
}

std::int64_t FaultScenario::WaitForAnswers(const std::vector<std::size_t>& windows, std::int64_t sinceMs,
                                           int timeoutMs) {
  std::vector<std::int64_t> first(windows.size(), -1);
  const std::int64_t end = sinceMs + timeoutMs;
  while (true) {
    bool all = true;
    for (std::size_t i = 0; i < windows.size(); ++i) {
      if (first[i] >= 0) continue;
      const std::int64_t last = probe_.Window(windows[i]).lastAnswerMs.load();
      if (last > sinceMs) {
        first[i] = last;
      } else {
        all = false;
      }
    }
    if (all) break;
    if (probe_.NowMs() > end) return kNoRecovery;
    SleepMs(2);
  }
  return *std::max_element(first.begin(), first.end()) - sinceMs;
}

FaultScenario::PhaseResult FaultScenario::EndPhase(std::string name, std::int64_t recoveryMs) {
  PhaseResult result;
  result.name = std::move(name);
  result.stallMs = probe_.Stall().gapMs.load();
  result.runMs = probe_.Stall().runMs.load();
  result.queuedMs = probe_.Stall().queuedMs.load();
  result.ownMs = probe_.OwnStall().ownMs.load();
  result.ownGapMs = probe_.OwnStall().gapMs.load();
  result.recoveryMs = recoveryMs;
  Say(result.name + ": longest stall " + Ms(result.stallMs) + " (" + Ms(result.queuedMs) +
      " of it waiting for a core), longest own stall " + Ms(result.ownMs) + ", answers back after " +
      Ms(result.recoveryMs));
  phases_.push_back(result);
  return result;
}

void FaultScenario::Soak() {
  const std::size_t count = probe_.WindowCount();
  std::vector<std::uint64_t> answers(count);
  std::vector<std::uint32_t> crc(count), dnr(count), silent(count), numeric(count);
  for (std::size_t i = 0; i < count; ++i) {
    WindowFigures& figures = probe_.Window(i);
    answers[i] = figures.answers.load();
    crc[i] = figures.crcSeconds.load();
    dnr[i] = figures.dnrSeconds.load();
    silent[i] = figures.silentSeconds.load();
    numeric[i] = figures.numericSeconds.load();
  }
  probe_.ResetPhase();
  const std::int64_t start = probe_.NowMs();
  const std::int64_t end = start + static_cast<std::int64_t>(options_.minutes * 60000.0);
  std::int64_t nextReport = start + 60000;
  while (probe_.NowMs() < end) {
    SleepMs(static_cast<int>(std::min<std::int64_t>(200, std::max<std::int64_t>(1, end - probe_.NowMs()))));
    if (probe_.NowMs() >= nextReport) {
      nextReport += 60000;
      std::string line = "under faults: longest stall " + Ms(probe_.Stall().gapMs.load()) + "; answers";
      for (std::size_t i = 0; i < count; ++i)
        line += " " + std::to_string(probe_.Window(i).answers.load() - answers[i]);
      Say(line + "; load " + LoadAverage());
    }
  }
  soakSeconds_ = static_cast<double>(probe_.NowMs() - start) / 1000.0;
  for (std::size_t i = 0; i < count; ++i) {
    WindowFigures& figures = probe_.Window(i);
    soakAnswers_.push_back(figures.answers.load() - answers[i]);
    soakSilence_.push_back(figures.longestSilenceMs.load());
    soakCrc_.push_back(figures.crcSeconds.load() - crc[i]);
    soakDnr_.push_back(figures.dnrSeconds.load() - dnr[i]);
    soakSilent_.push_back(figures.silentSeconds.load() - silent[i]);
    soakNumeric_.push_back(figures.numericSeconds.load() - numeric[i]);
  }
  const PhaseResult phase = EndPhase("under faults", -1);
  AddStallGoal("under faults", phase.ownMs, phase.stallMs);
  const std::int64_t silence = *std::max_element(soakSilence_.begin(), soakSilence_.end());
  goals_.push_back({"every window kept answering under faults (longest silence " + Ms(silence) + ", limit " +
                        Ms(kSilenceLimitMs) + ")",
                    silence <= kSilenceLimitMs});
}

void FaultScenario::FaultsStop() {
  probe_.ResetPhase();
  serial_.Kill();
  // The program still holds the old pty open until it sees the hang-up, and the simulator
  // refuses a link that leads to a live pty.
  std::filesystem::remove(link_);
  const bool serialBack = StartSerial(false);
  const std::int64_t serialReady = probe_.NowMs();
  const std::int64_t serialRecovery = serialBack ? WaitForAnswers(kSerialWindows, serialReady, 10000) : kNoRecovery;
  tcp_.Kill();
  const bool tcpBack = StartTcp(false);
  const std::int64_t tcpReady = probe_.NowMs();
  const std::int64_t tcpRecovery = tcpBack ? WaitForAnswers({kTcpWindow}, tcpReady, 10000) : kNoRecovery;
  const std::int64_t recovery = std::max(serialRecovery, tcpRecovery);
  SleepMs(2000);
  // From now on every second's panel must show a rate: no fault is left to report.
  std::vector<std::uint32_t> errors;
  for (std::size_t i = 0; i < probe_.WindowCount(); ++i) {
    errors.push_back(probe_.Window(i).crcSeconds.load() + probe_.Window(i).dnrSeconds.load() +
                     probe_.Window(i).silentSeconds.load());
  }
  SleepMs(3000);
  std::string dirty;
  for (std::size_t i = 0; i < probe_.WindowCount(); ++i) {
    const std::uint32_t now =
        probe_.Window(i).crcSeconds.load() + probe_.Window(i).dnrSeconds.load() + probe_.Window(i).silentSeconds.load();
    if (now != errors[i]) dirty += " " + std::to_string(i + 1);
  }
  const PhaseResult phase = EndPhase("faults stop (simulators restarted without faults)", recovery);
  notes_.push_back("faults stop: serial windows back after " + Ms(serialRecovery) + ", TCP window after " +
                   Ms(tcpRecovery));
  goals_.push_back(
      {"answers flow again within 1 s once the faults stop (" + Ms(recovery) + ")", recovery <= kRecoveryGoalMs});
  AddStallGoal("as the faults stop", phase.ownMs, phase.stallMs);
  goals_.push_back({"clean rate panels 2-5 s after the faults stop" +
                        (dirty.empty() ? std::string() : " (still errors in window" + dirty + ")"),
                    dirty.empty()});
}

void FaultScenario::PtyVanishes(int round, bool longAbsence) {
  probe_.ResetPhase();
  serial_.Kill();
  std::filesystem::remove(link_);
  SleepMs(longAbsence ? 3000 : 300);
  const bool back = StartSerial(false);
  const std::int64_t ready = probe_.NowMs();
  const std::int64_t recovery = back ? WaitForAnswers(kSerialWindows, ready, 10000) : kNoRecovery;
  SleepMs(2000);
  EndPhase("pty vanishes " + std::to_string(round) + (longAbsence ? " (away 3 s)" : " (away 0.3 s)"), recovery);
}

void FaultScenario::TcpPeerResets(int round, bool longAbsence) {
  probe_.ResetPhase();
  // Killed while the window polls at full rate: the connection ends in the middle of a poll.
  tcp_.Kill();
  if (longAbsence) SleepMs(3000);
  const bool back = StartTcp(false);
  const std::int64_t ready = probe_.NowMs();
  const std::int64_t recovery = back ? WaitForAnswers({kTcpWindow}, ready, 10000) : kNoRecovery;
  SleepMs(2000);
  EndPhase("TCP peer resets " + std::to_string(round) + (longAbsence ? " (away 3 s)" : " (at once)"), recovery);
}

bool FaultScenario::Run() {
  Say("load average at start: " + LoadAverage() + " (" + std::to_string(std::thread::hardware_concurrency()) +
      " cores)");
  std::filesystem::create_directories(paths_.program + "Ports");
  if (!StartSerial(true) || !StartTcp(true)) {
    goals_.push_back({"the simulators start", false});
    PrintSummary();
    return false;
  }
  Say("simulators ready with faults " + options_.faults + ": serial on Ports/" + kSerialName +
      ", TCP on 127.0.0.1:" + tcpPort_);
  bool ready = ConnectMainWindow();
  Say(connected_ ? "main window connected and read the device (attempt " + std::to_string(connectAttempts_) + ")"
                 : "main window did not read the device over the faulty line in 3 attempts");
  ready = ready && OpenScopeWindows();
  const std::int64_t opened = probe_.NowMs();
  if (ready && WaitForAnswers(kAllWindows, opened, 15000) >= kNoRecovery) {
    Say("not every scope window got an answer within 15 s");
    ready = false;
  }
  goals_.push_back({"five scope windows open and poll", ready});
  if (ready) {
    Say("five scope windows poll; " + std::to_string(options_.minutes) + " min under faults");
    Soak();
    FaultsStop();
    for (int round = 1; round <= options_.rounds; ++round) PtyVanishes(round, round % 2 == 0);
    for (int round = 1; round <= options_.rounds; ++round) TcpPeerResets(round, round % 2 == 0);

    std::int64_t ptyOwn = 0, ptyGap = 0, ptyRecovery = 0, tcpOwn = 0, tcpGap = 0, tcpRecovery = 0;
    for (const PhaseResult& phase : phases_) {
      if (phase.name.rfind("pty", 0) == 0) {
        ptyOwn = std::max(ptyOwn, phase.ownMs);
        ptyGap = std::max(ptyGap, phase.stallMs);
        ptyRecovery = std::max(ptyRecovery, phase.recoveryMs);
      } else if (phase.name.rfind("TCP", 0) == 0) {
        tcpOwn = std::max(tcpOwn, phase.ownMs);
        tcpGap = std::max(tcpGap, phase.stallMs);
        tcpRecovery = std::max(tcpRecovery, phase.recoveryMs);
      }
    }
    AddStallGoal("as the pty vanishes and comes back", ptyOwn, ptyGap);
    goals_.push_back({"answers back within 1 s of the pty's return (worst " + Ms(ptyRecovery) + ")",
                      ptyRecovery <= kRecoveryGoalMs});
    AddStallGoal("as the TCP peer resets and comes back", tcpOwn, tcpGap);
    goals_.push_back({"answers back within 1 s of the TCP peer's return (worst " + Ms(tcpRecovery) + ")",
                      tcpRecovery <= kRecoveryGoalMs});
  }
  Say("load average at end: " + LoadAverage());
  OnWindowThread([this] {
    if (main_) main_->Scopes().CloseAll();
    main_.reset();
  });
  serial_.Kill();
  tcp_.Kill();
  PrintSummary();
  return std::all_of(goals_.begin(), goals_.end(), [](const Goal& goal) { return goal.passed; });
}

void FaultScenario::AddStallGoal(const std::string& when, std::int64_t ownMs, std::int64_t gapMs) {
  goals_.push_back({"no event-loop stall over 100 ms " + when + " (longest own part " + Ms(ownMs) + "; longest gap " +
                        Ms(gapMs) + " including waits for a core)",
                    ownMs <= kStallGoalMs});
}

void FaultScenario::PrintSummary() {
  std::printf("\nfault soak summary: %.1f min under %s (seed %u)\n", soakSeconds_ / 60.0, options_.faults.c_str(),
              options_.seed);
  std::printf("main window: %s\n",
              connected_ ? ("connected, device read (attempt " + std::to_string(connectAttempts_) + ")").c_str()
                         : "device not read over the faulty line");
  if (!soakAnswers_.empty()) {
    std::printf("%-3s %-11s %10s %16s %7s %7s %9s %9s\n", "win", "protocol", "answers/s", "longest silence", "CRC! s",
                "DNR! s", "silent s", "rate s");
    for (std::size_t i = 0; i < soakAnswers_.size(); ++i) {
      std::printf("%-3zu %-11s %10.1f %16s %7u %7u %9u %9u\n", i + 1, protocols_[i].c_str(),
                  static_cast<double>(soakAnswers_[i]) / soakSeconds_, Ms(soakSilence_[i]).c_str(), soakCrc_[i],
                  soakDnr_[i], soakSilent_[i], soakNumeric_[i]);
    }
  }
  if (!phases_.empty()) {
    std::printf("%-46s %12s %20s %10s %12s\n", "phase", "longest gap", "run/queued/blocked", "own part",
                "answers back");
    for (const PhaseResult& phase : phases_) {
      const std::int64_t blocked = std::max<std::int64_t>(0, phase.stallMs - phase.runMs - phase.queuedMs);
      const std::string split =
          std::to_string(phase.runMs) + "/" + std::to_string(phase.queuedMs) + "/" + std::to_string(blocked);
      std::printf("%-46s %12s %20s %10s %12s\n", phase.name.c_str(), Ms(phase.stallMs).c_str(), split.c_str(),
                  Ms(phase.ownMs).c_str(), Ms(phase.recoveryMs).c_str());
    }
  }
  for (const std::string& note : notes_) std::printf("%s\n", note.c_str());
  std::printf("goals:\n");
  for (const Goal& goal : goals_) std::printf("  %s  %s\n", goal.passed ? "PASS" : "FAIL", goal.text.c_str());
  std::fflush(stdout);
}

}  // namespace quillon::soak
