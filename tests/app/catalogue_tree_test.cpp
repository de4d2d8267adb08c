// The catalogue tree in the main window: opening a device, the display variants, refreshing,
// the red backup copies and deleting.
#include "app/main/catalogue_tree.h"

#include <QAction>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/widgets/palette_colours.h"
#include "app_fixture.h"

namespace quillon::testing {
namespace {

class CatalogueTreeTest : public AppTest {
 protected:
  void SetUp() override {
    pump =
        AddDevice("TK3", "123.ini", "123 TK v3.12 2010-05-01 запасной блок", "Насос", "Цех №1", "01.02.2024 10:00:00");
    fan = AddDevice("TK3", "124.ini", "124 TK v3.12 2010-05-01", "Вентилятор", "Цех №1", "02.02.2024");
    backup = AddDevice("BackUp", "TK3_125.ini", "125 TK v3.12 2010-05-01", "Дымосос", "Котельная", "03.02.2024");
    window = StartWithCatalogue();
    tree = Child<CatalogueTree>(*window, "tv");
  }

  QString Field(const char* name) {
    if (auto* label = window->findChild<QLabel*>(QLatin1String(name))) return label->text();
    return Child<QLineEdit>(*window, name)->text();
  }
  void Trigger(const char* action) { Child<QAction>(*window, action)->trigger(); }

  std::string pump, fan, backup;
  std::unique_ptr<Tmain> window;
  CatalogueTree* tree = nullptr;
};

TEST_F(CatalogueTreeTest, ChoosingADeviceShowsItsIdentityAGroupClosesItAndTheVariantIsStored) {
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  ASSERT_NE(tree->FindByPath(pump), nullptr);
  ClickNode(tree, tree->FindByPath(pump));
  EXPECT_EQ(window->OpenDevicePath(), pump);
  EXPECT_EQ(Field("edIDString"), QStringLiteral("123 TK v3.12 2010-05-01 запасной блок"));
  EXPECT_EQ(Field("edMechunit"), QStringLiteral("Насос"));
  EXPECT_EQ(Field("edGeography"), QStringLiteral("Цех №1"));
  EXPECT_EQ(Field("stLastDate"), QStringLiteral("01.02.2024 10:00:00"));
  ClickNode(tree, tree->FindByPath(fan));
  EXPECT_EQ(Field("edMechunit"), QStringLiteral("Вентилятор"));
  EXPECT_EQ(Field("stLastDate"), QStringLiteral("02.02.2024"));

  Trigger("mnSort1");
  QTreeWidgetItem* group = NodeStartingWith(tree, QStringLiteral("Цех"));
  ASSERT_NE(group, nullptr);
  ClickNode(tree, group);
  EXPECT_EQ(window->OpenDevicePath(), "");
  EXPECT_EQ(Field("edIDString"), QString());
  EXPECT_EQ(Field("stLastDate"), QString());
  window->close();
  EXPECT_EQ(Setting("SortType"), "1");
}

TEST_F(CatalogueTreeTest, BackupCopiesAreDrawnInRedInEveryVariant) {
  for (const char* variant : {"mnSort0", "mnSort1", "mnSort2", "mnSort3", "mnSort4"}) {
    Trigger(variant);
    QTreeWidgetItem* copy = tree->FindByPath(backup);
    QTreeWidgetItem* own = tree->FindByPath(pump);
    ASSERT_TRUE(copy != nullptr && own != nullptr) << variant;
    const QColor red = copy->foreground(0).color();
    EXPECT_TRUE(red.red() > 200 && red.green() < 60 && red.blue() < 60) << variant;
    EXPECT_GE(ContrastRatio(red, tree->palette().color(QPalette::Base)), kTextContrast) << variant;
    EXPECT_NE(own->foreground(0).color(), red) << variant;
  }
}

TEST_F(CatalogueTreeTest, RefreshShowsFilesChangedOnDiskAndKeepsTheOpenDeviceWhoseDateTodaySets) {
  ClickNode(tree, tree->FindByPath(fan));
  const std::string added = AddDevice("MB1", "7.ini", "7 MB v1.0 2020-01-01", "Дробилка", "Карьер", "04.02.2024");
  Trigger("mnRefresh");
  EXPECT_EQ(tree->topLevelItemCount(), 4);
  EXPECT_EQ(window->OpenDevicePath(), fan);
  EXPECT_EQ(CatalogueTree::NodePath(tree->currentItem()), fan) << "the open device stays selected";
  ASSERT_TRUE(RemoveFile(added));
  QTest::mouseClick(Child<QToolButton>(*window, "btRefresh"), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(tree->topLevelItemCount(), 3);

  // "Today" puts the date alone into the last-save field and leaves the device to be saved.
  QTest::mouseClick(Child<QPushButton>(*window, "btNow"), Qt::LeftButton);
  EXPECT_EQ(Field("stLastDate"), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
  EXPECT_TRUE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());
}

TEST_F(CatalogueTreeTest, DeletingAsksFirstAndRemovesOnlyTheOpenDevicesFile) {
  prompt.answer = true;
  Trigger("mnDelete");
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0].second, "Строка не связана ни с одним из устройств\r\nУдалить её?");
  EXPECT_TRUE(FileExists(pump) && FileExists(fan) && FileExists(backup));
  EXPECT_EQ(tree->topLevelItemCount(), 3);

  ClickNode(tree, tree->FindByPath(fan));
  prompt.answer = false;
  Trigger("mnDelete");
  EXPECT_EQ(prompt.questions.back(),
            std::make_pair(std::string("Удаление устройства из базы"),
                           "удалить устройство?\r\n\r\nID:124 TK v3.12 2010-05-01\r\nПуть:" + fan));
  EXPECT_TRUE(FileExists(fan));
  prompt.answer = true;
  Trigger("mnDelete");
  EXPECT_FALSE(FileExists(fan));
  EXPECT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->FindByPath(fan), nullptr);
  EXPECT_EQ(window->OpenDevicePath(), "") << "a deleted device cannot stay open";
  EXPECT_EQ(Field("edIDString"), QString());
  EXPECT_TRUE(FileExists(pump));
}

TEST_F(CatalogueTreeTest, AGroupFolderNamedInWindows1251OpensAndDeletes) {
  // "Цех" as an archive packed on Windows leaves it: not UTF-8.
  const std::string odd =
      AddDevice("\xD6\xE5\xF5", "9.ini", "9 TK v3.12 2010-05-01", "Мельница", "Цех №2", "05.02.2024");
  Trigger("mnRefresh");
  QTreeWidgetItem* node = tree->FindByPath(odd);
  ASSERT_NE(node, nullptr);
  EXPECT_TRUE(node->toolTip(0).contains(QStringLiteral("/Devices/Цех/9.ini"))) << node->toolTip(0).toStdString();
  ClickNode(tree, node);
  EXPECT_EQ(window->OpenDevicePath(), odd);
  EXPECT_EQ(Field("edMechunit"), QStringLiteral("Мельница"));
  EXPECT_EQ(Field("stLastDate"), QStringLiteral("05.02.2024"));

  prompt.answer = true;
  Trigger("mnDelete");
  ASSERT_FALSE(prompt.questions.empty());
  EXPECT_NE(prompt.questions.back().second.find("Путь:" + dir.Path() + "Devices/Цех/9.ini"), std::string::npos);
  EXPECT_FALSE(FileExists(odd));
  EXPECT_EQ(tree->FindByPath(odd), nullptr);
}

}  // namespace
}  // namespace quillon::testing
