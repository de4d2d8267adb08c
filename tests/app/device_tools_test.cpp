// The main window's device tools: the connected device's scope window and the plug-in buttons
// of the open device.
#include <dlfcn.h>

#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

#include "app/main/catalogue_tree.h"
#include "app/main/plugin_buttons.h"
#include "app/main/tool_launchers.h"
#include "app/tools/alarm_buffer.h"
#include "app/tools/cmd_line.h"
#include "app/tools/rem_file_op.h"
#include "platform/profile.h"
#include "plugins/plugin_property.h"
#include "scope_window_fixture.h"

namespace quillon::testing {
namespace {

class DeviceToolsTest : public ScopeWindowTest {
 protected:
  void OpenDevice(const std::string& path) {
    auto* tree = Child<CatalogueTree>(*main, "tv");
    ASSERT_NE(tree->FindByPath(path), nullptr);
    ClickNode(tree, tree->FindByPath(path));
    ASSERT_EQ(main->OpenDevicePath(), path);
  }
  void UseSerial() {
    ChooseProtocol(*main, "MODBUS RTU");
    auto* port = Child<QComboBox>(*main, "cbCOM");
    port->setCurrentIndex(port->findText(QStringLiteral("SCOPE1")));
    ASSERT_GE(port->currentIndex(), 0);
    Child<QLineEdit>(*main, "edFE")->setText(QStringLiteral("10"));
    Child<QLineEdit>(*main, "edDevAddr")->setText(QStringLiteral("1"));
  }
};

TEST_F(DeviceToolsTest, ConnectedDeviceScopeIsMadeFromTheRamSetOnceAndPolls) {
  StartSim({QStringLiteral("--move")});
  main = StartWithCatalogue();
  OpenDevice(devicePath);
  UseSerial();
  Child<QToolButton>(*main, "btAddScopeWindow")->click();
  ASSERT_EQ(main->Scopes().Windows().size(), 1u);
  TLinkWindowFm& window = *main->Scopes().Windows().front();
  const std::string file = paths.scopeWindow + "SC1_601.scp";  // type key and serial number
  EXPECT_EQ(window.Property().FilePath, file);
  EXPECT_EQ(ProfileKeyNames(file, "viewlist"), (std::vector<std::string>{"r1", "r2"}));
  EXPECT_EQ(ReadProfileString(file, "default", "port"), "1/SCOPE1/19200/10/MODBUS RTU/RAM/");
  ASSERT_TRUE(MoreSamples(window, 50));
  window.close();
  QTest::qWait(50);
  // The second opening takes the same file, as the engineer left it.
  WriteProfileString(file, "viewlist", "r1", "2/30/");
  Child<QToolButton>(*main, "btAddScopeWindow")->click();
  ASSERT_EQ(main->Scopes().Windows().size(), 1u);
  EXPECT_EQ(main->Scopes().Windows().front()->List().FindVariable("I")->RowHeight, 30);
}

TEST_F(DeviceToolsTest, PluginButtonsFollowTheOpenDevice) {
  const std::string plugins = paths.program + "Plugins/";
  std::filesystem::create_directories(plugins + "example");
  std::filesystem::copy_file(QUILLON_EXAMPLE_PLUGIN, plugins + "example/example.so");
  WriteProfileString(devicePath, "DEVICE", "Plugins", "example/../x/missing");
  const std::string other = AddDevice("SC", "602.ini", "602 SC v1.0 2024-02-01", "Без модулей", "Стенд", "");
  main = StartWithCatalogue();
  OpenDevice(devicePath);
  // Loaded last to first; a name leading out of Plugins/ and a missing library are skipped.
  ASSERT_EQ(main->Plugins().Buttons().size(), 1u);
  QToolButton* button = main->Plugins().Buttons().front();
  EXPECT_EQ(button->toolTip().toStdString(), "Пример модуля");
  auto* toolbar = Child<QToolBar>(*main, "ToolBar2");
  EXPECT_EQ(toolbar->widgetForAction(toolbar->actions().back()), button);
  EXPECT_FALSE(Child<QLabel>(*main, "stStatus")->text().isEmpty());

  button->click();
  void* handle = dlopen((plugins + "example/example.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  using Count = int (*)();
  using Path = const QuillonCountedString* (*)();
  EXPECT_EQ(reinterpret_cast<Count>(dlsym(handle, "ExamplePluginOpenCount"))(), 1);
  EXPECT_EQ(FromCountedString(*reinterpret_cast<Path>(dlsym(handle, "ExamplePluginDevicePath"))()), devicePath);
  dlclose(handle);

  // Two plug-ins: their buttons in the order of the list, the first listed leftmost.
  std::filesystem::create_directories(plugins + "second");
  std::filesystem::copy_file(QUILLON_EXAMPLE_PLUGIN, plugins + "second/second.so");
  WriteProfileString(devicePath, "DEVICE", "Plugins", "second/example");
  OpenDevice(other);
  OpenDevice(devicePath);
  ASSERT_EQ(main->Plugins().Buttons().size(), 2u);
  EXPECT_EQ(toolbar->widgetForAction(toolbar->actions().back()), main->Plugins().Buttons().back());
  main->Plugins().Buttons().front()->click();
  for (const auto& [name, opened] : {std::pair{"second", 1}, std::pair{"example", 0}}) {
    void* library = dlopen((plugins + name + "/" + name + ".so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr) << name;
    EXPECT_EQ(reinterpret_cast<Count>(dlsym(library, "ExamplePluginOpenCount"))(), opened) << name;
    dlclose(library);
  }

  // Another device: the buttons and the libraries go.
  OpenDevice(other);
  EXPECT_TRUE(main->Plugins().Buttons().empty());
  EXPECT_EQ(dlopen((plugins + "example/example.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(DeviceToolsTest, ToolButtonsHandEachToolItsOwnCopyOfTheLinkFields) {
  StartSim();  // publishes the port
  main = StartWithCatalogue();
  OpenDevice(devicePath);
  UseSerial();
  Child<QToolButton>(*main, "ToolButton4")->click();
  TToolWindow* files = main->Tools().Window(ToolKind::FileOperations);
  ASSERT_NE(qobject_cast<TRemFileOp*>(files), nullptr);
  EXPECT_TRUE(files->isVisible());
  EXPECT_EQ(files->Property.PortName, "SCOPE1");
  EXPECT_EQ(files->Property.Protocol, "MODBUS RTU");
  EXPECT_EQ(files->Property.FrameEnd, "10");
  EXPECT_EQ(files->Property.DevicePath, devicePath);
  EXPECT_EQ(files->Property.SlaveAddr, "1");

  // The alarm buffer asks for its address itself; changing the fields later leaves an open tool
  // alone until its button is pressed again, and the same window comes back.
  Child<QToolButton>(*main, "ToolButton3")->click();
  auto* alarms = qobject_cast<TfmAlarmBuffer*>(main->Tools().Window(ToolKind::AlarmBuffer));
  ASSERT_NE(alarms, nullptr);
  EXPECT_TRUE(alarms->Property.SlaveAddr.empty());
  Child<QLineEdit>(*main, "edFE")->setText(QStringLiteral("25"));
  EXPECT_EQ(files->Property.FrameEnd, "10");
  files->close();
  Child<QToolButton>(*main, "ToolButton4")->click();
  EXPECT_EQ(main->Tools().Window(ToolKind::FileOperations), files);
  EXPECT_TRUE(files->isVisible());
  EXPECT_EQ(files->Property.FrameEnd, "25");

  // The terminal is a real tool: its own window class, handed the TCP fields as well.
  Child<QToolButton>(*main, "ToolButton2")->click();
  auto* terminal = qobject_cast<TCmdLine*>(main->Tools().Window(ToolKind::Terminal));
  ASSERT_NE(terminal, nullptr);
  EXPECT_EQ(terminal->Property.PortName, "SCOPE1");
  // On a serial protocol the frame-end field holds a pause, never an address for the terminal.
  EXPECT_TRUE(terminal->Property.IPAddress.empty());

  // Under MODBUS TCP the file window is handed the device's address and port too.
  files->close();
  ChooseProtocol(*main, "MODBUS TCP");
  Child<QLineEdit>(*main, "edFE")->setText(QStringLiteral("127.0.0.1"));
  Child<QLineEdit>(*main, "edPort")->setText(QStringLiteral("1502"));
  Child<QToolButton>(*main, "ToolButton4")->click();
  EXPECT_EQ(files->Property.IPAddress, "127.0.0.1");
  EXPECT_EQ(files->Property.IPPort, "1502");
  // Standard MODBUS TCP is a TCP link to the tools as well.
  ChooseProtocol(*main, "MODBUS TCP/IP");
  Child<QLineEdit>(*main, "edFE")->setText(QStringLiteral("127.0.0.2"));
  Child<QToolButton>(*main, "ToolButton4")->click();
  EXPECT_EQ(files->Property.Protocol, "MODBUS TCP/IP");
  EXPECT_EQ(files->Property.IPAddress, "127.0.0.2");

  const std::tuple<const char*, ToolKind, const char*> tools[] = {
      {"btCosFtune", ToolKind::CosPhi, "quillon::TFmCOSFTune"},
      {"btBrennAB", ToolKind::EventBuffer, "quillon::TfmBrennAB"},
      {"btTirel", ToolKind::Player, "quillon::TfmTirel"}};
  for (const auto& [button, kind, window] : tools) {
    Child<QToolButton>(*main, button)->click();
    TToolWindow* shown = main->Tools().Window(kind);
    ASSERT_NE(shown, nullptr) << button;
    EXPECT_STREQ(shown->metaObject()->className(), window);
    EXPECT_TRUE(shown->isVisible());
    shown->close();
  }
}

TEST_F(DeviceToolsTest, HelpButtonTellsWhereTheMissingDocumentShouldBe) {
  main = StartWithCatalogue();
  Child<QToolButton>(*main, "btHelp")->click();
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings.front().first, "Quillon");
  EXPECT_NE(prompt.warnings.front().second.find("Help/Quillon.pdf"), std::string::npos);
}

}  // namespace
}  // namespace quillon::testing
