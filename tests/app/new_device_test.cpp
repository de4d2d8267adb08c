// The database maintenance the main window starts: a controller the database does not know gets
// its device file from a template and is read at once, a firmware change refreshes the file,
// a path-less node under "New" opens the dialog again, and the clone dialog copies another
// device's parameters into the open one.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <memory>

#include "app/maintenance/clone_form.h"
#include "app/maintenance/new_device_dialog.h"
#include "app/widgets/template_combo_box.h"
#include "device_link_fixture.h"
#include "modal_dialog.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"

namespace quillon::testing {
namespace {

constexpr const char* kUnknownId = "777 QT v2.1 2024-01-10";

// Rejects every dialog of type Dialog that comes up while it lives, and counts them: a dialog
// that must not come up fails the test instead of waiting for the engineer for ever.
template <typename Dialog>
class DialogCatcher : public QObject {
 public:
  DialogCatcher() {
    connect(&timer_, &QTimer::timeout, this, [this] {
      if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
        ++caught;
        dialog->reject();
      }
    });
    timer_.start(10);
  }
  int caught = 0;

 private:
  QTimer timer_;
};

// Clicks the row of a table as the engineer does.
void ClickRow(TTablePanel01& table, int row) {
  QRect rect;
  ASSERT_TRUE(table.CellRect(*table.LeafColumns().front()->Cell(row), rect));
  QTest::mouseClick(&table, Qt::LeftButton, {}, rect.center());
}

class MaintenanceTest : public DeviceLinkTest {
 protected:
  // The device lives in the group directory of its kind, as the program files it.
  void SetUp() override { WriteDevices("QT2"); }

  // A template: the device file with another identity and the given Inom base value.
  void AddTemplate(const std::string& name, const std::string& inom) {
    std::string text = DeviceText(inom, "x0032");
    text.replace(text.find(kDeviceId), std::string(kDeviceId).size(), "TEMPLATE");
    WriteWindowsFile("DeviceTemplate/" + name, text);
  }

  QTreeWidgetItem* NewGroup() {
    auto* tree = Child<CatalogueTree>(*window, "tv");
    const auto found = tree->findItems(QStringLiteral("New"), Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
  }
};

TEST_F(MaintenanceTest, UnknownControllerGetsItsFileFromThePreselectedTemplateAndIsRead) {
  AddTemplate("QT.2_0", "x0001");
  AddTemplate("QT.2_1", "x03E8");
  AddTemplate("QT.2_2", "x0002");
  StartAll({QStringLiteral("--id"), QString::fromLatin1(kUnknownId)});
  UseSerial("QuBUS");

  QString tag;
  bool warningShown = true;
  std::unique_ptr<DialogCatcher<TNewDevice>> again;
  const auto added = WhenModal<TNewDevice>([&](TNewDevice& dialog) {
    warningShown = Child<QLabel>(dialog, "pnWarning")->isVisible();
    EXPECT_EQ(Child<QLineEdit>(dialog, "edID")->text(), QString::fromLatin1(kUnknownId));
    EXPECT_EQ(Child<QLineEdit>(dialog, "edType")->text(), QStringLiteral("QT"));
    EXPECT_EQ(Child<QLabel>(dialog, "lbFV")->text(), QStringLiteral("Версия прошивки:   1"));
    auto* templates = Child<TemplateComboBox>(dialog, "cbTemplate");
    tag = templates->Tag(templates->currentIndex());
    Child<QLineEdit>(dialog, "edMech")->setText(QStringLiteral("Питатель"));
    Child<QLineEdit>(dialog, "edLocation")->setText(QStringLiteral("Цех 5"));
    QTest::mouseClick(Child<QPushButton>(dialog, "btAddDeviceToBase"), Qt::LeftButton);
    again = std::make_unique<DialogCatcher<TNewDevice>>();
  });
  ConnectAndRead();

  ASSERT_TRUE(*added);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->caught, 0) << "the dialog comes up once";
  EXPECT_FALSE(warningShown);
  EXPECT_EQ(tag, QStringLiteral("v2.1"));
  const std::string created = paths.devices + "QT2/777.ini";
  EXPECT_EQ(window->OpenDevicePath(), created);
  const IniDocument file = IniDocument::Load(created);
  EXPECT_EQ(file.Value("DEVICE", "ID", ""), kUnknownId);
  EXPECT_EQ(file.Value("DEVICE", "Description", ""), "Питатель");
  EXPECT_EQ(file.Value("DEVICE", "Location", ""), "Цех 5");
  EXPECT_EQ(Child<QLineEdit>(*window, "edIDString")->text(), QString::fromLatin1(kUnknownId));
  EXPECT_EQ(Text(0, kBaseHexKind), "x03E8") << "the base comes from the chosen template";
  EXPECT_EQ(Text(0, kControllerHexKind), "x07D0");
  EXPECT_EQ(NewGroup(), nullptr) << "the node and its group are gone";
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
}

TEST_F(MaintenanceTest, CancelledDialogLeavesTheControllerUnderNewWhoseNodeOpensTheDialogAgain) {
  AddTemplate("QT.2_1", "x03E8");
  StartAll({QStringLiteral("--id"), QString::fromLatin1(kUnknownId)});
  UseSerial("MODBUS RTU");
  OpenDeviceInTree();

  std::unique_ptr<DialogCatcher<TNewDevice>> again;
  const auto cancelled = WhenModal<TNewDevice>([&](TNewDevice& dialog) {
    QTest::mouseClick(Child<QPushButton>(dialog, "btCancel"), Qt::LeftButton);
    again = std::make_unique<DialogCatcher<TNewDevice>>();
  });
  QTest::mouseClick(Child<QPushButton>(*window, "btConnect"), Qt::LeftButton);
  ASSERT_TRUE(Idle());
  ASSERT_TRUE(*cancelled);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->caught, 0) << "the repeated continuation does not ask again";
  again.reset();
  EXPECT_TRUE(window->OpenDevicePath().empty()) << "the open device was closed for the unknown one";
  EXPECT_FALSE(window->Parameters().HasBeenRead());
  ASSERT_NE(NewGroup(), nullptr);
  ASSERT_EQ(NewGroup()->childCount(), 1);
  QTreeWidgetItem* node = NewGroup()->child(0);
  EXPECT_EQ(node->text(0), QString::fromLatin1(kUnknownId));
  EXPECT_EQ(Child<CatalogueTree>(*window, "tv")->currentItem(), node) << "selected under New";
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  // Nothing of the closed device stays on show as if it were this controller's.
  EXPECT_EQ(window->Parameters().List().Count(), 0);
  for (const char* field : {"edIDString", "edMechunit", "edGeography"}) {
    EXPECT_EQ(Child<QLineEdit>(*window, field)->text(), QString()) << field;
  }
  EXPECT_EQ(Child<QLabel>(*window, "stLastDate")->text(), QString());
  auto* status = Child<QLabel>(*window, "stStatus");
  EXPECT_EQ(status->text(), QStringLiteral("Устройство не найдено в базе"));
  EXPECT_TRUE(status->toolTip().contains(QString::fromLatin1(kUnknownId)));
  EXPECT_FALSE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());

  // Clicking the node offers the dialog again; this time the device is added.
  const auto added = WhenModal<TNewDevice>(
      [](TNewDevice& dialog) { QTest::mouseClick(Child<QPushButton>(dialog, "btAddDeviceToBase"), Qt::LeftButton); });
  ClickNode(Child<CatalogueTree>(*window, "tv"), node);
  ASSERT_TRUE(WaitUntil([&] { return *added; }));
  ASSERT_TRUE(WaitUntil([&] { return NewGroup() == nullptr; }));
  const std::string created = paths.devices + "QT2/777.ini";
  EXPECT_TRUE(FileExists(created));
  EXPECT_NE(Child<CatalogueTree>(*window, "tv")->FindByPath(created), nullptr);
}

TEST_F(MaintenanceTest, FirmwareChangeOpensTheUpdateDialogWhichRefreshesTheFileAfterABackup) {
  AddTemplate("QT.2_2", "x0005");
  const std::string before = FileBytes(devicePath);
  StartAll({QStringLiteral("--id"), QStringLiteral("501 QT v2.2 2024-01-10")});
  UseSerial("QuBUS");

  bool warningShown = false;
  QString mechanism;
  QString location;
  const auto updated = WhenModal<TNewDevice>([&](TNewDevice& dialog) {
    warningShown = Child<QLabel>(dialog, "pnWarning")->isVisible();
    mechanism = Child<QLineEdit>(dialog, "edMech")->text();
    location = Child<QLineEdit>(dialog, "edLocation")->text();
    QTest::mouseClick(Child<QPushButton>(dialog, "btAddDeviceToBase"), Qt::LeftButton);
  });
  ConnectAndRead();

  ASSERT_TRUE(*updated);
  EXPECT_TRUE(warningShown);
  EXPECT_EQ(mechanism, QStringLiteral("Тестовый привод"));
  EXPECT_EQ(location, QStringLiteral("Стенд"));
  EXPECT_EQ(window->OpenDevicePath(), devicePath);
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "ID"), "501 QT v2.2 2024-01-10");
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "Description"), "Тестовый привод");
  EXPECT_EQ(FileBytes(paths.BackUp() + "QT2_501.ini"), before);
  EXPECT_EQ(Text(0, kBaseHexKind), "x0005") << "the base of the new firmware's template";
  EXPECT_EQ(Text(0, kControllerHexKind), "x07D0");
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  EXPECT_TRUE(Child<QLabel>(*window, "stStatus")->text().isEmpty());
}

TEST_F(MaintenanceTest, CloneButtonCopiesAnotherDevicesParametersIntoTheOpenDevice) {
  std::string other = DeviceText("x0123", "x0032");
  other.replace(other.find(kDeviceId), std::string(kDeviceId).size(), "502 QT v2.1 2024-01-10");
  other.replace(other.find("Тестовый привод"), std::string("Тестовый привод").size(), "Резервный привод");
  other.replace(other.find("Стенд"), std::string("Стенд").size(), "Склад");
  WriteWindowsFile("Devices/QT2/502.ini", other);
  window = StartWithCatalogue();
  auto* clone = Child<QPushButton>(*window, "btCreateClone");
  EXPECT_FALSE(clone->isEnabled());
  OpenDeviceInTree();
  ASSERT_TRUE(clone->isEnabled());

  QString info;
  QString type;
  bool onTop = false;
  const auto applied = WhenModal<TCloneForm>([&](TCloneForm& dialog) {
    info = Child<QPlainTextEdit>(dialog, "meDevInfo")->toPlainText();
    type = Child<QComboBox>(dialog, "cbDeviceType")->currentText();
    onTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    auto* apply = Child<QPushButton>(dialog, "btApplay");
    EXPECT_FALSE(apply->isEnabled()) << "no source chosen yet";
    ClickRow(*dialog.Table(), 0);
    EXPECT_EQ(dialog.SourcePath(), paths.devices + "QT2/502.ini");
    Child<QCheckBox>(dialog, "chbLocation")->setChecked(true);
    QTest::mouseClick(apply, Qt::LeftButton);
  });
  QTest::mouseClick(clone, Qt::LeftButton);

  ASSERT_TRUE(*applied);
  EXPECT_TRUE(onTop);
  EXPECT_TRUE(info.endsWith(QStringLiteral("Файл: ") + QString::fromStdString(devicePath)));
  EXPECT_EQ(type, QStringLiteral("QT2"));

  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "ID"), kDeviceId);
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "Location"), "Склад");
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "Description"), "Тестовый привод");
  EXPECT_TRUE(FileExists(paths.BackUp() + "QT2_501.ini"));
  // The open device was read again from its new content.
  EXPECT_EQ(window->OpenDevicePath(), devicePath);
  EXPECT_EQ(Text(0, kBaseHexKind), "x0123");
  EXPECT_EQ(Child<QLineEdit>(*window, "edGeography")->text(), QStringLiteral("Склад"));
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
}

// A controller new to the database whose serial number names another device's file in the
// chosen group: the engineer is asked, with both identities, and "No" (the default) keeps it.
TEST_F(MaintenanceTest, ACloneOntoAnotherDevicesFileAsksWithBothIdentitiesAndNoKeepsIt) {
  std::string stranger = DeviceText("x0999", "x0032");
  stranger.replace(stranger.find(kDeviceId), std::string(kDeviceId).size(), "777 QQ v9.9 2024-05-05");
  WriteWindowsFile("Devices/QT2/777.ini", stranger);
  const std::string strangerPath = paths.devices + "QT2/777.ini";
  const std::string before = FileBytes(strangerPath);
  const auto cloneFrom = [&](bool answer) {
    prompt.answer = answer;
    TCloneForm form(paths, nullptr);
    const auto driven = WhenModal<TCloneForm>([&](TCloneForm& dialog) {
      for (int row = 0; dialog.SourcePath() != devicePath && row < 2; ++row) ClickRow(*dialog.Table(), row);
      ASSERT_EQ(dialog.SourcePath(), devicePath);
      QTest::mouseClick(Child<QPushButton>(dialog, "btApplay"), Qt::LeftButton);
      if (dialog.isVisible()) dialog.reject();
    });
    const bool applied =
        form.Execute(CloneTargetOfNewDevice("777 QT v2.1 2024-01-10", "", "", "", EncodeDateTime({2024, 5, 6})));
    EXPECT_TRUE(*driven);
    return applied;
  };

  EXPECT_FALSE(cloneFrom(false));
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_NE(prompt.questions[0].second.find("777 QQ v9.9 2024-05-05"), std::string::npos);
  EXPECT_NE(prompt.questions[0].second.find("777 QT v2.1 2024-01-10"), std::string::npos);
  EXPECT_EQ(FileBytes(strangerPath), before);
  EXPECT_FALSE(DirectoryExists(paths.BackUp()));

  EXPECT_TRUE(cloneFrom(true));
  EXPECT_EQ(ReadProfileString(strangerPath, "DEVICE", "ID"), "777 QT v2.1 2024-01-10");
  EXPECT_EQ(FileBytes(paths.BackUp() + "QQ9_777.ini"), before);
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
}

}  // namespace
}  // namespace quillon::testing
