#pragma once
// A workspace with one small device file, the simulator playing that device (with base values
// of its own, so some rows differ), and the main window connected to it.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>
#include <string>

#include "app/main/catalogue_tree.h"
#include "app/main/device_connection.h"
#include "app/main/parameter_table.h"
#include "app/widgets/table_panel01.h"
#include "app_fixture.h"
#include "device/cell_commit.h"
#include "sim_process.h"

namespace quillon::testing {

inline constexpr const char* kDeviceId = "501 QT v2.1 2024-01-10";

// Rows: 0 Inom, 1 Ilim (follows Inom), 2 DevAddres, 3 Enable (a bit), 4 Mode (a list kept in
// a scale line), 5 Tacc.
inline std::string DeviceText(const std::string& inom, const std::string& tacc) {
  return std::string("[DEVICE]\nID=") + kDeviceId +
         "\nDescription=Тестовый привод\nLocation=Стенд\nLastDateTime=01.01.2024 10:00:00\n"
         "[vars]\nInom=100\nMode=x00#Стоп/x01#Пуск/x02#Авто/x01/\n"
         "[FLASH]\n"
         "p1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/" +
         inom +
         "/\n"
         "p2=Ilim/Ограничение тока/TWORD/x0102/r0081/А/Inom%1000/2/Inom/1,5/x05DC/\n"
         "p3=DevAddres/Адрес/TByte/x0104/r0082.L//1/1//0/x01/\n"
         "p4=Enable/Пуск/TBit/x0106/1/r0083.0/1/1/1/\n"
         "p5=Mode/Режим/TPrmList/x0107/r0083.H//Mode/\n"
         "p6=Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/" +
         tacc + "/\n";
}

class DeviceLinkTest : public AppTest {
 protected:
  void SetUp() override { WriteDevices("QT"); }

  // The device in group directory `group` of the database, and the simulator's copy of it.
  void WriteDevices(const std::string& group) {
    WriteWindowsFile("Devices/" + group + "/501.ini", DeviceText("x03E8", "x0032"));
    devicePath = paths.devices + group + "/501.ini";
    // The controller holds other values than the database for Inom and Tacc.
    WriteWindowsFile("sim/501.ini", DeviceText("x07D0", "x0064"));
    simDevice = dir / "sim/501.ini";
  }

  // Starts the simulator on Ports/SIM1 and a free TCP port, then the window.
  void StartAll(QStringList extra = {}) {
    ASSERT_TRUE(EnsureDirectory(paths.program + "Ports"));
    QStringList args = {QStringLiteral("--device"), QString::fromStdString(simDevice),
                        QStringLiteral("--pty"),    QString::fromStdString(paths.program + "Ports/SIM1"),
                        QStringLiteral("--tcp"),    QStringLiteral("0"),
                        QStringLiteral("--mbap"),   QStringLiteral("0")};
    args << extra;
    ASSERT_TRUE(sim.Start(args));
    window = StartWithCatalogue();
  }

  void UseSerial(const char* protocol) {
    ChooseProtocol(*window, protocol);
    auto* port = Child<QComboBox>(*window, "cbCOM");
    port->setCurrentIndex(port->findText(QStringLiteral("SIM1")));
    ASSERT_GE(port->currentIndex(), 0);
    Child<QLineEdit>(*window, "edFE")->setText(QStringLiteral("10"));
    Child<QLineEdit>(*window, "edDevAddr")->setText(QStringLiteral("1"));
  }

  void UseTcp(const char* protocol = "MODBUS TCP") {
    ChooseProtocol(*window, protocol);
    Child<QLineEdit>(*window, "edFE")->setText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(*window, "edPort")->setText(sim.TcpPortFor(protocol));
    Child<QLineEdit>(*window, "edDevAddr")->setText(QStringLiteral("1"));
  }

  // Waits until no request is under way any more (and the connect continuation has run).
  bool Idle(int timeoutMs = 6000) {
    DeviceConnection& link = window->Connection();
    return WaitUntil(
        [&] { return !link.Waiting() && !link.ConnectTimer()->isActive() && !link.DataWritedTimer()->isActive(); },
        timeoutMs);
  }

  // "Подключить", then waits for the identification, the file search and the read.
  void ConnectAndRead() {
    QTest::mouseClick(Child<QPushButton>(*window, "btConnect"), Qt::LeftButton);
    ASSERT_TRUE(Idle());
    ASSERT_TRUE(WaitUntil([this] { return window->Parameters().HasBeenRead(); }));
  }

  void OpenDeviceInTree() {
    auto* tree = Child<CatalogueTree>(*window, "tv");
    ASSERT_NE(tree->FindByPath(devicePath), nullptr);
    ClickNode(tree, tree->FindByPath(devicePath));
    ASSERT_EQ(window->OpenDevicePath(), devicePath);
  }

  TTableItem& Cell(int row, int kind) {
    TTableItem* cell = window->Table().CellOf(row, kind);
    if (cell == nullptr) throw std::runtime_error("no cell at row " + std::to_string(row));
    return *cell;
  }
  std::string Text(int row, int kind) {
    TTableItem& cell = Cell(row, kind);
    cell.RefreshCaption();
    return cell.Caption();
  }
  bool RowIs(int row, TextColor colour) {
    for (int kind : {kBaseHexKind, kBasePhysicalKind, kControllerHexKind, kControllerPhysicalKind}) {
      if (Cell(row, kind).Color != colour) return false;
    }
    return true;
  }
  std::vector<std::string> WarningTexts() const {
    std::vector<std::string> texts;
    for (const auto& [caption, text] : prompt.warnings) texts.push_back(text);
    return texts;
  }

  std::string devicePath;
  std::string simDevice;
  SimProcess sim;
  std::unique_ptr<Tmain> window;
};

}  // namespace quillon::testing
