// The new-device and clone dialogs on the demo database, looked at as the engineer sees them:
// no text is cut off and every column of the device table shows its caption and texts whole.
// With QUILLON_SCREENSHOTS set to a directory their pictures are saved there.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <filesystem>

#include "app/maintenance/clone_form.h"
#include "app/maintenance/new_device_dialog.h"
#include "app/widgets/table_panel01.h"
#include "app/widgets/template_combo_box.h"
#include "app_fixture.h"
#include "modal_dialog.h"

namespace quillon::testing {
namespace {

void SaveScreenshot(QWidget& dialog, const char* name) {
  const QByteArray directory = qgetenv("QUILLON_SCREENSHOTS");
  if (directory.isEmpty()) return;
  EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(directory) + QLatin1Char('/') + QLatin1String(name), "PNG"));
}

// Labels, buttons, boxes and fields as wide as their texts need.
void ExpectTextsWhole(QWidget& dialog) {
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->wordWrap()) continue;
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << label->text().toStdString();
  }
  for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
  }
  for (QLineEdit* field : dialog.findChildren<QLineEdit*>()) {
    if (field->parent() != &dialog) continue;  // a combo box's own editor
    EXPECT_GT(field->width(), field->fontMetrics().horizontalAdvance(field->text()))
        << field->objectName().toStdString();
  }
  for (QComboBox* box : dialog.findChildren<QComboBox*>()) {
    EXPECT_GE(box->width(), box->sizeHint().width()) << box->objectName().toStdString();
  }
  for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
    EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title()) + 10)
        << group->title().toStdString();
  }
}

class MaintenanceDialogsTest : public AppTest {
 protected:
  void SetUp() override {
    const std::string demo = std::string(QUILLON_SOURCE_DIR) + "/demo/";
    for (const char* directory : {"Devices", "DeviceTemplate"}) {
      std::filesystem::copy(demo + directory, dir / directory, std::filesystem::copy_options::recursive);
    }
  }
};

TEST_F(MaintenanceDialogsTest, UpdateDialogShowsItsWarningTheFieldsAndThePreselectedTemplateWhole) {
  TNewDevice dialog(paths);
  int chosen = -1;
  QString tag;
  const auto looked = WhenModal<TNewDevice>([&](TNewDevice& shown) {
    QApplication::processEvents();
    auto* templates = shown.findChild<TemplateComboBox*>(QStringLiteral("cbTemplate"));
    chosen = templates->currentIndex();
    tag = templates->Tag(chosen);
    EXPECT_TRUE(shown.findChild<QLabel*>(QStringLiteral("pnWarning"))->isVisible());
    ExpectTextsWhole(shown);
    // The closed box shows the tag beside the name: red pixels inside it.
    const QImage box = templates->grab().toImage();
    int red = 0;
    for (int y = 0; y < box.height(); ++y) {
      for (int x = 0; x < box.width(); ++x) {
        const QColor colour = box.pixelColor(x, y);
        if (colour.red() > 200 && colour.green() < 80 && colour.blue() < 80) ++red;
      }
    }
    EXPECT_GT(red, 10);
    SaveScreenshot(shown, "guide-newdevice.png");
    shown.reject();
  });
  dialog.ExecuteFirmwareUpdate(paths.devices + "TK3/1045.ini", "1045 TK v3.14 2021-03-15 spare unit 2");
  ASSERT_TRUE(*looked);
  ASSERT_EQ(dialog.Templates().size(), 4u);
  ASSERT_GE(chosen, 0);
  EXPECT_EQ(dialog.Templates()[static_cast<std::size_t>(chosen)].typeName, "TK");
  EXPECT_EQ(tag, QStringLiteral("v3.14")) << "not the older TK template";
  EXPECT_TRUE(dialog.WrittenPath().empty());
}

TEST_F(MaintenanceDialogsTest, CloneDialogShowsTheTargetAndEveryColumnWhole) {
  QWidget owner;
  owner.setGeometry(100, 100, 1200, 700);
  owner.show();
  TCloneForm dialog(paths, &owner);
  std::vector<std::string> types;
  const auto looked = WhenModal<TCloneForm>([&](TCloneForm& shown) {
    QApplication::processEvents();
    auto* list = shown.findChild<QComboBox*>(QStringLiteral("cbDeviceType"));
    for (int i = 0; i < list->count(); ++i) types.push_back(list->itemText(i).toStdString());
    EXPECT_EQ(list->currentText(), QStringLiteral("TK3"));
    ExpectTextsWhole(shown);
    TTablePanel01& table = *shown.Table();
    table.PaintNow();
    const QFontMetrics metrics = table.fontMetrics();
    const auto advance = [&metrics](const std::string& text) {
      return static_cast<double>(metrics.horizontalAdvance(QString::fromStdString(text)));
    };
    const std::vector<TTableItem*> columns = table.LeafColumns();
    ASSERT_EQ(columns.size(), 5u);
    for (TTableItem* column : columns) {
      EXPECT_GE(column->Width, advance(column->Caption()) + 4) << column->Caption();
      for (const auto& cell : column->Items()) {
        EXPECT_LE(advance(cell->Caption()) + 4, column->Width) << cell->Caption();
        EXPECT_FALSE(cell->Caption().empty()) << column->Caption();
      }
    }
    // The path may lose its start on a small screen, never the file name.
    const std::string shownPath = columns[4]->Cell(0)->Caption();
    EXPECT_EQ(shownPath.substr(shownPath.size() - std::string("TK3/1045.ini").size()), "TK3/1045.ini");
    EXPECT_LE(std::abs(shown.frameGeometry().center().x() - owner.frameGeometry().center().x()), 2)
        << "centred on its owner";
    SaveScreenshot(shown, "guide-clone.png");
    shown.reject();
  });
  EXPECT_FALSE(dialog.Execute(CloneTargetOfFile(paths.devices + "TK3/1027.ini")));
  ASSERT_TRUE(*looked);
  EXPECT_EQ(types, (std::vector<std::string>{"BackUp", "EX1", "SV2", "TK3"}));
  ASSERT_EQ(dialog.Rows().size(), 2u);
  EXPECT_EQ(dialog.Rows()[0].serial, "1045");
}

}  // namespace
}  // namespace quillon::testing
