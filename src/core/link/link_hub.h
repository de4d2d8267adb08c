#pragma once
// The program's two worker registries: the serial ports (TCommList) and the TCP connections
// (TTCPIPList). The program's main makes the one hub before any window and destroys it after the
// last, which stops every worker and closes every port; windows, tools and their link objects
// are handed it through their contexts and keep a reference, never a registry of their own. A
// command-line program makes its own.
// Registry calls come from the link task queue or a command-line program's own thread, never
// from the window's thread (they may wait for a port's settling pauses or a connect).
#include <functional>
#include <string>

#include "link/comm_list.h"
#include "link/tcpip_list.h"
#include "link/traffic_tap.h"

namespace quillon {

class LinkHub {
 public:
  using TimingsRule = std::function<SerialTimings(const std::string& port)>;

  // `programDirectory` is where Ports/ is looked up.
  explicit LinkHub(std::string programDirectory);
  LinkHub(const LinkHub&) = delete;
  LinkHub& operator=(const LinkHub&) = delete;

  TCommList& Serial() { return serial_; }
  TTCPIPList& Tcp() { return tcp_; }
  // The frames every worker of the hub exchanges, while someone watches (see TrafficTap).
  TrafficTap& Traffic() { return traffic_; }

  // The settling pauses a port gets when it is opened: none for a pseudo-terminal, the real
  // adapters' otherwise, unless a rule was set (a test that wants the real pauses on a pty).
  SerialTimings TimingsFor(const std::string& port) const;
  const std::string& ProgramDirectory() const { return programDirectory_; }
  void SetTimingsRule(TimingsRule rule) { timingsRule_ = std::move(rule); }

 private:
  std::string programDirectory_;
  TimingsRule timingsRule_;
  // Made before the registries and gone after them: their workers put into it.
  TrafficTap traffic_;
  TCommList serial_;
  TTCPIPList tcp_;
};

}  // namespace quillon
