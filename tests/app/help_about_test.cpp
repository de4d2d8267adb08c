#include "app/main/help_about.h"

#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/support/current_prompt.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon {
namespace {

class Warnings : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override { shown.emplace_back(caption, text); }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<std::pair<std::string, std::string>> shown;
};

class HelpDocumentOpen : public ::testing::Test {
 protected:
  testing::TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  Warnings prompt;
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
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0].first, "Quillon");
  EXPECT_EQ(prompt.shown[0].second, "Фаил помощи отсутствует по указанному пути\r\n" + dir.Path() + "Help/Quillon.pdf");
}

TEST_F(HelpDocumentOpen, PresentFileGoesToTheDesktopAndOnlyAFailureIsReported) {
  ASSERT_TRUE(testing::WriteCp1251File(dir / "Help/Quillon.pdf", "%PDF-1.4\n"));
  OpenHelpDocument(paths, Opener(true));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toLocalFile().toStdString(), dir.Path() + "Help/Quillon.pdf");
  EXPECT_TRUE(prompt.shown.empty());

  OpenHelpDocument(paths, Opener(false));
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0], std::make_pair(std::string("Quillon"), std::string("Не установлен Acrobat Reader")));
}

TEST(TAboutQuillon, FixedBoxOfTheBaseColourWhosePictureCirclesOnA10msTimer) {
  TAboutQuillon box;
  EXPECT_EQ(box.windowTitle(), "О программе Quillon");
  EXPECT_EQ(box.size(), QSize(373, 276));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
  EXPECT_EQ(box.backgroundRole(), QPalette::Base) << "a sheet of the desktop's base colour";
  EXPECT_EQ(box.AnimationTimer().interval(), 10);
  EXPECT_TRUE(box.AnimationTimer().isActive());

  std::set<std::pair<int, int>> positions;
  for (int i = 0; i < 20; ++i) {
    const QPointF offset = box.PictureCentre() - box.OrbitCentre();
    EXPECT_NEAR(std::hypot(offset.x(), offset.y()), 40.0, 1e-9);
    positions.insert({qRound(box.PictureCentre().x() * 100), qRound(box.PictureCentre().y() * 100)});
    QTest::qWait(15);
  }
  EXPECT_GT(positions.size(), 5u);
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
