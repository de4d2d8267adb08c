// The controller column before and after reads: what it shows, how it compares with the base
// and what "Контроллер" copies from it.
#include "device/comparison.h"

#include "device/cell_commit.h"
#include "device/image_write.h"
#include "device_fixture.h"

namespace quillon::testing {
namespace {

class UnreadControllerTest : public DeviceTest {
 protected:
  std::string Shown(int row, int kind) { return ShownCellText(parameters, Variable(row), kind); }
};

TEST_F(UnreadControllerTest, BeforeTheFirstReadNothingIsShownComparedOrCopied) {
  // A read that is refused leaves the buffer as it was: still nothing of the device.
  const LinkFrame frame = parameters.BuildRead(Fields("QuBUS"));
  const std::vector<std::uint8_t> memory = Memory();
  EXPECT_FALSE(parameters.TakeReadAnswer(Fields("QuBUS"), frame, memory.data(), 3).accepted);

  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(Shown(row, kControllerHexKind), "") << row;
    EXPECT_EQ(Shown(row, kControllerPhysicalKind), "") << row;
  }
  EXPECT_EQ(Shown(0, kBaseHexKind), "x03E8");
  EXPECT_EQ(Shown(0, kBasePhysicalKind), "100");
  EXPECT_EQ(Shown(6, kControllerHexKind), "x0007") << "a variable without a cell shows its base";

  const std::vector<std::optional<bool>> differs = CompareBaseAndController(parameters);
  ASSERT_EQ(differs.size(), 7u);
  for (int row = 0; row < 6; ++row) EXPECT_EQ(differs[row], false) << "row " << row << " is not red";
  EXPECT_FALSE(differs[6].has_value());

  EXPECT_FALSE(CopyControllerToBase(parameters, quiet));
  EXPECT_EQ(Variable(0).BaseValue, "x03E8");
  EXPECT_EQ(Variable(1).BaseValue, "x05DC");
  EXPECT_FLOAT_EQ(Variable(1).Ratio, 1.5f);

  Read();
  EXPECT_EQ(Shown(0, kControllerHexKind), "x07D0");
  EXPECT_EQ(Shown(3, kControllerHexKind), "1");
  EXPECT_EQ(CompareBaseAndController(parameters)[0], true);

  // Another device (or the same one again) starts unread.
  ASSERT_TRUE(parameters.Load(path, "FLASH").empty());
  EXPECT_EQ(Shown(0, kControllerHexKind), "");
}

TEST_F(UnreadControllerTest, AVariableOutsideTheReadStaysUnreadAndIsLeftAloneByTheCopy) {
  WriteCp1251File(path, std::string(kDeviceLines) + "p8=Virt/Виртуальный/TWORD//r0001/А/1/2//0/x0005/\n");
  ASSERT_TRUE(parameters.Load(path, "FLASH").empty());
  ASSERT_TRUE(Variable(7).Definition().NoAddress);
  Read();
  EXPECT_TRUE(parameters.IsRead(Variable(0)));
  EXPECT_FALSE(parameters.IsRead(Variable(7)));
  EXPECT_EQ(Shown(7, kControllerHexKind), "");
  EXPECT_EQ(CompareBaseAndController(parameters)[7], false);

  EXPECT_TRUE(CopyControllerToBase(parameters, quiet));
  EXPECT_EQ(Variable(0).BaseValue, "x07D0");
  EXPECT_EQ(Variable(6).BaseValue, "x0007");
  EXPECT_EQ(Variable(7).BaseValue, "x0005") << "nothing was read to copy";
  EXPECT_FLOAT_EQ(Variable(1).Ratio, 0.75f) << "Ilim x05DC against the new Inom x07D0";
  for (const auto& differ : CompareBaseAndController(parameters)) EXPECT_NE(differ, true);
  EXPECT_FALSE(CopyControllerToBase(parameters, quiet)) << "a second copy changes nothing";
  UpdateListScaleLines(parameters.List());
  EXPECT_EQ(parameters.List().Scales.Value("Mode"), "x00#Стоп/x01#Пуск/x02#Авто/x02/");
  EXPECT_EQ(parameters.List().Scales.Value("Inom"), "100") << "plain scale lines stay";

  // A later read that fails keeps what the last one brought.
  const LinkFrame frame = parameters.BuildRead(Fields("QuBUS"));
  EXPECT_TRUE(parameters.TakeReadAnswer(Fields("QuBUS"), frame, nullptr, 0).silent);
  EXPECT_EQ(Shown(0, kControllerHexKind), "x07D0");
}

}  // namespace
}  // namespace quillon::testing
