// scope_cpu: how much of one core the window's thread needs while four scope windows of 16
// variables each poll at full rate. Four simulated controllers run in this process (two on
// pseudo-terminals, two over TCP on 127.0.0.1 and 127.0.0.2, so each window has a line of its
// own); the program's main window and the four scope windows run on an X display (Xvfb is
// started when DISPLAY is not set). Prints the answers per second of each window and the CPU
// share of the window's thread, measured with its own thread clock over the run.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main/main_window.h"
#include "app/main/scope_windows.h"
#include "app/scope/link_window.h"
#include "app/support/current_prompt.h"
#include "link/link_hub.h"
#include "platform/files.h"
#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/line_server.h"
#include "text/cp1251.h"
#include "workspace/paths.h"

namespace {

using namespace quillon;

constexpr int kVariables = 16;
constexpr double kGoal = 0.25;

// Answers every question with its default: a benchmark has nobody to click.
class SilentPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
  bool Question(const std::string&, const std::string&) override { return false; }
};

void WriteFile(const std::string& path, const std::string& utf8) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  const std::string bytes = Utf8ToCp1251(utf8);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string DeviceText() {
  std::string text = "[DEVICE]\r\nID=777 BENCH v1.0 2024-01-01\r\nDescription=bench\r\n[vars]\r\n[RAM]\r\n";
  char line[160];
  for (int i = 0; i < kVariables; ++i) {
    std::snprintf(line, sizeof line, "r%d=V%d/Variable %d/TWORD/x%04X/r%04X//1/2//0/x0000/\r\n", i + 1, i + 1, i + 1,
                  0x200 + 2 * i, 0x100 + i);
    text += line;
  }
  return text;
}

std::string ScopeText(const std::string& device, const std::string& port) {
  std::string text = "[default]\r\ndevicepath=" + device + "\r\nwindow=20/20/600/420/\r\nport=" + port +
                     "\r\noption=60/50/60/30/auto/1000/1/\r\n[viewlist]\r\n";
  for (int i = 0; i < kVariables; ++i) text += "r" + std::to_string(i + 1) + "=0,01/22/\r\n";
  return text;
}

// One simulated controller serving its own line on a thread.
struct SimulatedController {
  SimulatedController(const std::string& device, const std::string& link, const std::string& tcpAddress)
      : controller(LoadImage(device), Options(device)), server(controller) {
    if (!link.empty()) {
      pty = std::make_unique<sim::PseudoTerminal>();
      published = std::make_unique<sim::PublishedLink>(link, pty->DevicePath());
      server.AddPseudoTerminal(pty->MasterFd());
    } else {
      listener = std::make_unique<sim::TcpListener>(tcpAddress, 0);
      server.AddListener(listener->Fd());
    }
    thread = std::thread([this] { server.Run(stop); });
  }
  ~SimulatedController() {
    stop = true;
    thread.join();
  }
  static sim::DeviceImage LoadImage(const std::string& device) { return sim::LoadDeviceImage(device); }
  static sim::ControllerOptions Options(const std::string& device) {
    sim::ControllerOptions options;
    options.id = sim::LoadDeviceImage(device).id;
    options.move = true;
    return options;
  }

  sim::SimController controller;
  std::unique_ptr<sim::PseudoTerminal> pty;
  std::unique_ptr<sim::PublishedLink> published;
  std::unique_ptr<sim::TcpListener> listener;
  sim::LineServer server;
  std::atomic<bool> stop{false};
  std::thread thread;
};

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void RunEvents(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// Starts Xvfb on a free display number when no display is set; returns its process id.
pid_t StartXvfbIfNeeded() {
  if (std::getenv("DISPLAY") != nullptr) return 0;
  for (int display = 90; display < 99; ++display) {
    if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) continue;
    const std::string name = ":" + std::to_string(display);
    const pid_t child = ::fork();
    if (child == 0) {
      ::execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 50 && !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display)); ++i) {
      ::usleep(100000);
    }
    ::setenv("DISPLAY", name.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return child;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 20.0;
  if (argc == 3 && std::string(argv[1]) == "--seconds") seconds = std::atof(argv[2]);
  const pid_t xvfb = StartXvfbIfNeeded();
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("quillon-scope-cpu-" + std::to_string(::getpid()))).string() + "/";
  const std::string device = dir + "Devices/BENCH/bench.ini";
  WriteFile(device, DeviceText());
  std::filesystem::create_directories(dir + "Ports");
  int status = 0;
  {
    SimulatedController serialA(device, dir + "Ports/BENCHA", "");
    SimulatedController serialB(device, dir + "Ports/BENCHB", "");
    SimulatedController tcpA(device, "", "127.0.0.1");
    SimulatedController tcpB(device, "", "127.0.0.2");
    const std::vector<std::string> ports = {
        "1/BENCHA/115200/8/QuBUS/RAM/", "1/BENCHB/115200/8/MODBUS RTU/RAM/",
        "1/none/115200/8/MODBUS TCP/RAM/127.0.0.1/" + std::to_string(tcpA.listener->Port()) + "/",
        "1/none/115200/8/MODBUS TCP/RAM/127.0.0.2/" + std::to_string(tcpB.listener->Port()) + "/"};
    const std::vector<std::string> names = {"QuBUS pty", "MODBUS RTU pty", "MODBUS TCP 127.0.0.1",
                                            "MODBUS TCP 127.0.0.2"};

    InitWorkspacePaths(dir);
    QApplication app(argc, argv);
    SilentPrompt prompt;
    ScopedPrompt installed(prompt);
    LinkHub hub(Workspace().program);
    Tmain mainWindow(Workspace(), hub);
    mainWindow.show();
    std::vector<TLinkWindowFm*> windows;
    for (std::size_t i = 0; i < ports.size(); ++i) {
      const std::string file = dir + "ScopeWindow/w" + std::to_string(i) + ".scp";
      WriteFile(file, ScopeText(device, ports[i]));
      TLinkWindowFm* window = mainWindow.Scopes().OpenScopeFile(file);
      if (window == nullptr) {
        std::fprintf(stderr, "scope window %zu did not open\n", i);
        return 1;
      }
      window->move(20 + static_cast<int>(i % 2) * 620, 20 + static_cast<int>(i / 2) * 460);
      windows.push_back(window);
    }
    RunEvents(2000);  // ports open, first answers, first redraws
    std::vector<std::uint64_t> answersBefore;
    for (TLinkWindowFm* window : windows) answersBefore.push_back(window->AnswersSeen());
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEvents(static_cast<int>(seconds * 1000));
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double share = (ThreadCpuSeconds() - cpuBefore) / elapsed;
    std::printf("scope_cpu: 4 scope windows x %d variables, %.1f s, display %s\n", kVariables, elapsed,
                std::getenv("DISPLAY"));
    for (std::size_t i = 0; i < windows.size(); ++i) {
      const double rate = static_cast<double>(windows[i]->AnswersSeen() - answersBefore[i]) / elapsed;
      std::printf("  %-24s %8.0f answers/s\n", names[i].c_str(), rate);
    }
    std::printf("window thread CPU: %.1f %% of one core (goal under %.0f %%, ratio to goal %.2f)\n", share * 100.0,
                kGoal * 100.0, share / kGoal);
    status = share < kGoal ? 0 : 3;
    for (TLinkWindowFm* window : windows) window->close();
    RunEvents(300);
  }
  std::filesystem::remove_all(dir);
  if (xvfb > 0) {
    ::kill(xvfb, SIGTERM);
    ::waitpid(xvfb, nullptr, 0);
  }
  return status;
}
