// quillon-sim: a controller on the far end of a line, for demos, tests and training.
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/event_recorder.h"
#include "sim/line_server.h"
#include "sim/options.h"

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

int Run(const quillon::sim::SimOptions& options) {
  using namespace quillon::sim;
  DeviceImage image = LoadDeviceImage(options.devicePath);
  ControllerOptions controllerOptions;
  controllerOptions.id = options.id.value_or(image.id);
  controllerOptions.slaveAddress = options.slaveAddress;
  controllerOptions.move = options.move;
  controllerOptions.faults = options.faults;
  controllerOptions.cardDirectory = options.cardDirectory;
  controllerOptions.cardAbsent = options.cardAbsent;
  if (options.cardDirectory && !options.cardAbsent && !std::filesystem::is_directory(*options.cardDirectory)) {
    throw std::runtime_error("--card: " + *options.cardDirectory + " is not a directory");
  }
  if (options.cardDirectory && !options.cardAbsent) {
    MakeRecorderFiles(options.devicePath, image, *options.cardDirectory, std::time(nullptr));
  }
  SimController controller(std::move(image), controllerOptions);
  if (options.verbose) {
    controller.Log = [](const std::string& line) {
      std::fprintf(stderr, "%s\n", line.c_str());
      std::fflush(stderr);
    };
  }

  // Before the link exists, so a stop that comes early still removes it.
  InstallStopHandlers();
  LineServer server(controller);
  std::unique_ptr<PseudoTerminal> pty;
  std::unique_ptr<PublishedLink> link;
  std::unique_ptr<TcpListener> listener;
  if (options.ptyLink) {
    pty = std::make_unique<PseudoTerminal>();
    link = std::make_unique<PublishedLink>(*options.ptyLink, pty->DevicePath());
    server.AddPseudoTerminal(pty->MasterFd());
  }
  if (options.tcpPort) {
    listener = std::make_unique<TcpListener>(options.bindAddress, *options.tcpPort);
    server.AddListener(listener->Fd());
  }
  std::printf("id: %s\n", controllerOptions.id.c_str());
  if (pty) std::printf("pty: %s\nlink: %s\n", pty->DevicePath().c_str(), options.ptyLink->c_str());
  if (listener) std::printf("tcp: %s:%u\n", options.bindAddress.c_str(), static_cast<unsigned>(listener->Port()));
  if (options.cardDirectory && !options.cardAbsent) std::printf("card: %s\n", options.cardDirectory->c_str());
  std::printf("ready (MODBUS slave %u); Ctrl+C ends\n", static_cast<unsigned>(options.slaveAddress));
  std::fflush(stdout);
  server.Run(stopRequested);
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
  try {
    return Run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-sim: %s\n", error.what());
    return 1;
  }
}
