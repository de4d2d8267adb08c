#include "workspace/help_document.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quillon {
namespace {

TEST(HelpDocument, LivesInTheHelpDirectoryOfTheProgram) {
  EXPECT_EQ(HelpDocumentPath(MakeWorkspacePaths("/opt/quillon")), "/opt/quillon/Help/Quillon.pdf");
  EXPECT_EQ(HelpDocumentPath(MakeWorkspacePaths("\\opt\\quillon\\")), "/opt/quillon/Help/Quillon.pdf");
}

TEST(HelpDocument, MissingFileIsReportedWithItsFullPathWhateverTheLaunchSaid) {
  for (const bool launched : {false, true}) {
    const auto outcome = ClassifyHelpOpen({.documentExists = false, .launched = launched, .launchError = ENOMEM});
    EXPECT_EQ(outcome, HelpOpenOutcome::FileMissing);
    EXPECT_EQ(HelpOpenMessage(outcome, "/opt/quillon/Help/Quillon.pdf"),
              "Фаил помощи отсутствует по указанному пути\r\n/opt/quillon/Help/Quillon.pdf");
  }
  // A program directory named in Windows-1251 ("Цех") is shown readable.
  EXPECT_EQ(HelpOpenMessage(HelpOpenOutcome::FileMissing, "/d/\xD6\xE5\xF5/Help/Quillon.pdf"),
            "Фаил помощи отсутствует по указанному пути\r\n/d/Цех/Help/Quillon.pdf");
}

TEST(HelpDocument, FailedLaunchIsAMissingViewerUnlessTheSystemRanOutOfResources) {
  EXPECT_EQ(ClassifyHelpOpen({.documentExists = true, .launched = true, .launchError = 0}), HelpOpenOutcome::Opened);
  // errno left over from an earlier call must not turn a success into a failure.
  EXPECT_EQ(ClassifyHelpOpen({.documentExists = true, .launched = true, .launchError = ENOMEM}),
            HelpOpenOutcome::Opened);
  EXPECT_EQ(ClassifyHelpOpen({.documentExists = true, .launched = false, .launchError = 0}),
            HelpOpenOutcome::NoApplication);
  EXPECT_EQ(ClassifyHelpOpen({.documentExists = true, .launched = false, .launchError = ENOENT}),
            HelpOpenOutcome::NoApplication);
  EXPECT_EQ(ClassifyHelpOpen({.documentExists = true, .launched = false, .launchError = ENOMEM}),
            HelpOpenOutcome::OutOfResources);
  EXPECT_EQ(ClassifyHelpOpen({.documentExists = true, .launched = false, .launchError = EAGAIN}),
            HelpOpenOutcome::OutOfResources);

  EXPECT_EQ(HelpOpenMessage(HelpOpenOutcome::Opened, "/x"), "");
  EXPECT_EQ(HelpOpenMessage(HelpOpenOutcome::NoApplication, "/x"), "Не установлен Acrobat Reader");
  EXPECT_EQ(HelpOpenMessage(HelpOpenOutcome::OutOfResources, "/x"),
            "The operating system is out of memory or resources");
}

}  // namespace
}  // namespace quillon
