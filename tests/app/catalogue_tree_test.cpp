// The catalogue tree in the main window: opening a device, the display variants, refreshing,
// the red backup copies and the popup menu.
#include <QAction>
#include <QBrush>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QUrl>

#include "app_fixture.h"
#include "main/catalogue_tree.h"

namespace quillon::testing {
namespace {

// Records what the window hands to the desktop instead of starting an editor or a file manager.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

  Q_INVOKABLE void Open(const QUrl& url) { urls.append(url); }

  QList<QUrl> urls;
};

class CatalogueTreeTest : public AppTest {
 protected:
  void SetUp() override {
    pump = AddDevice("TK3", "123.ini", "123 TK v3.12 2010-05-01 запасной блок", "Насос", "Цех №1",
                     "01.02.2024 10:00:00");
    fan = AddDevice("TK3", "124.ini", "124 TK v3.12 2010-05-01", "Вентилятор", "Цех №1", "02.02.2024");
    backup = AddDevice("BackUp", "TK3_125.ini", "125 TK v3.12 2010-05-01", "Дымосос", "Котельная", "03.02.2024");
  }

  QString Field(const Tmain& window, const char* name) {
    if (auto* label = window.findChild<QLabel*>(QLatin1String(name))) return label->text();
    return Child<QLineEdit>(window, name)->text();
  }

  void Trigger(const Tmain& window, const char* action) { Child<QAction>(window, action)->trigger(); }

  std::string pump, fan, backup;
};

TEST_F(CatalogueTreeTest, ChoosingADeviceShowsItsIdentityWithRussianTextIntact) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  QTreeWidgetItem* node = tree->FindByPath(pump);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->text(0), QStringLiteral("123 TK v3.12 2010-05-01 запасной блок Насос Цех №1 01.02.2024 10:00:00"));

  ClickNode(tree, node);
  EXPECT_EQ(window->OpenDevicePath(), pump);
  EXPECT_EQ(Field(*window, "edIDString"), QStringLiteral("123 TK v3.12 2010-05-01 запасной блок"));
  EXPECT_EQ(Field(*window, "edMechunit"), QStringLiteral("Насос"));
  EXPECT_EQ(Field(*window, "edGeography"), QStringLiteral("Цех №1"));
  EXPECT_EQ(Field(*window, "stLastDate"), QStringLiteral("01.02.2024 10:00:00"));
  EXPECT_TRUE(Child<QLineEdit>(*window, "edIDString")->isReadOnly());

  // Another device replaces every field.
  ClickNode(tree, tree->FindByPath(fan));
  EXPECT_EQ(window->OpenDevicePath(), fan);
  EXPECT_EQ(Field(*window, "edMechunit"), QStringLiteral("Вентилятор"));
  EXPECT_EQ(Field(*window, "stLastDate"), QStringLiteral("02.02.2024"));
}

TEST_F(CatalogueTreeTest, ChoosingAGroupClosesTheDevice) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  ClickNode(tree, tree->FindByPath(pump));
  Trigger(*window, "mnSort1");
  QTreeWidgetItem* group = NodeStartingWith(tree, QStringLiteral("Цех"));
  ASSERT_NE(group, nullptr);
  ClickNode(tree, group);
  EXPECT_EQ(window->OpenDevicePath(), "");
  EXPECT_EQ(Field(*window, "edIDString"), QString());
  EXPECT_EQ(Field(*window, "edMechunit"), QString());
  EXPECT_EQ(Field(*window, "stLastDate"), QString());
}

TEST_F(CatalogueTreeTest, BackupCopiesAreDrawnInRedInEveryVariant) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  for (const char* variant : {"mnSort0", "mnSort1", "mnSort2", "mnSort3", "mnSort4"}) {
    Trigger(*window, variant);
    QTreeWidgetItem* copy = tree->FindByPath(backup);
    ASSERT_NE(copy, nullptr) << variant;
    EXPECT_EQ(copy->foreground(0).color(), QColor(255, 0, 0)) << variant;
    EXPECT_TRUE(CatalogueTree::IsBackupNode(copy));
    QTreeWidgetItem* own = tree->FindByPath(pump);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own->foreground(0).color(), QColor(255, 0, 0)) << variant;
  }
}

TEST_F(CatalogueTreeTest, VariantMenuRefillsTheTreeAndTheChoiceIsStoredAtExit) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  auto* menu = Child<QMenu>(*window, "pmRefreshSort");
  EXPECT_EQ(Child<QToolButton>(*window, "btRefresh")->menu(), menu);

  Trigger(*window, "mnSort3");
  EXPECT_EQ(window->SortType(), 3);
  EXPECT_TRUE(Child<QAction>(*window, "mnSort3")->isChecked());
  EXPECT_FALSE(Child<QAction>(*window, "mnSort0")->isChecked());
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->FindByPath(fan)->text(0), QStringLiteral("02.02.2024 124 TK v3.12 2010-05-01 Вентилятор Цех №1"));

  Trigger(*window, "mnSort4");
  ASSERT_EQ(tree->topLevelItemCount(), 1) << "all three devices are of type TK3";
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("TK3"));
  EXPECT_EQ(tree->topLevelItem(0)->childCount(), 3);

  window->close();
  EXPECT_EQ(Setting("SortType"), "4");
}

TEST_F(CatalogueTreeTest, RefreshShowsFilesChangedOnDiskAndKeepsTheOpenDevice) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  ClickNode(tree, tree->FindByPath(fan));
  const std::string added = AddDevice("MB1", "7.ini", "7 MB v1.0 2020-01-01", "Дробилка", "Карьер", "04.02.2024");

  Trigger(*window, "mnRefresh");
  EXPECT_EQ(tree->topLevelItemCount(), 4);
  EXPECT_NE(tree->FindByPath(added), nullptr);
  EXPECT_EQ(window->OpenDevicePath(), fan);
  EXPECT_EQ(Field(*window, "edMechunit"), QStringLiteral("Вентилятор"));
  EXPECT_EQ(CatalogueTree::NodePath(tree->currentItem()), fan) << "the open device stays selected";

  ASSERT_TRUE(RemoveFile(added));
  QTest::mouseClick(Child<QToolButton>(*window, "btRefresh"), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(tree->topLevelItemCount(), 3);
}

TEST_F(CatalogueTreeTest, DeletingAnOpenDeviceAsksFirstAndRemovesItsFileOnYes) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  ClickNode(tree, tree->FindByPath(fan));

  prompt.answer = false;
  Trigger(*window, "mnDelete");
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0].first, "Удаление устройства из базы");
  EXPECT_EQ(prompt.questions[0].second,
            "удалить устройство?\r\n\r\nID:124 TK v3.12 2010-05-01\r\nПуть:" + fan);
  EXPECT_TRUE(FileExists(fan));
  EXPECT_EQ(tree->topLevelItemCount(), 3);

  prompt.answer = true;
  Trigger(*window, "mnDelete");
  EXPECT_FALSE(FileExists(fan));
  EXPECT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->FindByPath(fan), nullptr);
  EXPECT_EQ(window->OpenDevicePath(), "") << "a deleted device cannot stay open";
  EXPECT_EQ(Field(*window, "edIDString"), QString());
  EXPECT_TRUE(FileExists(pump));
}

TEST_F(CatalogueTreeTest, DeletingWithoutAnOpenDeviceOnlyDropsTheRow) {
  auto window = StartWithCatalogue();
  prompt.answer = true;
  Trigger(*window, "mnDelete");
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0].first, "Удаление строки");
  EXPECT_EQ(prompt.questions[0].second, "Строка не связана ни с одним из устройств\r\nУдалить её?");
  EXPECT_TRUE(FileExists(pump));
  EXPECT_TRUE(FileExists(fan));
  EXPECT_TRUE(FileExists(backup));
  EXPECT_EQ(Child<QTreeWidget>(*window, "tv")->topLevelItemCount(), 3);
}

TEST_F(CatalogueTreeTest, RightClickOpensTheNodeUnderThePointerForThePopupMenu) {
  auto window = StartWithCatalogue();
  auto* tree = Child<CatalogueTree>(*window, "tv");
  ClickNode(tree, tree->FindByPath(pump));
  QTreeWidgetItem* node = tree->FindByPath(fan);
  const QPoint position = tree->visualItemRect(node).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, position, tree->viewport()->mapToGlobal(position));
  QApplication::sendEvent(tree->viewport(), &event);
  auto* menu = Child<QMenu>(*window, "pmTV");
  EXPECT_TRUE(menu->isVisible());
  menu->close();
  EXPECT_EQ(window->OpenDevicePath(), fan);
  EXPECT_EQ(Field(*window, "edMechunit"), QStringLiteral("Вентилятор"));
  QStringList captions;
  for (QAction* action : menu->actions()) captions << action->text();
  EXPECT_EQ(captions, QStringList({QStringLiteral("Удалить"), QStringLiteral("Открыть файл для редактирования"),
                                   QStringLiteral("Открыть директорию содержащую файл")}));
}

TEST_F(CatalogueTreeTest, EditAndFolderItemsOpenTheFileAndItsDirectory) {
  UrlRecorder desktop;
  auto window = StartWithCatalogue();
  Trigger(*window, "mnEditIni");
  Trigger(*window, "mnOpenDir");
  EXPECT_TRUE(desktop.urls.isEmpty()) << "nothing is opened while no device is open";

  auto* tree = Child<CatalogueTree>(*window, "tv");
  ClickNode(tree, tree->FindByPath(backup));
  Trigger(*window, "mnEditIni");
  Trigger(*window, "mnOpenDir");
  ASSERT_EQ(desktop.urls.size(), 2);
  EXPECT_EQ(desktop.urls[0].toLocalFile().toStdString(), backup);
  EXPECT_EQ(desktop.urls[1].toLocalFile().toStdString(), paths.BackUp());
}

}  // namespace
}  // namespace quillon::testing

#include "catalogue_tree_test.moc"
