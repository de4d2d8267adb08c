#pragma once
// A workspace with a small device file, quillon-sim playing it, the main window, and scope
// window files written for the test.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/main/main_window.h"
#include "app/main/scope_windows.h"
#include "app/scope/link_window.h"
#include "app_fixture.h"
#include "platform/files.h"
#include "sim_process.h"
#include "variables/view_list.h"

namespace quillon::testing {

// RAM moves under --move; FLASH keeps the base values, so a wrong sample shows there.
constexpr const char* kScopeDevice =
    "[DEVICE]\nID=601 SC v1.0 2024-02-01\nDescription=Стенд осциллографа\n"
    "[vars]\nInom=100\n"
    "[RAM]\n"
    "r1=I/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\n"
    "r2=Pos/Положение/TWORD/x0202/r0101//1/2//0/x0000/\n"
    "[FLASH]\n"
    "p1=Tacc/Время разгона/TWORD/x0100/r0080/с/1/2//0/x1234/\n"
    "p2=Tdec/Время торможения/TWORD/x0102/r0081/с/1/2//0/x0BCD/\n"
    "p3=Run/Пуск/TBit/x0104/1/r0082.0/1/1/1/\n"
    "p4=Ready/Готов/TBit/x0104/2/r0082.1/1/1/1/\n";

class ScopeWindowTest : public AppTest {
 protected:
  void SetUp() override {
    WriteWindowsFile("Devices/SC/601.ini", kScopeDevice);
    devicePath = paths.devices + "SC/601.ini";
    ASSERT_TRUE(EnsureDirectory(paths.program + "Ports"));
  }
  void TearDown() override {
    main.reset();
    sim.Stop();
    std::remove((paths.program + "Ports/SCOPE1").c_str());
  }

  void StartSim(QStringList extra = {}) {
    QStringList args = {QStringLiteral("--device"), QString::fromStdString(devicePath),
                        QStringLiteral("--pty"),    QString::fromStdString(paths.program + "Ports/SCOPE1"),
                        QStringLiteral("--tcp"),    QStringLiteral("0"),
                        QStringLiteral("--mbap"),   QStringLiteral("0")};
    args << extra;
    ASSERT_TRUE(sim.Start(args));
  }

  // A scope window file showing `keys` of `area` over the protocol.
  std::string WriteScope(const std::string& name, const std::string& protocol, const std::string& area,
                         const std::vector<std::string>& keys) {
    const bool tcp = protocol == "MODBUS TCP" || protocol == "MODBUS TCP/IP";
    std::string port = "1/SCOPE1/115200/8/" + protocol + "/" + area + "/";
    if (tcp) port += "127.0.0.1/" + sim.TcpPortFor(protocol).toStdString() + "/";
    std::string text = "[default]\ndevicepath=" + devicePath + "\nwindow=40/40/640/300/\nport=" + port +
                       "\noption=60/50/60/30/auto/1000/1/\n[viewlist]\n";
    for (const std::string& key : keys) text += key + "=1/20/\n";
    WriteWindowsFile("ScopeWindow/" + name, text);
    return paths.scopeWindow + name;
  }

  TLinkWindowFm* Open(const std::string& scopeFile) {
    if (!main) main = StartWithCatalogue();
    TLinkWindowFm* window = main->Scopes().OpenScopeFile(scopeFile);
    EXPECT_NE(window, nullptr);
    return window;
  }

  static TView& Var(TLinkWindowFm& window, const char* name) {
    TView* variable = window.List().FindVariable(name);
    if (variable == nullptr) throw std::runtime_error(std::string("no variable ") + name);
    return *variable;
  }
  static std::uint64_t Newest(TLinkWindowFm& window, const char* name) {
    TView& variable = Var(window, name);
    return variable.SampleAt(variable.History.Head());
  }
  static int Samples(TLinkWindowFm& window) { return window.List().Item(0).History.Head(); }

  // Waits for `count` more samples. The wait ends as soon as they are there; its limit is generous
  // because a loaded machine (a whole test run on two cores) may start a poll late.
  static bool MoreSamples(TLinkWindowFm& window, int count, int timeoutMs = 15000) {
    const int start = Samples(window);
    return WaitUntil([&] { return (Samples(window) - start + kHistoryLength) % kHistoryLength >= count; }, timeoutMs);
  }

  void Command(TLinkWindowFm& window, const std::string& text) {
    auto* line = window.findChild<QComboBox*>(QStringLiteral("CmdLine"));
    ASSERT_NE(line, nullptr);
    line->setEditText(QString::fromStdString(text));
    QTest::keyClick(line->lineEdit(), Qt::Key_Return);
  }

  std::string devicePath;
  SimProcess sim;
  std::unique_ptr<Tmain> main;
};

}  // namespace quillon::testing
