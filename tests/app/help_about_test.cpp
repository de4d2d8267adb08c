#include "app/main/help_about.h"

#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <set>

#include "app_fixture.h"

namespace quillon {
namespace {

class HelpDocumentOpen : public ::testing::Test {
 protected:
  testing::TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  testing::RecordingPrompt prompt;
  ScopedPrompt scoped{prompt};
  std::vector<QUrl> opened;
  DesktopOpener Opener(bool result) {
    return [this, result](const QUrl& url) {
      opened.push_back(url);
      return result;
    };
  }
};

TEST_F(HelpDocumentOpen, MissingFileIsNamedWithItsFullPathAndNothingIsLaunched) {
  OpenHelpDocument(paths, Opener(true));
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].first, "Quillon");
  EXPECT_EQ(prompt.warnings[0].second,
            "Фаил помощи отсутствует по указанному пути\r\n" + dir.Path() + "Help/Quillon.pdf");
}

TEST_F(HelpDocumentOpen, PresentFileGoesToTheDesktopAndOnlyAFailureIsReported) {
  ASSERT_TRUE(testing::WriteCp1251File(dir / "Help/Quillon.pdf", "%PDF-1.4\n"));
  OpenHelpDocument(paths, Opener(true));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toLocalFile().toStdString(), dir.Path() + "Help/Quillon.pdf");
  EXPECT_TRUE(prompt.warnings.empty());

  OpenHelpDocument(paths, Opener(false));
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0], std::make_pair(std::string("Quillon"), std::string("Не установлен Acrobat Reader")));
}

TEST(TAboutQuillon, ThePictureKeepsCirclingOnItsOrbit) {
  TAboutQuillon box;
  std::set<std::pair<int, int>> positions;
  for (int i = 0; i < 20; ++i) {
    const QPointF offset = box.PictureCentre() - box.OrbitCentre();
    EXPECT_NEAR(std::hypot(offset.x(), offset.y()), 40.0, 1e-9);
    positions.insert({qRound(box.PictureCentre().x() * 100), qRound(box.PictureCentre().y() * 100)});
    QTest::qWait(15);
  }
  EXPECT_GT(positions.size(), 5u);
}

TEST(TAboutQuillon, ShowsTheWorkspaceWholeOrShortenedToTheBox) {
  TAboutQuillon box(nullptr, "/home/ivanov/.local/share/Quillon/");
  const QLabel& label = box.WorkspaceLabel();
  EXPECT_EQ(label.text(), "Рабочая папка: /home/ivanov/.local/share/Quillon/");
  EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), label.width());

  const std::string deep = "/media/engineer/USB/" + std::string(200, 'x') + "/Quillon/";
  TAboutQuillon narrow(nullptr, deep);
  EXPECT_LE(narrow.WorkspaceLabel().fontMetrics().horizontalAdvance(narrow.WorkspaceLabel().text()),
            narrow.WorkspaceLabel().width());
  EXPECT_TRUE(narrow.WorkspaceLabel().text().endsWith("/Quillon/")) << "the end of the path says the most";
  EXPECT_EQ(narrow.WorkspaceLabel().toolTip().toStdString(), deep);
}

// The build renders the user guide into the program directory: every picture is found (a
// missing one fails the build) and the pages carry them.
TEST(HelpDocumentBuild, TheGuideIsRenderedWithItsPicturesIntoHelp) {
  const std::string pdf = quillon::testing::FileBytes(QUILLON_BINARY_DIR "/bin/Help/Quillon.pdf");
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  std::size_t pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  EXPECT_GE(pages, 5u);
  EXPECT_NE(pdf.find("/Subtype /Image"), std::string::npos);
}

}  // namespace
}  // namespace quillon
