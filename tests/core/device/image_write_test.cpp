// "База": the whole base written to the controller in one frame.
#include "device/image_write.h"

#include <string>
#include <vector>

#include "device_fixture.h"
#include "platform/prompt.h"

namespace quillon::testing {
namespace {

class WarningRecorder : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    warnings.push_back(caption + "|" + text);
  }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<std::string> warnings;
};

class ImageWriteTest : public DeviceTest {
 protected:
  WarningRecorder prompt;
};

TEST_F(ImageWriteTest, FramesCarryTheBaseWithUncoveredBytesAsFF) {
  EXPECT_EQ(BaseImage(parameters.List(), prompt)[0x200], 0xFF) << "a variable without a cell writes nothing";
  const LinkFrame qubus = BuildImageWrite(parameters.List(), Fields("QuBUS"), prompt);
  EXPECT_EQ(qubus.expectedLen, 1);
  ASSERT_EQ(qubus.bytes.size(), 10u + 7u);
  // x0100..x0109 in memory order; nothing covers x0105, and a set bit leaves the rest of x0106.
  const std::vector<std::uint8_t> data(qubus.bytes.begin() + 6, qubus.bytes.begin() + 16);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0xE8, 0x03, 0xDC, 0x05, 0x01, 0xFF, 0xFF, 0x01, 0x32, 0x00}));

  const LinkFrame modbus = BuildImageWrite(parameters.List(), Fields("MODBUS RTU"), prompt);
  EXPECT_EQ(modbus.expectedLen, 8);
  EXPECT_EQ(modbus.bytes.at(3), 0x80);
  // First register r0080 = x03E8, high byte first on the wire.
  EXPECT_EQ(modbus.bytes.at(7), 0x03);
  EXPECT_EQ(modbus.bytes.at(8), 0xE8);
  EXPECT_TRUE(prompt.warnings.empty()) << "every base value of the device is a number: " << prompt.warnings.front();
}

TEST_F(ImageWriteTest, ABaseValueThatIsNoNumberGoesInAsZeroAndIsTold) {
  Variable(5).BaseValue = "abc";
  const std::vector<std::uint8_t> image = BaseImage(parameters.List(), prompt);
  EXPECT_EQ(image[0x108], 0x00);
  EXPECT_EQ(image[0x109], 0x00);
  EXPECT_EQ(prompt.warnings, std::vector<std::string>{"Предупреждение|Неизвестный формат числа"});
}

TEST_F(ImageWriteTest, AnswersAreJudgedByCodeCrcFunctionAndTheEchoOfTheWrite) {
  const std::uint8_t ok = 0x12;
  const std::uint8_t other = 0x13;
  const std::vector<std::uint8_t> qubus = BuildImageWrite(parameters.List(), Fields("QuBUS"), prompt).bytes;
  EXPECT_TRUE(JudgeImageWriteAnswer(Fields("QuBUS"), qubus, &ok, 1).accepted);
  EXPECT_EQ(JudgeImageWriteAnswer(Fields("QuBUS"), qubus, &other, 1).status, kStatusRequestError);
  EXPECT_TRUE(JudgeImageWriteAnswer(Fields("QuBUS"), qubus, &ok, 0).silent);

  const std::vector<std::uint8_t> request = BuildImageWrite(parameters.List(), Fields("MODBUS RTU"), prompt).bytes;
  const std::vector<std::uint8_t> echo(request.begin() + 2, request.begin() + 6);
  std::vector<std::uint8_t> answer = ModbusAnswer(0x10, echo);
  EXPECT_TRUE(JudgeImageWriteAnswer(Fields("MODBUS RTU"), request, answer.data(), answer.size()).accepted);
  const std::vector<std::uint8_t> refused = ModbusAnswer(0x90, {0x02});
  EXPECT_EQ(JudgeImageWriteAnswer(Fields("MODBUS RTU"), request, refused.data(), refused.size()).status,
            kStatusRequestError);
  // An echo of another span is the answer to another write.
  std::vector<std::uint8_t> otherSpan = echo;
  otherSpan[3] ^= 1;
  const std::vector<std::uint8_t> wrong = ModbusAnswer(0x10, otherSpan);
  EXPECT_EQ(JudgeImageWriteAnswer(Fields("MODBUS RTU"), request, wrong.data(), wrong.size()).status,
            kStatusTransferError);
  answer[2] ^= 1;
  EXPECT_EQ(JudgeImageWriteAnswer(Fields("MODBUS RTU"), request, answer.data(), answer.size()).status, kStatusCrcError);
}

}  // namespace
}  // namespace quillon::testing
