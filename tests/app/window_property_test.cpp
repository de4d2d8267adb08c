// "Свойства окна" driven as the engineer drives it: the two lists, the link fields of each
// protocol and what applying refuses, asks and writes.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "app/scope/window_property_dialog.h"
#include "app_fixture.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon::testing {
namespace {

using Entries = std::vector<std::string>;

constexpr const char* kDeviceLines =
    "[DEVICE]\nID=501 QT v2.1 2024-01-10\n"
    "[FLASH]\n"
    "f1=Inom/Номинальный ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n"
    "[RAM]\n"
    "p1=Speed/Скорость/TWORD/x0210/r0108/об/1/2//0/x0000/\n"
    "p2=Icur/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\n"
    "gone=//\n"
    "p3=Udc/Напряжение/TWORD/x0204/r0102/В/1/2//0/x0000/\n";

class WindowPropertyTest : public AppTest {
 protected:
  void SetUp() override {
    devicePath = paths.devices + "Привод/501.ini";
    scopePath = paths.scopeWindow + "w.scp";
    WriteWindowsFile("Devices/Привод/501.ini", kDeviceLines);
    WriteWindowsFile("ScopeWindow/w.scp", "[default]\n");
    property.FilePath = scopePath;
    property.DevicePath = devicePath;
    property.Protocol = "QuBUS";
    property.MemArea = "RAM";
    property.PortName = "COM3";
    property.Baud = "9600";
    property.FrameEnd = "8";
    property.SlaveAddr = "7";
    property.IPAddress = "10.0.0.5";
    property.IPPort = "5020";
    property.Vars = &vars;
    vars.Append(std::make_unique<TTimeMark>());
    CreateVariable("p3=Udc/Напряжение/TWORD/x0204/r0102/В/1/2//0/x0000/", "1/16/", image, vars);
    dialog.Edit(property);
    dialog.show();
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    return Child<Widget>(dialog, name);
  }
  QListWidget* List(const char* name) { return Find<QListWidget>(name); }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  bool Shown(const char* name) { return Find<QWidget>(name)->isVisibleTo(&dialog); }

  static Entries Texts(const QListWidget* list) {
    Entries texts;
    for (int row = 0; row < list->count(); ++row) texts.push_back(list->item(row)->text().toStdString());
    return texts;
  }
  static void Select(QListWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows) list->item(row)->setSelected(true);
  }
  void ChooseBus(const char* protocol) {
    auto* bus = Find<QComboBox>("cbBUS");
    bus->setCurrentIndex(bus->findText(QString::fromUtf8(protocol)));
  }
  void Apply() { QTest::mouseClick(Find<QPushButton>("btApplay"), Qt::LeftButton); }
  std::string LastWarning() const { return prompt.warnings.empty() ? "" : prompt.warnings.back().second; }

  std::string devicePath;
  std::string scopePath;
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(64);
  TViewList vars;
  TBaseProperty property;
  TWindowProperty dialog{paths};
};

const std::string kSpeed = "p1 : Speed - Скорость";
const std::string kIcur = "p2 : Icur - Ток";
const std::string kUdc = "p3 : Udc - Напряжение";

TEST_F(WindowPropertyTest, ListsShowTheAreaAndTheWindowsVariablesWithoutTheTimeMark) {
  EXPECT_EQ(Texts(List("ListBox1")), (Entries{kSpeed, kIcur, kUdc}));
  EXPECT_EQ(Texts(List("ListBox2")), (Entries{kUdc}));
  EXPECT_EQ(Edit("WinPath")->text().toStdString(), scopePath);
  EXPECT_EQ(Edit("DevPath")->text().toStdString(), devicePath);

  // Another area replaces both lists: the shown keys belonged to the old one.
  auto* area = Find<QComboBox>("MemSelect");
  area->setCurrentIndex(area->findText(QStringLiteral("FLASH")));
  EXPECT_EQ(Texts(List("ListBox1")), (Entries{"f1 : Inom - Номинальный ток"}));
  EXPECT_TRUE(Texts(List("ListBox2")).empty());
}

TEST_F(WindowPropertyTest, SpaceAndArrowButtonAppendOnlyEntriesNotYetShown) {
  auto* all = List("ListBox1");
  Select(all, {2, 0});
  QTest::keyClick(all, Qt::Key_Space);
  EXPECT_EQ(Texts(List("ListBox2")), (Entries{kUdc, kSpeed}));
  Select(all, {0, 1, 2});
  QTest::mouseClick(Find<QPushButton>("ToViewButton"), Qt::LeftButton);
  EXPECT_EQ(Texts(List("ListBox2")), (Entries{kUdc, kSpeed, kIcur}));
  EXPECT_EQ(dialog.ShownEntries(), (Entries{kUdc, kSpeed, kIcur}));
}

TEST_F(WindowPropertyTest, UpMovesEverySelectedEntryDownMovesTheFirstThatCanAndDeleteRemoves) {
  auto* shown = List("ListBox2");
  shown->clear();
  for (const char* text : {"a", "b", "c", "d"}) shown->addItem(QString::fromUtf8(text));

  Select(shown, {2, 3});
  QTest::keyClick(shown, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(Texts(shown), (Entries{"a", "c", "d", "b"}));
  QTest::mouseClick(Find<QToolButton>("btUp"), Qt::LeftButton);
  EXPECT_EQ(Texts(shown), (Entries{"c", "d", "a", "b"}));
  // A selected block at the top stays as it is.
  QTest::mouseClick(Find<QToolButton>("btUp"), Qt::LeftButton);
  EXPECT_EQ(Texts(shown), (Entries{"c", "d", "a", "b"}));

  Select(shown, {0, 2});
  QTest::keyClick(shown, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(Texts(shown), (Entries{"d", "c", "a", "b"}));
  // The moved entry stays selected, so pressing again walks it further down.
  QTest::mouseClick(Find<QToolButton>("btDown"), Qt::LeftButton);
  EXPECT_EQ(Texts(shown), (Entries{"d", "a", "c", "b"}));
  Select(shown, {3});
  QTest::mouseClick(Find<QToolButton>("btDown"), Qt::LeftButton);
  EXPECT_EQ(Texts(shown), (Entries{"d", "a", "c", "b"}));

  Select(shown, {0, 3});
  QTest::keyClick(shown, Qt::Key_Delete);
  EXPECT_EQ(Texts(shown), (Entries{"a", "c"}));
  Select(shown, {1});
  QTest::mouseClick(Find<QToolButton>("btDel"), Qt::LeftButton);
  EXPECT_EQ(Texts(shown), (Entries{"a"}));
}

TEST_F(WindowPropertyTest, ProtocolSwitchChangesTheVisibleLinkFieldsAndTheirContents) {
  EXPECT_TRUE(Shown("ComPort"));
  EXPECT_TRUE(Shown("cbBPS"));
  EXPECT_TRUE(Shown("lbMs"));
  EXPECT_FALSE(Shown("edPort"));
  EXPECT_EQ(Find<QComboBox>("ComPort")->currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(Find<QComboBox>("cbBPS")->currentText(), QStringLiteral("9600"));
  EXPECT_EQ(Edit("AddrEd")->text(), QStringLiteral("7"));
  EXPECT_EQ(Edit("FrameEndEd")->text(), QStringLiteral("8"));
  EXPECT_EQ(Edit("AddrEd")->width(), 41);

  ChooseBus("MODBUS TCP");
  EXPECT_FALSE(Shown("ComPort"));
  EXPECT_FALSE(Shown("cbBPS"));
  EXPECT_FALSE(Shown("lbBPS"));
  EXPECT_FALSE(Shown("lbMs"));
  EXPECT_TRUE(Shown("edPort"));
  EXPECT_EQ(Find<QLabel>("lbAddr")->text(), QStringLiteral("IP"));
  EXPECT_EQ(Find<QLabel>("lbFrameEnd")->text(), QStringLiteral("Адрес"));
  EXPECT_EQ(Edit("AddrEd")->text(), QStringLiteral("10.0.0.5"));
  EXPECT_EQ(Edit("edPort")->text(), QStringLiteral("5020"));
  EXPECT_EQ(Edit("FrameEndEd")->text(), QStringLiteral("7"));
  EXPECT_EQ(Edit("AddrEd")->width(), 90);

  ChooseBus("MODBUS RTU");
  EXPECT_TRUE(Shown("ComPort"));
  EXPECT_FALSE(Shown("edPort"));
  EXPECT_EQ(Find<QLabel>("lbAddr")->text(), QStringLiteral("Addr"));
  EXPECT_EQ(Find<QLabel>("lbFrameEnd")->text(), QStringLiteral("Пауза"));
  EXPECT_EQ(Edit("FrameEndEd")->text(), QStringLiteral("8"));
}

TEST_F(WindowPropertyTest, SerialNumbersOutOfRangeKeepTheDialogOpenWithFocusOnTheField) {
  Edit("FrameEndEd")->setText(QStringLiteral("3001"));
  Edit("AddrEd")->setText(QStringLiteral("256"));
  Apply();
  EXPECT_EQ(LastWarning(), "Введите целое число в\nинтервале 0...3000 !");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.focusWidget(), Edit("FrameEndEd"));

  Edit("FrameEndEd")->setText(QStringLiteral("3000"));
  Apply();
  EXPECT_EQ(LastWarning(), "Введите целое число в\nинтервале 0...255 !");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.focusWidget(), Edit("AddrEd"));
  EXPECT_EQ(property.FrameEnd, "8");
  EXPECT_EQ(property.SlaveAddr, "7");

  Edit("AddrEd")->setText(QStringLiteral("255"));
  auto* port = Find<QComboBox>("ComPort");
  port->setEditText(QStringLiteral("SIM1"));
  Apply();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(property.FrameEnd, "3000");
  EXPECT_EQ(property.SlaveAddr, "255");
  EXPECT_EQ(property.PortName, "SIM1");
  EXPECT_EQ(property.Baud, "9600");
  EXPECT_EQ(prompt.warnings.size(), 2u);
}

TEST_F(WindowPropertyTest, BothTcpProtocolsTakeTheTcpFieldsAndAcceptAnyLinkText) {
  for (const char* protocol : {"MODBUS TCP", "MODBUS TCP/IP"}) {
    SCOPED_TRACE(protocol);
    dialog.Edit(property);
    dialog.show();
    ChooseBus(protocol);
    EXPECT_FALSE(Shown("ComPort"));
    EXPECT_TRUE(Shown("edPort"));
    Edit("AddrEd")->setText(QStringLiteral("контроллер"));
    Edit("FrameEndEd")->setText(QStringLiteral("9999"));
    Edit("edPort")->setText(QStringLiteral("порт"));
    auto* area = Find<QComboBox>("MemSelect");
    area->setCurrentIndex(area->findText(QStringLiteral("XRAM")));
    Apply();
    EXPECT_TRUE(prompt.warnings.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(property.Protocol, protocol);
    EXPECT_EQ(property.IPAddress, "контроллер");
    EXPECT_EQ(property.SlaveAddr, "9999");
    EXPECT_EQ(property.IPPort, "порт");
    EXPECT_EQ(property.MemArea, "XRAM");
    EXPECT_EQ(property.FrameEnd, "8");
  }
}

TEST_F(WindowPropertyTest, MissingFilesAreRefusedWithFocusOnTheirPath) {
  Edit("WinPath")->setText(QString::fromStdString(paths.scopeWindow + "none.scp"));
  Apply();
  EXPECT_EQ(LastWarning(), "Фаил " + paths.scopeWindow + "none.scp\nне существует !");
  EXPECT_EQ(dialog.focusWidget(), Edit("WinPath"));
  EXPECT_TRUE(prompt.questions.empty());

  Edit("WinPath")->setText(QString::fromStdString(scopePath));
  Edit("DevPath")->setText(QString::fromStdString(paths.devices + "none.ini"));
  Apply();
  EXPECT_EQ(LastWarning(), "Фаил " + paths.devices + "none.ini\nне существует !");
  EXPECT_EQ(dialog.focusWidget(), Edit("DevPath"));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(property.DevicePath, devicePath);
}

TEST_F(WindowPropertyTest, NewWindowAsksToCreateTheFileAndNoAppliesNothing) {
  const std::string fresh = paths.scopeWindow + "fresh";
  dialog.SetNewWindow(true);
  Edit("WinPath")->setText(QString::fromStdString(fresh));
  Edit("AddrEd")->setText(QStringLiteral("12"));
  prompt.answer = false;
  Apply();
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0].second, "Фаил " + fresh + " не существует !\nсоздать новый?");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(FileExists(fresh + ".scp"));
  EXPECT_EQ(property.FilePath, scopePath);
  EXPECT_EQ(property.SlaveAddr, "7");
  EXPECT_TRUE(dialog.NewWindow());

  dialog.show();
  prompt.answer = true;
  Apply();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(property.FilePath, fresh + ".scp");
  EXPECT_EQ(ReadProfileString(fresh + ".scp", "default", "devicepath", "<missing>"), devicePath);
  EXPECT_EQ(property.SlaveAddr, "12");
  EXPECT_FALSE(dialog.NewWindow());
}

TEST_F(WindowPropertyTest, EscapeCancelsAndEnterApplies) {
  Edit("AddrEd")->setText(QStringLiteral("99"));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(property.SlaveAddr, "7");

  dialog.show();
  QTest::keyClick(Edit("AddrEd"), Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(property.SlaveAddr, "99");
}

TEST_F(WindowPropertyTest, PortListIsAskedForEachTimeItOpensAndKeepsTheTypedName) {
  int asked = 0;
  dialog.ListComPorts = [&asked] {
    ++asked;
    return std::string("SIM1/COM5/");
  };
  auto* port = Find<QComboBox>("ComPort");
  port->showPopup();
  port->hidePopup();
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(port->count(), 2);
  EXPECT_EQ(port->itemText(0), QStringLiteral("SIM1"));
  EXPECT_EQ(port->itemText(1), QStringLiteral("COM5"));
  EXPECT_EQ(port->currentText(), QStringLiteral("COM3"));
}

TEST_F(WindowPropertyTest, ChoosingANewScopeFileCreatesItAsAFreshWindow) {
  const std::string fresh = paths.scopeWindow + "new.scp";
  Find<QComboBox>("MemSelect")->setCurrentIndex(2);
  dialog.WinPathChosen(fresh);
  EXPECT_EQ(Edit("WinPath")->text().toStdString(), fresh);
  EXPECT_EQ(ReadProfileString(fresh, "default", "port", ""), "1/COM2/115200/8/QuBUS/RAM/");
  EXPECT_EQ(Find<QComboBox>("MemSelect")->currentText(), QStringLiteral("RAM"));
  EXPECT_EQ(Find<QComboBox>("ComPort")->currentText(), QStringLiteral("COM2"));
}

TEST_F(WindowPropertyTest, OpenWinFileShowsTheFilesKeysBuildsTheVariablesTheDeviceHasAndAsksForAMissingDevice) {
  const std::string path = paths.scopeWindow + "w2.scp";
  WriteWindowsFile("ScopeWindow/w2.scp", "[default]\ndevicepath=" + devicePath +
                                             "\nport=3/COM1/9600/6/MODBUS RTU/RAM/\n"
                                             "[viewlist]\np3=0,5/20/\nzz=1/16/\np1=1/16/\n");
  TViewList loaded;
  TBaseProperty window;
  window.Vars = &loaded;
  window.Image = image;
  dialog.PointAt(window);
  ASSERT_TRUE(dialog.OpenWinFile(path));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("w2.scp"));
  EXPECT_EQ(window.Protocol, "MODBUS RTU");
  EXPECT_EQ(window.IPAddress, "192.168.1.3");
  EXPECT_EQ(dialog.ShownEntries(), (Entries{"p3 ", "zz ", "p1 "}));
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded[0].Definition().Key, "p3");
  EXPECT_EQ(loaded[0].RowHeight, 20);
  EXPECT_EQ(loaded[1].Definition().Key, "p1");
  EXPECT_TRUE(prompt.warnings.empty());

  WriteWindowsFile("ScopeWindow/bad.scp", "[other]\nx=1\n");
  EXPECT_FALSE(dialog.OpenWinFile(paths.scopeWindow + "bad.scp"));
  EXPECT_EQ(LastWarning(), "Фаил " + paths.scopeWindow + "bad.scp\nне найден, или имеет другой формат !");
  EXPECT_EQ(loaded.Count(), 0);

  // A device file that is gone: asked whether to look for it; "no" builds nothing.
  WriteWindowsFile("ScopeWindow/w3.scp", "[default]\ndevicepath=/elsewhere/x/501.ini\n[viewlist]\np1=1/16/\n");
  prompt.answer = false;
  ASSERT_TRUE(prompt.questions.empty());
  ASSERT_TRUE(dialog.OpenWinFile(paths.scopeWindow + "w3.scp"));
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0].first, "Файл не найден !");
  EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(WindowPropertyTest, RendersWithoutCutTexts) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  for (const char* name : {"lbBus", "lbPort", "lbAddr", "lbBPS", "lbFrameEnd", "lbMs", "lbMemSelect"}) {
    auto* label = Find<QLabel>(name);
    EXPECT_GE(label->width(), label->sizeHint().width()) << name;
  }
  for (const char* name : {"btApplay", "btVariables", "btSetWinPath"}) {
    auto* button = Find<QPushButton>(name);
    EXPECT_GE(button->width(), button->sizeHint().width()) << name;
  }
  dialog.grab().save(QStringLiteral(QUILLON_BINARY_DIR "/window_property.png"));
  ChooseBus("MODBUS TCP");
  // The wider IP field must push the fields after it, not run under them.
  const auto left = [this](const char* name) { return Find<QWidget>(name)->mapTo(&dialog, QPoint(0, 0)).x(); };
  EXPECT_TRUE(WaitUntil([&] {
    return left("AddrEd") + Edit("AddrEd")->width() < left("lbIPPort") &&
           left("edPort") + Edit("edPort")->width() < left("lbFrameEnd");
  }));
  EXPECT_GE(Find<QLabel>("lbFrameEnd")->width(), Find<QLabel>("lbFrameEnd")->sizeHint().width());
  dialog.grab().save(QStringLiteral(QUILLON_BINARY_DIR "/window_property_tcp.png"));
}

}  // namespace
}  // namespace quillon::testing
