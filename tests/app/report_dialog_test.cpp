// The "Отчёт" window on the device open in the main window: the five steps off the window's
// thread, the report written and opened, the report number and its settings.
#include "app/maintenance/report_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>

#include "app/main/tool_launchers.h"
#include "app/support/report_job.h"
#include "app_fixture.h"
#include "maintenance/workbook.h"

namespace quillon {
namespace {

class ReportDialogTest : public testing::AppTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(paths.Xlt());
    std::filesystem::copy_file(QUILLON_SOURCE_DIR "/demo/XLT/template3.xlt", paths.Xlt() + "template3.xlt");
    WriteWindowsFile("Devices/TK3/1027.ini",
                     "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nDescription=Насос\nLocation=Цех\n"
                     "LastDateTime=14.09.2023 10:42:17\n[vars]\nInom=100\n[FLASH]\n"
                     "p1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n"
                     "p2=Unom/Номинальное напряжение/TWORD/x0102/r0081/В/1/2//0/x017C/\n");
    WriteSettings("ReportNumber=41\nReportNumAutoInc=1\nOrganization=ООО Север\n");
  }

  TfReport* OpenReport(Tmain& window) {
    Child<QToolButton>(window, "btCreateExcelReport")->click();
    auto* report = qobject_cast<TfReport*>(window.Tools().Window(ToolKind::Report));
    if (report != nullptr) report->Job().OpenDocument = [this](const QString& path) { opened.push_back(path); };
    return report;
  }

  std::vector<QString> opened;
};

TEST_F(ReportDialogTest, NothingToReportWithoutAnOpenDevice) {
  auto window = StartWithCatalogue();
  TfReport* report = OpenReport(*window);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->windowTitle().toStdString(), "Отчёт");
  EXPECT_FALSE(Child<QPushButton>(*report, "Button1")->isEnabled());
}

TEST_F(ReportDialogTest, AReportOfTheOpenDeviceIsWrittenOpenedAndNumbered) {
  auto window = StartWithCatalogue();
  auto* tree = Child<QTreeWidget>(*window, "tv");
  ClickNode(tree, NodeStartingWith(tree, QStringLiteral("1027")));
  TfReport* report = OpenReport(*window);
  ASSERT_NE(report, nullptr);
  auto* number = Child<QLineEdit>(*report, "edReportNumber");
  EXPECT_EQ(number->text(), QStringLiteral("41"));
  EXPECT_EQ(Child<QLineEdit>(*report, "edOrganization")->text(), QStringLiteral("ООО Север"));

  Child<QPushButton>(*report, "Button1")->click();
  ASSERT_TRUE(testing::WaitUntil([&] { return !opened.empty(); }, 10000));
  EXPECT_EQ(Child<QProgressBar>(*report, "gMainOp")->value(), 5);
  EXPECT_EQ(Child<QLabel>(*report, "pnMainOp")->text().toStdString(), "5. Таблицы заполнены");
  EXPECT_EQ(number->text(), QStringLiteral("42"));
  EXPECT_TRUE(prompt.warnings.empty());

  const Workbook book = Workbook::Open(opened.back().toStdString());
  EXPECT_EQ(std::get<std::string>(*book.Read(0, {15, 1})), "p2");
  EXPECT_EQ(std::get<std::string>(*book.Read(0, {16, 1})), "p1");
  EXPECT_EQ(std::get<std::string>(*book.Read(0, {3, 5})), "41");

  // Without auto-increment the number stays; closing stores what the window holds.
  Child<QCheckBox>(*report, "cbAutoInc")->setChecked(false);
  Child<QPushButton>(*report, "Button1")->click();
  ASSERT_TRUE(testing::WaitUntil([&] { return opened.size() == 2; }, 10000));
  EXPECT_NE(opened[0], opened[1]);
  EXPECT_EQ(number->text(), QStringLiteral("42"));
  report->close();
  EXPECT_EQ(Setting("ReportNumber"), "42");
  EXPECT_EQ(Setting("ReportNumAutoInc"), "0");
}

TEST_F(ReportDialogTest, AMissingTemplateIsReportedAndNothingIsOpened) {
  std::filesystem::remove(paths.Xlt() + "template3.xlt");
  auto window = StartWithCatalogue();
  auto* tree = Child<QTreeWidget>(*window, "tv");
  ClickNode(tree, NodeStartingWith(tree, QStringLiteral("1027")));
  TfReport* report = OpenReport(*window);
  ASSERT_NE(report, nullptr);
  Child<QPushButton>(*report, "Button1")->click();
  ASSERT_TRUE(testing::WaitUntil([&] { return !prompt.warnings.empty(); }, 10000));
  EXPECT_NE(prompt.warnings.back().second.find("template3.xlt"), std::string::npos);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(Child<QLineEdit>(*report, "edReportNumber")->text(), QStringLiteral("41"));
  EXPECT_TRUE(Child<QPushButton>(*report, "Button1")->isEnabled());
}

}  // namespace
}  // namespace quillon
