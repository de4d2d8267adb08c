// The cos-phi tuning tool against the simulator on a pseudo-terminal: the polled values and the
// cosine, the offset written to FLASH and read back, and the strips drawn from the phase buffer.
#include "app/tools/cos_ftune.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/tools/phase_strip.h"
#include "cosphi/cosphi_frames.h"
#include "link/link_tasks.h"
#include "tool_window_fixture.h"

namespace quillon::testing {
namespace {

constexpr const char* kPhaseDevice =
    "[DEVICE]\nID=88 ZK v1 2024-01-01\nDescription=Двигатель 8\n"
    "[vars]\nUnom=380\n"
    "[FLASH]\n"
    "p1=Tacc/Время разгона/TWORD/x0100/r0080/с/1/2//0/x1234/\n"
    "p2=cosdf/Смещение угла/TInteger/x0102/r0081/эл.град./0,1/2/0/x0000/\n"
    "[RAM]\n"
    "r1=cos/Угол/TInteger/x0024/r0012/эл.град./0,1/2/0/x0000/\n"
    "r2=Ust/Напряжение/TWORD/x0026/r0013/%/0,1/2//0/x0000/\n"
    "r3=Ist/Ток/TWORD/x0028/r0014/А/1/2//0/x0000/\n";
constexpr const char* kPhaseBits =
    "[XRAM]\n"
    "x1=CFU/Фаза напряжения/TBit/x0400/64/r0200.6/1/1/0/\n"
    "x2=CFI/Фаза тока/TBit/x0400/128/r0200.7/1/1/0/\n";

class CosFTuneTest : public ToolWindowTest<TFmCOSFTune> {
 protected:
  void StartAndOpen(const std::string& device) {
    WriteWindowsFile("Devices/ZK/88.ini", device);
    const std::string devicePath = paths.devices + "ZK/88.ini";
    StartSimulator(devicePath, "COSF1", {QStringLiteral("--move"), QStringLiteral("--verbose")});
    if (HasFatalFailure()) return;
    Show(std::make_unique<TFmCOSFTune>(Context(), ToolLink("QuBUS", "COSF1", devicePath)));
    if (HasFatalFailure()) return;
    Find<QPushButton>("btConnect")->click();
    ASSERT_TRUE(WaitUntil([&] { return !Text("edCOS").isEmpty() && !Text("edCOSDF").isEmpty(); }, 8000))
        << sim.ErrorOutput().toStdString();
  }

  // Columns of a strip that show a high sample (a line up from the dot row) and a low one.
  static std::pair<int, int> Columns(const QImage& image, QColor dot) {
    int high = 0;
    int low = 0;
    for (int i = 0; i < kStripSamples; ++i) {
      const int x = 5 + i;
      const QColor bottom = image.pixelColor(x, 36);
      if (image.pixelColor(x, 15).alpha() != 0 && bottom == image.pixelColor(x, 15)) ++high;
      if (bottom == dot && image.pixelColor(x, 20).alpha() == 0) ++low;
    }
    return {high, low};
  }
};

TEST_F(CosFTuneTest, ValuesCosineAndStripsComeFromTheControllerAndTheOffsetIsWrittenBack) {
  StartAndOpen(std::string(kPhaseDevice) + kPhaseBits);
  if (HasFatalFailure()) return;
  EXPECT_EQ(Text("edCOSDF"), QStringLiteral("0"));

  // The cosine belongs to the angle shown beside it, with at most 3 decimals, and moves.
  const QRegularExpression threeDecimals(QStringLiteral("^-?\\d(,\\d{1,3})?$"));
  const QString first = Text("edCOS");
  EXPECT_TRUE(threeDecimals.match(first).hasMatch()) << first.toStdString();
  EXPECT_EQ(first.toStdString(), CosineText(Text("edF").toStdString()).value_or("?"));
  EXPECT_TRUE(WaitUntil([&] { return Text("edCOS") != first; }, 5000));
  EXPECT_TRUE(threeDecimals.match(Text("edCOS")).hasMatch());
  EXPECT_TRUE(Text("edUs").startsWith(QStringLiteral("10")) || Text("edUs").startsWith(QStringLiteral("9")))
      << Text("edUs").toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^x[0-9A-F]{4}$")).match(Text("edIs")).hasMatch())
      << Text("edIs").toStdString();
  EXPECT_TRUE(WaitUntil([&] { return Text("lbSPS").toInt() > 1; }, 3000)) << Text("lbSPS").toStdString();

  // Both strips show high and low samples: about half of each, as square waves are.
  auto* voltage = Find<TPhaseStrip>("gbU");
  auto* current = Find<TPhaseStrip>("gbI");
  ASSERT_TRUE(WaitUntil([&] { return Columns(voltage->Image(), Qt::red).first > 0; }, 5000));
  const auto [voltageHigh, voltageLow] = Columns(voltage->Image(), Qt::red);
  const auto [currentHigh, currentLow] = Columns(current->Image(), Qt::blue);
  EXPECT_GT(voltageHigh, 100);
  EXPECT_GT(voltageLow, 100);
  EXPECT_GT(currentHigh, 100);
  EXPECT_GT(currentLow, 100);
  EXPECT_NE(voltage->Image().pixelColor(5 + 1, 15), QColor(Qt::red));
  // The buffer is asked for again and again: every request the tool writes sets only the bit.
  EXPECT_TRUE(WaitUntil([&] { return sim.ErrorOutput().count(QStringLiteral("phase buffer filled")) >= 3; }, 5000));
  EXPECT_TRUE(sim.ErrorOutput().contains(QStringLiteral("A5 05 10 00 22 01 02 5A")));
  // The picture for a look by eye lands in the test's own folder, never in a shared one.
  EXPECT_TRUE(window->grab().save(QString::fromStdString(dir / "cos_ftune.png")));

  // The offset entry is filtered, written to FLASH and read back.
  auto* offset = Find<QLineEdit>("edCOSDF");
  const qsizetype reads = sim.ErrorOutput().count(QStringLiteral("QuBUS read FLASH"));
  offset->setText(QStringLiteral(" -2 ,5 град"));
  QTest::keyClick(offset, Qt::Key_Return);
  EXPECT_EQ(offset->text(), QStringLiteral("-2,5"));
  // -25 tenths to FLASH 0x0102, and the value the controller then holds is shown.
  ASSERT_TRUE(WaitUntil([&] { return sim.ErrorOutput().contains(QStringLiteral("A5 06 12 01 02 02 E7 FF 5A")); }))
      << sim.ErrorOutput().toStdString();
  EXPECT_TRUE(WaitUntil([&] { return sim.ErrorOutput().count(QStringLiteral("QuBUS read FLASH")) > reads; }));
  EXPECT_TRUE(WaitUntil([&] { return offset->text() == QStringLiteral("-2,5"); }));

  // A text the offset cannot take writes nothing.
  const qsizetype writes = sim.ErrorOutput().count(QStringLiteral("QuBUS write FLASH"));
  offset->setText(QStringLiteral("abc"));
  QTest::keyClick(offset, Qt::Key_Return);
  QTest::qWait(600);
  EXPECT_EQ(sim.ErrorOutput().count(QStringLiteral("QuBUS write FLASH")), writes);
}

TEST_F(CosFTuneTest, WithoutTheBufferBitsTheStripsStayBlank) {
  StartAndOpen(kPhaseDevice);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(WaitUntil([&] { return sim.ErrorOutput().count(QStringLiteral("QuBUS read XRAM")) >= 2; }, 5000));
  QTest::qWait(100);
  const QImage& image = Find<TPhaseStrip>("gbU")->Image();
  int drawn = 0;
  for (int x = 0; x < image.width(); ++x) drawn += image.pixelColor(x, 36).alpha() != 0;
  EXPECT_EQ(drawn, 0);
}

}  // namespace
}  // namespace quillon::testing
