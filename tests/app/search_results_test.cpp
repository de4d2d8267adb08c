#include "main/search_results.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <memory>

#include "app_fixture.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "sim_process.h"

namespace quillon::testing {
namespace {

constexpr const char* kSimId = "501 QT v2.1 2024-01-10";

class SearchResultsTest : public AppTest {
 protected:
  void SetUp() override {
    WriteWindowsFile("sim/501.ini", std::string("[DEVICE]\nID=") + kSimId +
                                        "\n[vars]\n[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n");
    ports.SetTimings(SerialTimings::None());
    InstallCommList(&ports);
  }
  void TearDown() override {
    search.reset();
    tasks.reset();
    InstallCommList(nullptr);
  }

  void StartSim() {
    ASSERT_TRUE(EnsureDirectory(paths.program + "Ports"));
    ASSERT_TRUE(sim.Start({QStringLiteral("--device"), QString::fromStdString(dir / "sim/501.ini"),
                           QStringLiteral("--pty"), QString::fromStdString(paths.program + "Ports/SIM1")}));
  }

  // Opens the window on the simulator's port and waits for address 1 to be listed.
  QListWidget* SearchUntilFound() {
    search = std::make_unique<TSearchRes>(paths, *tasks);
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

  TCommList ports{paths.program};
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
  EXPECT_FALSE(list->item(0)->icon().isNull()) << "no device file: the NEW picture";
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

TEST_F(SearchResultsTest, KnownDeviceIsNotFlaggedAndClosingStops) {
  WriteWindowsFile("Devices/QT/501.ini", std::string("[DEVICE]\nID=") + kSimId + "\n[vars]\n[FLASH]\n");
  StartSim();
  if (HasFatalFailure()) return;
  QListWidget* list = SearchUntilFound();
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(list->item(0)->icon().isNull());
  ASSERT_EQ(search->Results().size(), 1u);
  EXPECT_FALSE(search->Results()[0].noDeviceFile);

  search->close();
  EXPECT_FALSE(search->Searching());
  EXPECT_TRUE(WaitUntil([this] { return tasks->Idle() && ports.FindPortWorker("SIM1") == nullptr; }));
}

TEST_F(SearchResultsTest, PortThatDoesNotOpenLeavesTheListEmpty) {
  search = std::make_unique<TSearchRes>(paths, *tasks);
  LinkFieldTexts fields;
  fields.port = "NOSUCHPORT";
  fields.baud = "9600";
  search->Start(fields);
  ASSERT_TRUE(WaitUntil([this] { return !search->Searching(); }));
  EXPECT_EQ(search->findChild<QListWidget*>(QStringLiteral("SrList"))->count(), 0);
  EXPECT_EQ(ports.Count(), 0u);
}

}  // namespace
}  // namespace quillon::testing
