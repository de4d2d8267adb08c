#pragma once
// TComm: the worker of one open serial port. Several windows register their records with it
// and it serves them one after another, half-duplex, until it is destroyed: a one-shot record
// before the next poll, the polling records in turn from the last registered to the first (see
// RequestList::FetchDue). Before a MODBUS request it keeps the line silent for the interval
// the MODBUS serial line rules ask for, unless told that the line's devices do without. Adding, removing and
// reconfiguring happen under its mutex; the exchanges themselves run without it. The worker rests only after a pass
// that served nothing: until a record is added, or briefly while its records wait for their owners. A line that hangs
// up or fails (an adapter pulled out) is closed and opened again by its name, a few times a
// second at most, until it is back.
#include <atomic>
#include <chrono>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/request_list.h"
#include "link/serial_port.h"
#include "link/worker_mutex.h"

namespace quillon {

// The settling pauses around opening and configuring a port. Real adapters want them; tests
// over pseudo-terminals set them to zero.
struct SerialTimings {
  std::chrono::milliseconds openingPause{500};  // taken twice after opening
  std::chrono::milliseconds firstConfigurePause{100};
  std::chrono::milliseconds laterConfigurePause{200};
  std::chrono::milliseconds settingsPause{200};

  static SerialTimings None() {
    return {std::chrono::milliseconds(0), std::chrono::milliseconds(0), std::chrono::milliseconds(0),
            std::chrono::milliseconds(0)};
  }
};

inline constexpr std::chrono::milliseconds kPortLockTimeout{2000};
// How often a lost port is tried again; meanwhile every record is answered with nothing once
// per attempt, so its owner reports the silent device without the worker spinning.
inline constexpr std::chrono::milliseconds kReopenInterval{250};

// Opens the port afresh by its name (the name may lead elsewhere by now); nullptr while the
// port is not there or not free.
using LineOpener = std::function<std::unique_ptr<SerialLine>()>;

// The warning shown before a port that is already configured is given another frame-end pause
// or baud rate (other windows on the port are affected), ending with the question whether to
// change it. Empty when the port was never configured or nothing changes.
std::string PortSettingsWarning(bool configured, unsigned oldBaud, unsigned oldFrameEndMs, unsigned newBaud,
                                unsigned newFrameEndMs);

class TComm {
 public:
  // Takes over an open line and returns at once; the thread takes the opening pauses, with a
  // purge between them, before it serves any record. Without `reopen` a lost line stays lost.
  TComm(std::string name, std::unique_ptr<SerialLine> line, const SerialTimings& timings = {}, LineOpener reopen = {});
  // Stops the thread (every wait in it is bounded and ends at the stop), then closes the line.
  ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  const std::string& Name() const { return name_; }
  // Asks the thread to end without waiting for it (the destructor waits).
  void Stop();

  // Waits up to 2000 ms; the owner goes on whether or not it got the lock.
  bool Lock() { return mutex_.LockFor(kPortLockTimeout); }
  void Unlock() { mutex_.Unlock(); }

  // Registers the record unless it is already registered. Gives up silently when the mutex
  // cannot be had within 2000 ms.
  void AddRequest(TLinkRequest* request);
  // Withdraws the record; returns only once the worker no longer touches it, so the owner may
  // free it right away. Always withdraws: a record left behind would be a dangling pointer.
  void RemoveRequest(TLinkRequest* request);
  // Records after the last add or remove; 1 right after opening.
  int RequestCount() const { return requestCount_.load(); }
  bool HasRequest(const TLinkRequest* request) const { return requests_.Contains(request); }

  // The warning for changing this port's settings to these (see PortSettingsWarning).
  std::string SettingsWarning(unsigned baud, unsigned frameEndMs) const;
  // Applies baud rate, 8N1 and the frame-end pause once the opening pauses are over; a port
  // settles a moment afterwards. false when the driver refused the settings. A lost line is
  // given them when it is opened again.
  bool ConfigurePort(unsigned baud, unsigned frameEndMs);
  bool Configured() const { return configured_.load(); }
  unsigned Baud() const { return baud_.load(); }
  unsigned FrameEnd() const { return frameEndMs_.load(); }
  // false from the loss of the line until it is opened again.
  bool LineUp() const;
  // On (the default): an answer ends as soon as its request's shape says it is complete,
  // instead of at the frame-end pause (see AnswerEnd). Off for a line that needs the pause.
  void SetFastFrameEnd(bool on) { fastFrameEnd_ = on; }
  bool FastFrameEnd() const { return fastFrameEnd_.load(); }
  // On (the default): at least 3.5 character times (1.75 ms above 19,200 Bd) of silence
  // between the end of an answer or a time-out and the next MODBUS request. QuBUS requests
  // follow at once either way.
  void SetSilentInterval(bool on) { silentInterval_ = on; }
  bool SilentInterval() const { return silentInterval_.load(); }
  // Where the frames of its exchanges go while someone watches; the tap outlives the worker.
  void SetTrafficTap(TrafficTap* tap) { tap_ = tap; }

 private:
  void Run();
  void TakeOpeningPauses();
  PassOutcome ServeNext(SerialLine& line);
  void KeepSilentInterval(const SerialLine& line, const TLinkRequest& request);
  void AnswerWithoutLine();
  void DropLostLine();
  void TryReopen();

  std::string name_;
  LineOpener reopen_;
  // Only the worker replaces the line; other threads use it under the guard.
  mutable std::mutex lineGuard_;
  std::unique_ptr<SerialLine> line_;  // nullptr while the port is lost
  // Attempts stay this far apart even when a line fails again as soon as it is opened.
  std::chrono::steady_clock::time_point nextReopen_;
  std::latch opened_{1};
  SerialTimings timings_;
  WorkerMutex mutex_;
  RequestList requests_;
  std::atomic<int> requestCount_{1};
  std::atomic<bool> configured_{false};
  std::atomic<unsigned> baud_{0};
  std::atomic<unsigned> frameEndMs_{kDefaultFrameEndMs};
  std::atomic<bool> fastFrameEnd_{true};
  std::atomic<bool> silentInterval_{true};
  std::atomic<TrafficTap*> tap_{nullptr};
  WorkerSignal signal_;
  std::thread thread_;
};

}  // namespace quillon
