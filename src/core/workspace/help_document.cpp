#include "workspace/help_document.h"

#include <cerrno>

namespace quillon {

std::string HelpDocumentPath(const WorkspacePaths& paths) { return paths.help + kHelpDocumentName; }

HelpOpenOutcome ClassifyHelpOpen(const HelpOpenAttempt& attempt) {
  if (!attempt.documentExists) return HelpOpenOutcome::FileMissing;
  if (attempt.launched) return HelpOpenOutcome::Opened;
  // A launcher that could not even be started for want of memory or processes is not a missing
  // viewer; telling the engineer to install one would send them the wrong way.
  if (attempt.launchError == ENOMEM || attempt.launchError == EAGAIN) return HelpOpenOutcome::OutOfResources;
  return HelpOpenOutcome::NoApplication;
}

std::string HelpOpenMessage(HelpOpenOutcome outcome, const std::string& documentPath) {
  switch (outcome) {
    case HelpOpenOutcome::Opened:
      return {};
    case HelpOpenOutcome::FileMissing:
      return "Фаил помощи отсутствует по указанному пути\r\n" + PathForDisplay(documentPath);
    case HelpOpenOutcome::NoApplication:
      return "Не установлен Acrobat Reader";
    case HelpOpenOutcome::OutOfResources:
      return "The operating system is out of memory or resources";
  }
  return {};
}

}  // namespace quillon
