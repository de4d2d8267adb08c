#pragma once
// A service tool window against quillon-sim on a pseudo-terminal under Ports/: the link the
// main window's toolbar hands the tool, the task queue the tool works through, and the widget
// lookups every tool test needs. The window goes before the queue, and the queue before the
// registries of the hub it posts to.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/support/tool_window.h"
#include "app_fixture.h"
#include "link/link_tasks.h"
#include "scope/base_property.h"
#include "sim_process.h"

namespace quillon::testing {

template <typename Window>
class ToolWindowTest : public AppTest {
 protected:
  void TearDown() override {
    window.reset();
    tasks.reset();
    sim.Stop();
    if (!portName_.empty()) std::remove((paths.program + "Ports/" + portName_).c_str());
  }

  // Starts the simulator for `device` on Ports/<port>, with `extra` options after.
  void StartSimulator(const std::string& device, const std::string& port, const QStringList& extra = {}) {
    ASSERT_TRUE(EnsureDirectory(paths.program + "Ports"));
    portName_ = port;
    ASSERT_TRUE(sim.Start(QStringList{QStringLiteral("--device"), QString::fromStdString(device),
                                      QStringLiteral("--pty"), QString::fromStdString(paths.program + "Ports/" + port)}
                          << extra));
  }

  // The link fields the toolbar passes on: the port at 115,200 Bd with a 5 ms frame end, slave
  // address 1 under MODBUS.
  static TBaseProperty ToolLink(const std::string& protocol, const std::string& port,
                                const std::string& devicePath = {}) {
    TBaseProperty link;
    link.Protocol = protocol;
    link.PortName = port;
    link.Baud = "115200";
    link.FrameEnd = "5";
    if (protocol != "QuBUS") link.SlaveAddr = "1";
    link.DevicePath = devicePath;
    return link;
  }

  // The tool's context; record files it opens are collected in `opened`.
  ToolContext Context() {
    return ToolContext{paths, *tasks, hub, [this](const std::string& path) { opened.push_back(path); }};
  }

  // Shows the window made by the test and waits until it is on the screen.
  void Show(std::unique_ptr<Window> made) {
    window = std::move(made);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    auto* widget = window->template findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // The text of a line edit or, failing that, of a label.
  QString Text(const char* name) {
    if (auto* edit = window->template findChild<QLineEdit*>(QLatin1String(name))) return edit->text();
    return Find<QLabel>(name)->text();
  }

  std::unique_ptr<LinkTaskQueue> tasks = std::make_unique<LinkTaskQueue>();
  SimProcess sim;
  std::unique_ptr<Window> window;
  std::vector<std::string> opened;

 private:
  std::string portName_;
};

}  // namespace quillon::testing
