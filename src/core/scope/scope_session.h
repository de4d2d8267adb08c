#pragma once
// One polling set-up of a scope window: its variable list, the memory image they are laid out
// over, the poll and write records, and where those records are registered. A window starts a
// fresh session whenever it loads another variable set; the old one is withdrawn from the
// workers and freed on the link task queue, so the window's thread never waits for a worker to
// let go of it.
//
// The registration side (Register*, Withdraw*) runs on the link task queue only; the window
// touches the list and the image from its own thread while no worker holds the poll record, and
// reads the rings at any time.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/attachment.h"
#include "scope/base_property.h"
#include "scope/scope_poll.h"
#include "scope/trace_file.h"
#include "variables/view_list.h"

namespace quillon {

class LinkHub;

enum class ScopeRegistration {
  Polling,      // the record is with its worker
  PortFailed,   // the serial port could not be opened (show PortErrorMessage)
  Unreachable,  // no TCP connection to the address
  NotPolled,    // a record view or an unknown protocol: nothing to register
  BadSettings,  // the bit rate, pause or TCP port is not a number
};

class ScopeSession {
 public:
  // `hub` outlives the session.
  explicit ScopeSession(LinkHub& hub);
  ScopeSession(const ScopeSession&) = delete;
  ScopeSession& operator=(const ScopeSession&) = delete;
  // Withdraws both records first: a worker may still hold them.
  ~ScopeSession();

  TViewList list;
  std::vector<std::uint8_t> image;
  ScopePoll poll;
  // The window's trace; lines are added on the worker thread after each sample.
  std::shared_ptr<TraceFile> trace;
  // Set by every sample, taken by the window's redraw.
  std::atomic<bool> fresh{false};

  // A trace write that failed (the trace closed itself); empty when none did. Taken once.
  std::string TakeTraceFailure();

  // --- on the link task queue ---
  // Registers the prepared poll record with the settings' port or address (the record must
  // have been prepared while withdrawn).
  ScopeRegistration RegisterPoll(const TBaseProperty& settings);
  // Registers the write record, prepared with `frame`, with the same port or address as the
  // settings name. The write record is withdrawn first.
  ScopeRegistration RegisterWrite(const TBaseProperty& settings, const LinkFrame& frame);
  // Takes the poll record out of its worker; with `write` the write record too, and the place
  // is forgotten.
  void Withdraw(bool write);

 private:
  ScopeRegistration Register(TLinkRequest& request, const TBaseProperty& settings);

  std::mutex traceFailureGuard_;
  std::string traceFailure_;
  // Where the records went; touched on the task queue only.
  Attachment attachment_;
};

}  // namespace quillon
