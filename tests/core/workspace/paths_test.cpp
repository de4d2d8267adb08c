#include "workspace/paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "workspace/help_document.h"
#include "workspace/protocol.h"

namespace quillon {
namespace {

TEST(WorkspacePaths, DirectoriesHangOffTheProgramDirectoryWhateverItsSeparators) {
  for (const char* program : {"/opt/quillon", "/opt/quillon/", "\\opt\\quillon\\"}) {
    const auto paths = MakeWorkspacePaths(program);
    EXPECT_EQ(paths.devices, "/opt/quillon/Devices/") << program;
    EXPECT_EQ(paths.SettingsFile(), "/opt/quillon/settings.ini") << program;
    EXPECT_EQ(paths.BackUp(), "/opt/quillon/Devices/BackUp/") << program;
    EXPECT_EQ(HelpDocumentPath(paths), "/opt/quillon/Help/Quillon.pdf") << program;
  }
}

TEST(PathForDisplay, NamesThatAreNotUtf8AreReadAsWindows1251OneByOne) {
  EXPECT_EQ(PathForDisplay("/home/Иван/Devices/TK3/1.ini"), "/home/Иван/Devices/TK3/1.ini");
  // "Цех" in Windows-1251 below a home directory named in UTF-8.
  EXPECT_EQ(PathForDisplay("/home/Иван/Devices/\xD6\xE5\xF5/1.ini"), "/home/Иван/Devices/Цех/1.ini");
  // A lone continuation byte, a truncated sequence, an overlong "/" and a surrogate are no UTF-8.
  EXPECT_EQ(PathForDisplay("/d/\x80/\xD0/\xC0\xAF/\xED\xA0\x80"), "/d/Ђ/Р/АЇ/н\xC2\xA0Ђ");
}

TEST(Protocol, TheListOffersTheFourKindsByTheirStoredNames) {
  ASSERT_EQ(std::size(kProtocolNames), 4u);
  for (std::string_view name : kProtocolNames) {
    const auto kind = ProtocolNamed(name);
    ASSERT_TRUE(kind.has_value()) << name;
    EXPECT_EQ(NameOf(*kind), name);
  }
  // Stored texts keep their meaning: nothing near a name is taken for it.
  for (const char* text : {"MODBUS TCP/IP ", "modbus tcp/ip", "MODBUS TCPIP", "MODBUS/TCP", ""}) {
    EXPECT_FALSE(ProtocolNamed(text).has_value()) << text;
  }
}

TEST(HelpDocument, AMissingFileIsNamedAndAFailedLaunchIsAMissingViewerUnlessResourcesRanOut) {
  struct Row {
    HelpOpenAttempt attempt;
    HelpOpenOutcome outcome;
    const char* message;
  };
  const char* const missing = "Фаил помощи отсутствует по указанному пути\r\n/d/Цех/Help/Quillon.pdf";
  const Row rows[] = {
      {{false, false, ENOMEM}, HelpOpenOutcome::FileMissing, missing},
      {{false, true, 0}, HelpOpenOutcome::FileMissing, missing},
      {{true, true, 0}, HelpOpenOutcome::Opened, ""},
      // errno left over from an earlier call must not turn a success into a failure.
      {{true, true, ENOMEM}, HelpOpenOutcome::Opened, ""},
      {{true, false, 0}, HelpOpenOutcome::NoApplication, "Не установлен Acrobat Reader"},
      {{true, false, ENOENT}, HelpOpenOutcome::NoApplication, "Не установлен Acrobat Reader"},
      {{true, false, ENOMEM}, HelpOpenOutcome::OutOfResources, "The operating system is out of memory or resources"},
      {{true, false, EAGAIN}, HelpOpenOutcome::OutOfResources, "The operating system is out of memory or resources"},
  };
  for (const Row& row : rows) {
    const HelpOpenOutcome outcome = ClassifyHelpOpen(row.attempt);
    EXPECT_EQ(outcome, row.outcome) << row.attempt.documentExists << row.attempt.launched << row.attempt.launchError;
    // A program directory named in Windows-1251 ("Цех") is shown readable.
    EXPECT_EQ(HelpOpenMessage(outcome, "/d/\xD6\xE5\xF5/Help/Quillon.pdf"), row.message);
  }
}

}  // namespace
}  // namespace quillon
