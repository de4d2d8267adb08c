#include "link/comm_list.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "link/link_error.h"
#include "link/port_names.h"
#include "link/port_probe.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

// By name each time: a USB adapter or a simulator that comes back may do so under another
// device path, which its Ports/ or by-id link then leads to.
std::unique_ptr<SerialLine> OpenByName(const std::string& name, const std::string& programDirectory) {
  const auto path = PortDevicePath(name, programDirectory);
  if (!path) return nullptr;
  return SerialPort::Open(*path);
}

}  // namespace

std::string PortErrorMessage(const std::string& name) {
  const std::string directory = WorkspaceIsSet() ? Workspace().program : std::string();
  const bool denied = PortAccessDenied(name, directory);
  return LinkErrorText({denied ? LinkErrorKind::PortDenied : LinkErrorKind::PortUnavailable, name, 0});
}

TCommList::TCommList(std::string programDirectory) : programDirectory_(std::move(programDirectory)) {}

TCommList::~TCommList() {
  std::vector<std::unique_ptr<TComm>> workers;
  {
    std::lock_guard lock(guard_);
    workers.swap(workers_);
  }
  // Stop them all first, so that shutting down many ports takes as long as one.
  for (const auto& worker : workers) worker->Stop();
  workers.clear();
}

void TCommList::SetProgramDirectory(std::string programDirectory) {
  std::lock_guard lock(guard_);
  programDirectory_ = std::move(programDirectory);
}

void TCommList::SetTimings(const SerialTimings& timings) {
  std::lock_guard lock(guard_);
  timings_ = timings;
}

void TCommList::SetFastFrameEnd(bool on) {
  std::lock_guard lock(guard_);
  fastFrameEnd_ = on;
  for (const auto& worker : workers_) worker->SetFastFrameEnd(on);
}

void TCommList::SetTrafficTap(TrafficTap* tap) {
  std::lock_guard lock(guard_);
  tap_ = tap;
  for (const auto& worker : workers_) worker->SetTrafficTap(tap);
}

bool TCommList::FastFrameEnd() const {
  std::lock_guard lock(guard_);
  return fastFrameEnd_;
}

void TCommList::SetSilentInterval(bool on) {
  std::lock_guard lock(guard_);
  silentInterval_ = on;
  for (const auto& worker : workers_) worker->SetSilentInterval(on);
}

bool TCommList::SilentInterval() const {
  std::lock_guard lock(guard_);
  return silentInterval_;
}

TComm* TCommList::FindPortWorker(const std::string& name) {
  std::lock_guard lock(guard_);
  for (auto it = workers_.rbegin(); it != workers_.rend(); ++it)
    if ((*it)->Name() == name) return it->get();
  return nullptr;
}

bool TCommList::OpenLine(const std::string& name, unsigned baud, unsigned frameEndMs, const SerialTimings& timings) {
  SetTimings(timings);
  if (OpenPortWorker(name) < 0) return false;
  TComm* worker = FindPortWorker(name);
  if (worker != nullptr && (!worker->Configured() || worker->Baud() != baud || worker->FrameEnd() != frameEndMs)) {
    ConfigurePort(name, baud, frameEndMs);
  }
  return true;
}

int TCommList::OpenPortWorker(const std::string& name) {
  if (FindPortWorker(name) != nullptr) return 1;
  std::string directory;
  SerialTimings timings;
  {
    std::lock_guard lock(guard_);
    directory = programDirectory_;
    timings = timings_;
  }
  std::unique_ptr<SerialLine> port = OpenByName(name, directory);
  if (!port) return -1;
  auto worker = std::make_unique<TComm>(name, std::move(port), timings,
                                        [name, directory] { return OpenByName(name, directory); });
  std::lock_guard lock(guard_);
  worker->SetFastFrameEnd(fastFrameEnd_);
  worker->SetSilentInterval(silentInterval_);
  worker->SetTrafficTap(tap_);
  workers_.push_back(std::move(worker));
  return 0;
}

void TCommList::LockPort(const std::string& name) {
  if (TComm* worker = FindPortWorker(name)) worker->Lock();
}

void TCommList::UnlockPort(const std::string& name) {
  if (TComm* worker = FindPortWorker(name)) worker->Unlock();
}

void TCommList::AddRequest(const std::string& name, TLinkRequest* request) {
  if (TComm* worker = FindPortWorker(name)) worker->AddRequest(request);
}

void TCommList::RemoveRequest(const std::string& name, TLinkRequest* request) {
  TComm* worker = FindPortWorker(name);
  if (worker == nullptr) return;
  worker->RemoveRequest(request);
  if (worker->RequestCount() == 0) Detach(name);  // the returned owner closes the port here
}

bool TCommList::ConfigurePort(const std::string& name, unsigned baud, unsigned frameEndMs) {
  TComm* worker = FindPortWorker(name);
  return worker != nullptr && worker->ConfigurePort(baud, frameEndMs);
}

std::string TCommList::ListComPorts() {
  std::string directory;
  {
    std::lock_guard lock(guard_);
    directory = programDirectory_;
  }
  std::vector<std::string> listed;
  for (const std::string& name : CandidatePortNames(directory)) {
    if (FindPortWorker(name) != nullptr) {
      listed.push_back(name);
      continue;
    }
    const auto path = PortDevicePath(name, directory);
    if (path && PortIsAvailable(*path)) listed.push_back(name);
  }
  {
    std::lock_guard lock(guard_);
    for (const auto& worker : workers_)
      if (std::find(listed.begin(), listed.end(), worker->Name()) == listed.end()) listed.push_back(worker->Name());
  }
  std::string text;
  for (const std::string& name : listed) text += name + "/";
  return text;
}

std::size_t TCommList::Count() const {
  std::lock_guard lock(guard_);
  return workers_.size();
}

std::unique_ptr<TComm> TCommList::Detach(const std::string& name) {
  std::lock_guard lock(guard_);
  for (auto it = workers_.rbegin(); it != workers_.rend(); ++it) {
    if ((*it)->Name() != name) continue;
    std::unique_ptr<TComm> worker = std::move(*it);
    workers_.erase(std::next(it).base());
    return worker;
  }
  return nullptr;
}

}  // namespace quillon
