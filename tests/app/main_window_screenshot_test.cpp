// The main window with the demo device read from the simulator: rows where the controller
// differs from the database are red, the others black. With QUILLON_SCREENSHOT set to a file
// name the window's picture is saved there.
#include <QImage>
#include <QPixmap>
#include <QSplitter>
#include <filesystem>
#include <fstream>

#include "device_link_fixture.h"
#include "workspace/settings.h"

namespace quillon::testing {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
  EnsureDirectory(DirectoryOf(path));
  std::ofstream(path, std::ios::binary) << bytes;
}

void ReplaceFirst(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

class DemoDeviceTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    const std::string demo = FileBytes(std::string(QUILLON_SOURCE_DIR) + "/demo/Devices/TK3/1027.ini");
    ASSERT_FALSE(demo.empty());
    devicePath = paths.devices + "TK3/1027.ini";
    WriteBytes(devicePath, demo);
    // The controller was retuned on site: two parameters differ from the database.
    std::string tuned = demo;
    ReplaceFirst(tuned, "/x0032/", "/x0064/");
    ReplaceFirst(tuned, "/x0064/\r\np9", "/x0078/\r\np9");
    simDevice = dir / "sim/1027.ini";
    WriteBytes(simDevice, tuned);
    WriteSettings(
        "Width=1180\nHeight=560\nTVWidth=190\nBUS=QuBUS\nCOM=SIM1\nBPS=19200\nFE=10\nDA=1\n"
        "p0w=520\np1w=170\np0m0=44\np0m1=86\np1m0=76\np2m0=76\n");
  }
};

TEST_F(DemoDeviceTest, ReadDeviceShowsRedAndBlackRows) {
  StartAll();
  UseSerial("QuBUS");
  window->resize(1180, 560);
  ConnectAndRead();
  ASSERT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  ASSERT_EQ(window->OpenDevicePath(), devicePath);
  window->Table().Panel()->PaintNow();
  QApplication::processEvents();

  int red = 0;
  int black = 0;
  const int rows = window->Parameters().List().Count();
  for (int row = 0; row < rows; ++row) {
    if (RowIs(row, TextColor::Red)) ++red;
    if (RowIs(row, TextColor::Black)) ++black;
  }
  EXPECT_EQ(red, 2) << "Tacc and Tzero differ";
  EXPECT_EQ(black, rows - 2);

  // The red rows are drawn in red on the screen, not just marked.
  const QImage table = window->Table().Panel()->Image();
  int redPixels = 0;
  for (int y = 0; y < table.height(); ++y) {
    for (int x = 0; x < table.width(); ++x) {
      const QColor colour = table.pixelColor(x, y);
      if (colour.red() > 200 && colour.green() < 60 && colour.blue() < 60) ++redPixels;
    }
  }
  EXPECT_GT(redPixels, 20);

  const QByteArray target = qgetenv("QUILLON_SCREENSHOT");
  if (!target.isEmpty()) {
    EXPECT_TRUE(window->grab().save(QString::fromLocal8Bit(target), "PNG"));
  }
}

// The demo workspace as the demo command leaves it beside the program: its first "Подключить"
// finds the simulated pump on SIM1 without the engineer choosing anything.
class DemoWorkspaceTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    std::filesystem::copy(std::string(QUILLON_SOURCE_DIR) + "/demo", dir.Path(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing);
    devicePath = paths.devices + "TK3/1027.ini";
    simDevice = devicePath;
  }
};

TEST_F(DemoWorkspaceTest, TheFirstConnectReadsTheSimulatedPumpOnSIM1) {
  EXPECT_FALSE(SettingStored(paths.SettingsFile(), "Width")) << "the window still places itself as at a first start";
  StartAll();
  EXPECT_EQ(Child<QComboBox>(*window, "cbBUS")->currentText(), QStringLiteral("QuBUS"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbCOM")->currentText(), QStringLiteral("SIM1"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbBPS")->currentText(), QStringLiteral("19200"));
  ConnectAndRead();
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  EXPECT_EQ(window->OpenDevicePath(), devicePath);
}

}  // namespace
}  // namespace quillon::testing
