#pragma once
// What every scope window of the program shares: the workspace, the link task queue that
// carries its registry work, the one "Свойства окна" dialog, the one options dialog, and the
// serial opening pauses a port gets.
#include <functional>
#include <string>

#include "link/comm_thread.h"
#include "scope/trace_names.h"
#include "workspace/paths.h"

class QTimer;

namespace quillon {

class LinkTaskQueue;
class LinkHub;
class TWindowProperty;
class TfmLinkWindowOptions;

// About sixty redraws a second whatever the answer rate.
inline constexpr int kScopeFrameIntervalMs = 16;

struct ScopeContext {
  WorkspacePaths paths;
  LinkTaskQueue& tasks;
  // The program's worker registries; only tasks on the queue touch them.
  LinkHub& hub;
  TWindowProperty& property;
  TfmLinkWindowOptions& options;
  // Which trace file each window writes: never one file for two windows.
  TraceNames& traceNames;
  // Ticks at the screen's pace for every scope window that draws: one wake-up per frame for all
  // of them instead of one per window.
  QTimer* frameClock = nullptr;
};

}  // namespace quillon
