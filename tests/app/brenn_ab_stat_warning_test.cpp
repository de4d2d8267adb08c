// The event recorder window's statistics page on a file of its own choosing: a file that does
// not hold one value per STAT entry is said so in the page's status line, not shown silently.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <optional>

#include "app/tools/brenn_ab.h"
#include "core/events/event_test_files.h"
#include "tool_window_fixture.h"

namespace quillon::testing {
namespace {

class ChosenFileBrennAB : public TfmBrennAB {
 public:
  using TfmBrennAB::TfmBrennAB;
  std::optional<std::string> dataPath;

 protected:
  std::optional<std::string> AskDataPath(const std::string&, const QString&) override { return dataPath; }
};

class BrennABStatWarningTest : public ToolWindowTest<ChosenFileBrennAB> {
 protected:
  void SetUp() override {
    WriteWindowsFile("dev.ini",
                     "[DEVICE]\nID=7 QT v1.0 2024-01-10\n[STAT]\nStarts=0/1/0/Пуски\nTrips=0/2/0/Отключения\n"
                     "Hours=0/3/0/Наработка\nCycles=0/4/0/Циклы\n");
    TBaseProperty link;
    link.Protocol = "MODBUS RTU";
    link.PortName = "NONE";
    link.DevicePath = dir / "dev.ini";
    window = std::make_unique<ChosenFileBrennAB>(Context(), link);
  }

  // Opens a statistics file of `values` counters as the engineer does, with "Открыть файл".
  QString Open(std::size_t values) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < values; ++i) AppendU32(bytes, static_cast<std::uint32_t>(i + 1));
    WriteBytes(dir / "stat.bak", bytes);
    window->dataPath = dir / "stat.bak";
    window->findChild<QPushButton*>(QStringLiteral("btLoadStatFromFile"))->click();
    return window->findChild<QLabel*>(QStringLiteral("pnErrStr"))->text();
  }
};

TEST_F(BrennABStatWarningTest, AFileOfOtherThanOneValuePerEntryIsToldInTheStatusLine) {
  EXPECT_EQ(Open(1), QStringLiteral("Файл статистики не совпадает с описанием: значений в файле: 1, "
                                    "описано в секции STAT: 4"));
  auto* grid = window->findChild<QTableWidget*>(QStringLiteral("StatGrid"));
  EXPECT_EQ(grid->rowCount(), 4) << "every counter described is still shown";
  EXPECT_EQ(Open(1003), QStringLiteral("Файл статистики не совпадает с описанием: значений в файле: 1003, "
                                       "описано в секции STAT: 4"));
  EXPECT_EQ(Open(0), QStringLiteral("Файл статистики не совпадает с описанием: значений в файле: 0, "
                                    "описано в секции STAT: 4"));
  EXPECT_EQ(Open(4), QString()) << "a file that fits clears the warning of the one before";
  EXPECT_TRUE(prompt.warnings.empty());
}

}  // namespace
}  // namespace quillon::testing
