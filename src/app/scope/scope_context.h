#pragma once
// What every scope window of the program shares: the workspace, the link task queue that
// carries its registry work, the one "Свойства окна" dialog, the one options dialog, and the
// serial opening pauses a port gets.
#include <functional>
#include <string>

#include "link/comm_thread.h"
#include "workspace/paths.h"

namespace quillon {

class LinkTaskQueue;
class TWindowProperty;
class TfmLinkWindowOptions;

struct ScopeContext {
  WorkspacePaths paths;
  LinkTaskQueue& tasks;
  TWindowProperty& property;
  TfmLinkWindowOptions& options;
  std::function<SerialTimings(const std::string& port)> timingsFor;
};

}  // namespace quillon
