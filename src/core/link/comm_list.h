#pragma once
// TCommList: the serial port workers of the program, keyed by port name (case-sensitive). A
// port is open exactly while its worker is registered: the first OpenPortWorker opens it and
// the RemoveRequest that leaves it without records closes it. Destroying the registry stops
// every worker and closes every port.
//
// Registry calls come from the user-interface thread, never from an OnAnswer handler (a
// worker cannot destroy itself). A worker pointer stays valid until the RemoveRequest that
// leaves it without records, or the registry's end.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/comm_thread.h"

namespace quillon {

// Why the port `name` did not open, in the engineer's words: "Нет доступа к порту <name>:
// пользователь должен входить в группу dialout" when its device is there but this user may not
// read and write it, else "Порт <name> не существует", a line break, "или занят другой
// программой". Names are looked up as the workspace's workers look them up.
std::string PortErrorMessage(const std::string& name);

class TCommList {
 public:
  // Port names other than COM<n> are looked up under `programDirectory` + "Ports/" first.
  explicit TCommList(std::string programDirectory);
  ~TCommList();
  TCommList(const TCommList&) = delete;
  TCommList& operator=(const TCommList&) = delete;

  void SetProgramDirectory(std::string programDirectory);
  void SetTimings(const SerialTimings& timings);
  // For every port, open now or later (see TComm::SetFastFrameEnd); on by default.
  void SetFastFrameEnd(bool on);
  // For every port, open now or later: where their workers hand over the frames they exchange.
  void SetTrafficTap(TrafficTap* tap);
  bool FastFrameEnd() const;
  // For every port, open now or later (see TComm::SetSilentInterval); on by default.
  void SetSilentInterval(bool on);
  bool SilentInterval() const;

  // The worker of the port, searched from the last registered to the first, or nullptr.
  TComm* FindPortWorker(const std::string& name);
  // 1 when the port already has a worker, 0 when one was created, -1 when the port cannot be
  // opened (nothing is registered then; show PortErrorMessage).
  int OpenPortWorker(const std::string& name);
  // Waits up to 2000 ms for the worker's mutex; nothing when the port has no worker.
  void LockPort(const std::string& name);
  void UnlockPort(const std::string& name);
  void AddRequest(const std::string& name, TLinkRequest* request);
  // Withdraws the record (see TComm::RemoveRequest); the worker left without records is
  // destroyed, which closes the port.
  void RemoveRequest(const std::string& name, TLinkRequest* request);
  // Configures the port's worker when there is one; false when there is none or the driver
  // refused the settings.
  bool ConfigurePort(const std::string& name, unsigned baud, unsigned frameEndMs);
  // The way every window takes a line: opens the port's worker (a port opened now gets
  // `timings`) and configures it only when it has never been or its settings differ, since
  // configuring purges the line under another window's exchange. Done before any record goes
  // in, so the first exchange already runs at the right speed. False when the port does not
  // open (show PortErrorMessage); nothing is registered by it either way.
  bool OpenLine(const std::string& name, unsigned baud, unsigned frameEndMs, const SerialTimings& timings);
  // The usable ports, each name followed by "/": the candidates nobody holds (see
  // PortIsAvailable: probing leaves other programs' ports as they were), and the ports this
  // program holds (which another open would not get).
  std::string ListComPorts();

  std::size_t Count() const;

 private:
  std::unique_ptr<TComm> Detach(const std::string& name);

  mutable std::mutex guard_;
  std::string programDirectory_;
  SerialTimings timings_;
  bool fastFrameEnd_ = true;
  TrafficTap* tap_ = nullptr;
  bool silentInterval_ = true;
  std::vector<std::unique_ptr<TComm>> workers_;
};

}  // namespace quillon
