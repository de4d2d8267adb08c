#pragma once
// A scope session on the demo drive, laid out and polled as a scope window does it, for the tests
// and soaks that run against quillon-sim (Ports/SIM1 in the workspace, or its TCP port).
#include <memory>
#include <string>
#include <vector>

#include "e2e/e2e_processes.h"
#include "link/link_hub.h"
#include "scope/scope_device.h"
#include "scope/scope_session.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon::e2e {

// The settings of a scope window on the demo drive's `area` over `protocol`.
inline TBaseProperty DemoScopeSettings(const std::string& protocol, int tcpPort, const std::string& area = "RAM") {
  TBaseProperty settings;
  settings.DevicePath = kDemoDevice;
  settings.Protocol = protocol;
  settings.MemArea = area;
  settings.PortName = "SIM1";
  settings.Baud = "115200";
  settings.FrameEnd = "8";
  settings.SlaveAddr = "1";
  settings.IPAddress = "127.0.0.1";
  settings.IPPort = std::to_string(tcpPort);
  return settings;
}

// The variables named (r1, r2 and r5 by default) after a time mark, polled with `settings`;
// nullptr when any step fails. The settings take in what the device file lays out.
inline std::shared_ptr<ScopeSession> StartDemoPoll(LinkHub& hub, const WorkspacePaths& paths, TBaseProperty& settings,
                                                   const std::vector<std::string>& names = {"r1 ", "r2 ", "r5 "}) {
  auto session = std::make_shared<ScopeSession>(hub);
  if (OpenDeviceFromList(settings, names, "", session->list, session->image, paths).status !=
      ScopeDeviceStatus::Built) {
    return nullptr;
  }
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &session->list;
  mark->AttachMarkFlags(session->poll.TickByte());
  session->list.Variables.insert(session->list.Variables.begin(), std::move(mark));
  session->list.Resize(400, 200);
  if (!session->poll.PreparePoll(settings)) return nullptr;
  if (session->RegisterPoll(settings) != ScopeRegistration::Polling) return nullptr;
  return session;
}

}  // namespace quillon::e2e
