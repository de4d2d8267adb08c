#pragma once
// The program's two worker registries: the serial ports (TCommList) and the TCP connections
// (TTCPIPList). The program's main makes the one hub before any window and destroys it after the
// last, which stops every worker and closes every port; windows, tools and their link objects
// are handed it through their contexts and keep a reference, never a registry of their own.
// Registry calls come from the link task queue or a command-line program's own thread, never
// from the window's thread (they may wait for a port's settling pauses or a connect).
#include <string>

#include "link/comm_list.h"
#include "link/tcpip_list.h"

namespace quillon {

class LinkHub {
 public:
  // `programDirectory` is where Ports/ is looked up.
  explicit LinkHub(std::string programDirectory) : serial_(std::move(programDirectory)) {}
  LinkHub(const LinkHub&) = delete;
  LinkHub& operator=(const LinkHub&) = delete;

  TCommList& Serial() { return serial_; }
  TTCPIPList& Tcp() { return tcp_; }

 private:
  TCommList serial_;
  TTCPIPList tcp_;
};

}  // namespace quillon
