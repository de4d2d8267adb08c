// quillon-sim: a controller on the far end of a line, for demos, tests and training.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/event_recorder.h"
#include "sim/line_server.h"
#include "sim/options.h"
#include "sim/sim_bus.h"
#include "sim/slave_addresses.h"

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void OnStopSignal(int) { stopRequested.store(true); }

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: poll must return at once so the loop sees the flag.
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

// The controllers of the line, one per slave address, each with its own memory, clock,
// counters and card.
std::vector<std::unique_ptr<quillon::sim::SimController>> MakeControllers(const quillon::sim::SimOptions& options) {
  using namespace quillon::sim;
  namespace fs = std::filesystem;
  const bool card = options.cardDirectory && !options.cardAbsent;
  if (card && !fs::is_directory(*options.cardDirectory)) {
    throw std::runtime_error("--card: " + *options.cardDirectory + " is not a directory");
  }
  std::vector<std::unique_ptr<SimController>> controllers;
  for (std::size_t position = 0; position < options.slaveAddresses.size(); ++position) {
    const std::uint8_t address = options.slaveAddresses[position];
    DeviceImage image = LoadDeviceImage(options.devicePath);
    ControllerOptions controllerOptions;
    controllerOptions.id = IdentificationAt(options.id.value_or(image.id), position);
    controllerOptions.slaveAddress = address;
    controllerOptions.move = options.move;
    controllerOptions.faults = options.faults;
    controllerOptions.cardAbsent = options.cardAbsent;
    if (options.cardDirectory)
      controllerOptions.cardDirectory = CardDirectoryAt(*options.cardDirectory, position, address);
    if (card) {
      std::error_code error;
      fs::create_directories(*controllerOptions.cardDirectory, error);
      if (!fs::is_directory(*controllerOptions.cardDirectory)) {
        throw std::runtime_error("--card: cannot make " + *controllerOptions.cardDirectory + " for slave " +
                                 std::to_string(address));
      }
      MakeRecorderFiles(options.devicePath, image, *controllerOptions.cardDirectory, std::time(nullptr));
    }
    controllers.push_back(std::make_unique<SimController>(std::move(image), std::move(controllerOptions)));
  }
  return controllers;
}

int Run(const quillon::sim::SimOptions& options) {
  using namespace quillon::sim;
  const auto controllers = MakeControllers(options);
  std::vector<SimController*> line;
  const auto log = [](const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
  };
  for (const auto& controller : controllers) {
    if (options.verbose) controller->Log = log;
    line.push_back(controller.get());
  }
  SimBus bus(line);
  if (options.verbose) bus.Log = log;

  // Before the link exists, so a stop that comes early still removes it.
  InstallStopHandlers();
  LineServer server(std::move(bus));
  std::unique_ptr<PseudoTerminal> pty;
  std::unique_ptr<PublishedLink> link;
  std::unique_ptr<TcpListener> listener;
  std::unique_ptr<TcpListener> mbapListener;
  if (options.ptyLink) {
    pty = std::make_unique<PseudoTerminal>();
    link = std::make_unique<PublishedLink>(*options.ptyLink, pty->DevicePath());
    if (options.line) {
      LinePacing pacing;
      pacing.terminalFd = pty->TerminalFd();
      pacing.turnaround = std::chrono::milliseconds(options.turnaroundMs);
      if (options.verbose) pacing.Log = log;
      server.AddPseudoTerminal(pty->MasterFd(), std::move(pacing));
    } else {
      server.AddPseudoTerminal(pty->MasterFd());
    }
  }
  if (options.tcpPort) {
    listener = std::make_unique<TcpListener>(options.bindAddress, *options.tcpPort);
    server.AddListener(listener->Fd());
  }
  if (options.mbapPort) {
    mbapListener = std::make_unique<TcpListener>(options.bindAddress, *options.mbapPort, "--mbap");
    server.AddMbapListener(mbapListener->Fd());
  }
  const SimController& first = *controllers.front();
  std::printf("id: %s\n", first.Options().id.c_str());
  for (std::size_t i = 1; i < controllers.size(); ++i) {
    std::printf("slave %u id: %s\n", static_cast<unsigned>(controllers[i]->Options().slaveAddress),
                controllers[i]->Options().id.c_str());
  }
  if (pty) std::printf("pty: %s\nlink: %s\n", pty->DevicePath().c_str(), options.ptyLink->c_str());
  if (listener) std::printf("tcp: %s:%u\n", options.bindAddress.c_str(), static_cast<unsigned>(listener->Port()));
  if (mbapListener) {
    std::printf("mbap: %s:%u\n", options.bindAddress.c_str(), static_cast<unsigned>(mbapListener->Port()));
  }
  if (options.cardDirectory && !options.cardAbsent) {
    for (const auto& controller : controllers) std::printf("card: %s\n", controller->Options().cardDirectory->c_str());
  }
  std::string slaves;
  for (std::uint8_t address : options.slaveAddresses) slaves += (slaves.empty() ? "" : ", ") + std::to_string(address);
  std::printf("ready (MODBUS slave%s %s); Ctrl+C ends\n", controllers.size() > 1 ? "s" : "", slaves.c_str());
  std::fflush(stdout);
  server.Run(stopRequested);
  if (options.line) {
    const auto violations = static_cast<unsigned long long>(server.FramingViolations());
    std::printf("framing violations: %llu\n", violations);
    std::fflush(stdout);
    std::fprintf(stderr, "framing violations: %llu\n", violations);
    std::fflush(stderr);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  quillon::sim::SimOptions options;
  try {
    options = quillon::sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-sim: %s\n\n%s", error.what(), quillon::sim::kSimUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(quillon::sim::kSimUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("quillon-sim %s\n", QUILLON_VERSION);
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-sim: %s\n", error.what());
    return 1;
  }
}
