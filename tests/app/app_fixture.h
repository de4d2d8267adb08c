#pragma once
// A temporary workspace with device files written the way a Windows program writes them
// (Windows-1251, CRLF), a prompt that records questions, and a main window started on it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main/main_window.h"
#include "app/support/current_prompt.h"
#include "link/link_hub.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon::testing {

class RecordingPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override { warnings.emplace_back(caption, text); }
  bool Question(const std::string& caption, const std::string& text) override {
    questions.emplace_back(caption, text);
    return answer;
  }
  bool answer = false;
  std::vector<std::pair<std::string, std::string>> questions;
  std::vector<std::pair<std::string, std::string>> warnings;
};

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    if (condition()) return true;
    QTest::qWait(10);
  }
  return condition();
}

class AppTest : public ::testing::Test {
 protected:
  // Files are written as a Windows program would: Windows-1251 with CRLF line ends.
  void WriteWindowsFile(const std::string& relativePath, const std::string& utf8Lines) {
    ASSERT_TRUE(WriteCp1251File(dir / relativePath, utf8Lines));
  }
  std::string AddDevice(const std::string& group, const std::string& name, const std::string& id,
                        const std::string& description, const std::string& location, const std::string& date) {
    WriteWindowsFile("Devices/" + group + "/" + name, "[DEVICE]\nID=" + id + "\nDescription=" + description +
                                                          "\nLocation=" + location + "\nLastDateTime=" + date +
                                                          "\n[vars]\n[FLASH]\n");
    return paths.devices + group + "/" + name;
  }
  void WriteSettings(const std::string& lines) { WriteWindowsFile("settings.ini", "[Settings]\n" + lines); }

  std::string Setting(const std::string& key) {
    return ReadProfileString(paths.SettingsFile(), "Settings", key, "<missing>");
  }

  // Starts the window and waits for the first fill of the catalogue.
  std::unique_ptr<Tmain> StartWithCatalogue() {
    auto window = std::make_unique<Tmain>(paths, hub);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* tree = Child<QTreeWidget>(*window, "tv");
    EXPECT_TRUE(WaitUntil([tree] { return tree->topLevelItemCount() > 0; }));
    return window;
  }

  template <typename Widget>
  static Widget* Child(const QWidget& window, const char* name) {
    auto* widget = window.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  static QTreeWidgetItem* NodeStartingWith(QTreeWidget* tree, const QString& prefix) {
    const auto found = tree->findItems(prefix, Qt::MatchStartsWith | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }

  // Clicks a node as the user does (its group expanded first so it is on screen).
  static void ClickNode(QTreeWidget* tree, QTreeWidgetItem* node) {
    for (QTreeWidgetItem* parent = node->parent(); parent != nullptr; parent = parent->parent())
      parent->setExpanded(true);
    tree->scrollToItem(node);
    // On the caption's start: a long caption may reach beyond the viewport.
    const QRect rect = tree->visualItemRect(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 8, rect.center().y()));
  }

  static void ChooseProtocol(const Tmain& window, const char* protocol) {
    auto* bus = Child<QComboBox>(window, "cbBUS");
    bus->setCurrentIndex(bus->findText(QString::fromUtf8(protocol)));
  }

  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  // The program's worker registries, as main makes them: every window of a test shares them,
  // and they outlive the windows.
  LinkHub hub{paths.program};
  RecordingPrompt prompt;
  ScopedPrompt installed{prompt};
};

}  // namespace quillon::testing
