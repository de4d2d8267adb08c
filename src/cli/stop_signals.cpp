#include "cli/stop_signals.h"

namespace quillon::cli {
namespace {

// A signal handler may only touch such a flag: it belongs to the process, not to a guard.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) { stopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
  stopRequested = 0;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

const volatile std::sig_atomic_t* StopSignals::Flag() { return &stopRequested; }

}  // namespace quillon::cli
