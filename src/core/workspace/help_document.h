#pragma once
// The engineer's manual: where it lives in the workspace and what the engineer is told when the
// desktop cannot open it.
#include <string>

#include "workspace/paths.h"

namespace quillon {

inline constexpr char kHelpDocumentName[] = "Quillon.pdf";
inline constexpr char kHelpCaption[] = "Quillon";

std::string HelpDocumentPath(const WorkspacePaths& paths);

enum class HelpOpenOutcome { Opened, FileMissing, NoApplication, OutOfResources };

struct HelpOpenAttempt {
  bool documentExists = false;
  // What the desktop answered.
  bool launched = false;
  // The errno left by a launch that failed (0 when unknown).
  int launchError = 0;
};

// A missing document is reported before anything is launched, because a viewer started on a
// missing file would show its own, less helpful, error.
HelpOpenOutcome ClassifyHelpOpen(const HelpOpenAttempt& attempt);

// The text for the engineer; empty for Opened.
std::string HelpOpenMessage(HelpOpenOutcome outcome, const std::string& documentPath);

}  // namespace quillon
