#include "app/main/search_results.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "app/main/main_window.h"
#include "app_fixture.h"
#include "device_link_fixture.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "modal_dialog.h"
#include "sim_process.h"
#include "workspace/catalogue.h"

namespace quillon::testing {
namespace {

constexpr const char* kSimId = "501 QT v2.1 2024-01-10";

// The "NEW" picture, not the empty one that keeps the texts of known devices in line.
bool ShowsNewPicture(const QListWidgetItem* item) {
  if (item->icon().isNull()) return false;
  const QImage picture = item->icon().pixmap(16, 16).toImage();
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (qAlpha(picture.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

class SearchResultsTest : public AppTest {
 protected:
  void SetUp() override {
    WriteWindowsFile("sim/501.ini", std::string("[DEVICE]\nID=") + kSimId +
                                        "\n[vars]\n[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n");
    ports.SetTimings(SerialTimings::None());
  }
  void TearDown() override {
    search.reset();
    tasks.reset();
  }

  void StartSim() {
    ASSERT_TRUE(EnsureDirectory(paths.program + "Ports"));
    ASSERT_TRUE(sim.Start({QStringLiteral("--device"), QString::fromStdString(dir / "sim/501.ini"),
                           QStringLiteral("--pty"), QString::fromStdString(paths.program + "Ports/SIM1")}));
  }

  // Opens the window on the simulator's port and waits for address 1 to be listed.
  QListWidget* SearchUntilFound() {
    search = std::make_unique<TSearchRes>(paths, *tasks, hub);
    LinkFieldTexts fields;
    fields.protocol = "MODBUS RTU";
    fields.port = "SIM1";
    fields.baud = "19200";
    fields.frameEnd = "5";
    search->Start(fields);
    search->show();
    auto* list = search->findChild<QListWidget*>(QStringLiteral("SrList"));
    EXPECT_NE(list, nullptr);
    EXPECT_TRUE(WaitUntil([list] { return list->count() > 0; }, 8000)) << sim.ErrorOutput().toStdString();
    return list;
  }

  SearchStopPanel* Panel() { return search->findChild<SearchStopPanel*>(QStringLiteral("pnSearchStop")); }

  TCommList& ports = hub.Serial();
  std::unique_ptr<LinkTaskQueue> tasks = std::make_unique<LinkTaskQueue>();
  SimProcess sim;
  std::unique_ptr<TSearchRes> search;
};

TEST_F(SearchResultsTest, FindsTheSimulatorFlagsItAndStopsOnThePanel) {
  StartSim();
  if (HasFatalFailure()) return;
  QListWidget* list = SearchUntilFound();
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text().toStdString(), std::string("01: ") + kSimId);
  EXPECT_TRUE(ShowsNewPicture(list->item(0))) << "no device file: the NEW picture";
  ASSERT_EQ(search->Results().size(), 1u);
  EXPECT_TRUE(search->Results()[0].noDeviceFile);
  EXPECT_TRUE(search->Searching());

  // A double click while the search runs shows nothing.
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  EXPECT_TRUE(prompt.warnings.empty());

  SearchStopPanel* panel = Panel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(WaitUntil([panel] { return panel->Counter() >= 2; }));
  QTest::mousePress(panel, Qt::LeftButton);
  EXPECT_TRUE(panel->Pressed());
  const QImage pressed = panel->grab().toImage();
  QTest::mouseRelease(panel, Qt::LeftButton);
  EXPECT_FALSE(panel->Pressed());
  EXPECT_NE(pressed, panel->grab().toImage()) << "drawn pressed while the button is down";
  EXPECT_FALSE(search->Searching());
  EXPECT_FALSE(search->isVisible());

  // The record leaves the worker and the port closes; the progress stops moving.
  ASSERT_TRUE(WaitUntil([this] { return tasks->Idle() && ports.FindPortWorker("SIM1") == nullptr; }));
  QTest::qWait(50);  // the step of the service the stop let finish
  const std::uint8_t counter = panel->Counter();
  QTest::qWait(700);
  EXPECT_EQ(panel->Counter(), counter);

  search->show();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].second, kSimId);
}

// Known devices go unflagged: see the line of three below.
TEST_F(SearchResultsTest, ClosingTheWindowStopsTheSearch) {
  StartSim();
  if (HasFatalFailure()) return;
  ASSERT_EQ(SearchUntilFound()->count(), 1);
  search->close();
  EXPECT_FALSE(search->Searching());
  EXPECT_TRUE(WaitUntil([this] { return tasks->Idle() && ports.FindPortWorker("SIM1") == nullptr; }));
}

TEST_F(SearchResultsTest, PortThatDoesNotOpenLeavesTheListEmpty) {
  search = std::make_unique<TSearchRes>(paths, *tasks, hub);
  LinkFieldTexts fields;
  fields.port = "NOSUCHPORT";
  fields.baud = "9600";
  search->Start(fields);
  ASSERT_TRUE(WaitUntil([this] { return !search->Searching(); }));
  EXPECT_EQ(search->findChild<QListWidget*>(QStringLiteral("SrList"))->count(), 0);
  EXPECT_EQ(ports.Count(), 0u);
}

// Three controllers on one line (the simulator's slaves 1 to 3, serials 501 to 503); the
// database knows the first two.
class SearchLineOfThreeTest : public DeviceLinkTest {
 protected:
  const CatalogueNode* Group(const std::string& caption) const {
    for (const CatalogueNode& node : window->CatalogueModel().Roots()) {
      if (node.caption == caption) return &node;
    }
    return nullptr;
  }
};

TEST_F(SearchLineOfThreeTest, TwoKnownAndOneUnknownAreListedAndTheUnknownJoinsNew) {
  WriteWindowsFile("Devices/QT/502.ini", "[DEVICE]\nID=502 QT v2.1 2024-01-10\n[vars]\n[FLASH]\n");
  StartAll({QStringLiteral("--addr"), QStringLiteral("1-3")});
  if (HasFatalFailure()) return;
  UseSerial("MODBUS RTU");
  if (HasFatalFailure()) return;

  QStringList texts;
  std::vector<bool> pictures;
  bool listed = false;
  const auto acted = WhenModal<TSearchRes>([&](TSearchRes& search) {
    auto* list = search.findChild<QListWidget*>(QStringLiteral("SrList"));
    listed = WaitUntil([list] { return list->count() >= 3; }, 8000);
    for (int i = 0; i < list->count(); ++i) {
      texts << list->item(i)->text();
      pictures.push_back(ShowsNewPicture(list->item(i)));
    }
    // "Остановить поиск" ends the search and closes the window.
    auto* panel = search.findChild<SearchStopPanel*>(QStringLiteral("pnSearchStop"));
    QTest::mouseClick(panel, Qt::LeftButton);
  });
  QTest::mouseClick(Child<QToolButton>(*window, "btSearchDevices"), Qt::LeftButton);
  ASSERT_TRUE(*acted);
  ASSERT_TRUE(listed) << sim.ErrorOutput().toStdString();
  EXPECT_EQ(texts,
            (QStringList{QStringLiteral("01: 501 QT v2.1 2024-01-10"), QStringLiteral("02: 502 QT v2.1 2024-01-10"),
                         QStringLiteral("03: 503 QT v2.1 2024-01-10")}));
  EXPECT_EQ(pictures, (std::vector<bool>{false, false, true})) << "the NEW picture only where no file is";

  // All three join the port's group; the unknown one alone joins "New", without a file.
  const CatalogueNode* port = Group("SIM1");
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(port->children.size(), 3u);
  EXPECT_EQ(port->children[0].path, devicePath);
  EXPECT_EQ(port->children[1].path, paths.devices + "QT/502.ini");
  EXPECT_TRUE(port->children[2].path.empty());
  const CatalogueNode* fresh = Group(std::string(kNewGroupCaption));
  ASSERT_NE(fresh, nullptr);
  ASSERT_EQ(fresh->children.size(), 1u);
  EXPECT_EQ(fresh->children[0].caption, "503 QT v2.1 2024-01-10");
}

}  // namespace
}  // namespace quillon::testing
