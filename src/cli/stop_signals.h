#pragma once
// Ctrl+C or a service stop (SIGINT, SIGTERM) during a long command: instead of killing the
// program, the signal sets a flag the command looks at, so it can end cleanly (a download takes
// its temporary file with it, a recording still writes what it polled). The handlers are
// installed for the guard's lifetime; the previous ones come back afterwards. One guard at a time.
#include <signal.h>

#include <csignal>

namespace quillon::cli {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Requested() const { return *Flag() != 0; }
  // The flag itself, for code that polls it from elsewhere.
  static const volatile std::sig_atomic_t* Flag();

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

}  // namespace quillon::cli
