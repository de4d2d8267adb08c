// The window's thread keeps running its event loop while a connection is made: the port opening
// and configuring pauses, a TCP connect and the registry locks happen elsewhere. A 10 ms timer on
// the window's thread measures the longest stretch without an event-loop turn.
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include "device_link_fixture.h"

namespace quillon::testing {
namespace {

// Ticks every 10 ms on the window's thread and keeps the longest gap between two ticks.
class GapMeter {
 public:
  GapMeter() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { longestMs_ = std::max(longestMs_, clock_.restart()); });
    clock_.start();
    timer_.start();
  }
  qint64 LongestMs() const { return longestMs_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longestMs_ = 0;
};

class WindowResponsivenessTest : public DeviceLinkTest {
 protected:
  // The pauses a real adapter gets, also on the test's pseudo-terminal.
  void RealPauses() {
    hub.SetTimingsRule([](const std::string&) { return SerialTimings{}; });
  }

  // "Подключить" with a meter running; returns the longest gap.
  qint64 ConnectMeasured() {
    GapMeter meter;
    ClickConnect();
    return meter.LongestMs();
  }

  // As ConnectMeasured, for a connect that must end in a read. A simulator starved of the CPU
  // on a loaded machine may miss its answer time once; the engineer then presses "Подключить"
  // again, and so does the test (the meter runs through both attempts).
  qint64 ConnectAndReadMeasured() {
    GapMeter meter;
    ClickConnect();
    if (!window->Parameters().HasBeenRead() && WarningTexts() == std::vector<std::string>{"Устройство не отвечает"}) {
      prompt.warnings.clear();
      ClickConnect();
    }
    EXPECT_TRUE(window->Parameters().HasBeenRead()) << "warnings " << ::testing::PrintToString(WarningTexts())
                                                    << ", questions " << ::testing::PrintToString(prompt.questions)
                                                    << ", identification \"" << window->Connection().IdString() << "\"";
    return meter.LongestMs();
  }

 private:
  void ClickConnect() {
    QTest::mouseClick(Child<QPushButton>(*window, "btConnect"), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([this] { return window->Connection().Waiting(); }, 1000));
    EXPECT_TRUE(Idle(10000));
  }
};

TEST_F(WindowResponsivenessTest, ConnectAndReadOverASerialPortWithRealPausesNeverStallTheWindow) {
  StartAll();
  RealPauses();
  UseSerial("QuBUS");
  QElapsedTimer whole;
  whole.start();
  const qint64 gap = ConnectAndReadMeasured();
  ASSERT_TRUE(window->Parameters().HasBeenRead());
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  // The opening pauses were really taken, on another thread.
  EXPECT_GE(whole.elapsed(), 1000);
  EXPECT_LT(gap, 100);
}

TEST_F(WindowResponsivenessTest, OverTcpNeitherAPortNobodyListensOnNorAReadStallTheWindow) {
  StartAll();
  UseTcp();
  // A port of 127.0.0.1 that was just free: nobody listens there.
  Child<QLineEdit>(*window, "edPort")->setText(QStringLiteral("1"));
  EXPECT_LT(ConnectMeasured(), 100);
  EXPECT_FALSE(window->Parameters().HasBeenRead());
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{"Устройство не отвечает"});

  prompt.warnings.clear();
  UseTcp();
  const qint64 gap = ConnectAndReadMeasured();
  ASSERT_TRUE(window->Parameters().HasBeenRead());
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  EXPECT_LT(gap, 100);
}

TEST_F(WindowResponsivenessTest, APortThatCannotBeOpenedIsReportedOnceTheAttemptEnds) {
  StartAll();
  UseSerial("MODBUS RTU");
  OpenDeviceInTree();
  RealPauses();
  auto* port = Child<QComboBox>(*window, "cbCOM");
  port->addItem(QStringLiteral("NOSUCHPORT"));
  port->setCurrentIndex(port->count() - 1);
  GapMeter meter;
  window->Connection().ReadParameters();
  EXPECT_TRUE(WaitUntil([this] { return !window->Connection().Waiting(); }, 3000));
  EXPECT_LT(meter.LongestMs(), 100);
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{"Порт NOSUCHPORT не существует\nили занят другой программой"});
}

}  // namespace
}  // namespace quillon::testing
