// Loading a device's parameters, the read request of their span, and how read and
// identification answers are judged and distributed.
#include <tuple>

#include "device_fixture.h"
#include "link/buses.h"

namespace quillon::testing {
namespace {

using ReadAnswerTest = DeviceTest;

TEST_F(ReadAnswerTest, QuBUSReadAsksForTheFlashSpanAndTakesOnlyAnAnswerOfItsLength) {
  const LinkFrame frame = parameters.BuildRead(Fields("QuBUS"));
  // A5, length, read FLASH (5), start 0x0100, 10 bytes, CRC, 5A: the span x0100..x010A.
  ASSERT_EQ(frame.bytes.size(), kQuBUSReadFrameLength);
  EXPECT_EQ(frame.bytes[2], 5);
  EXPECT_EQ(frame.expectedLen, 10);
  std::vector<std::uint8_t> memory = Memory();
  EXPECT_TRUE(parameters.TakeReadAnswer(Fields("QuBUS"), frame, memory.data(), 0).silent);
  EXPECT_EQ(parameters.TakeReadAnswer(Fields("QuBUS"), frame, memory.data(), 9).status, kStatusTransferError);
  memory.push_back(0);
  EXPECT_EQ(parameters.TakeReadAnswer(Fields("QuBUS"), frame, memory.data(), memory.size()).status,
            kStatusTransferError);
  EXPECT_FALSE(parameters.HasBeenRead());
  EXPECT_EQ(Cell(0, 5), "x0000") << "nothing is distributed from a refused answer";

  ASSERT_TRUE(parameters.TakeReadAnswer(Fields("QuBUS"), frame, memory.data(), 10).accepted);
  EXPECT_TRUE(parameters.HasBeenRead());
  // A variable without a cell shows its base.
  EXPECT_EQ(Cell(0, 5) + " " + Cell(2, 5) + " " + Cell(3, 5) + " " + Cell(6, 5), "x07D0 x05 1 x0007");
}

TEST_F(ReadAnswerTest, ModbusReadSwapsWordsAndChecksCrcFunctionAndCount) {
  const LinkFieldTexts fields = Fields("MODBUS RTU");
  const LinkFrame frame = parameters.BuildRead(fields);
  // From r0080 to one register past the last word's: six registers from slave 1.
  ASSERT_EQ(frame.bytes.size(), 8u);
  EXPECT_EQ(std::tuple(frame.bytes[1], frame.bytes[3], frame.bytes[5]), std::tuple(3, 0x80, 6));
  const std::vector<std::uint8_t> data = {0x07, 0xD0, 0x05, 0xDC, 0xAA, 0x05, 0x02, 0x03, 0x00, 0x64, 0, 0};
  std::vector<std::uint8_t> payload = {12};
  payload.insert(payload.end(), data.begin(), data.end());
  std::vector<std::uint8_t> answer = ModbusAnswer(3, payload);

  std::vector<std::uint8_t> broken = answer;
  broken.back() ^= 0xFF;
  EXPECT_EQ(parameters.TakeReadAnswer(fields, frame, broken.data(), broken.size()).status, kStatusCrcError);
  const std::vector<std::uint8_t> refused = ModbusAnswer(0x83, {2});
  EXPECT_EQ(parameters.TakeReadAnswer(fields, frame, refused.data(), refused.size()).status, kStatusRequestError);
  std::vector<std::uint8_t> fewer = {10};
  fewer.insert(fewer.end(), data.begin(), data.begin() + 10);
  const std::vector<std::uint8_t> shortAnswer = ModbusAnswer(3, fewer);
  EXPECT_EQ(parameters.TakeReadAnswer(fields, frame, shortAnswer.data(), shortAnswer.size()).status,
            kStatusTransferError)
      << "registers missing from a valid frame would leave stale rows";
  EXPECT_TRUE(parameters.TakeReadAnswer(fields, frame, answer.data(), 0).silent);
  EXPECT_FALSE(parameters.HasBeenRead());

  ASSERT_TRUE(parameters.TakeReadAnswer(fields, frame, answer.data(), answer.size()).accepted);
  EXPECT_EQ(Cell(0, 5) + " " + Cell(2, 5) + " " + Cell(4, 5), "x07D0 x05 x02");
}

TEST_F(ReadAnswerTest, ASpanTooLongForOneRequestIsRefusedWithAMessage) {
  WriteCp1251File(path, "[FLASH]\np1=A/a/TWORD/x0100/r0080//1/2//0/x0001/\np2=B/b/TWORD/x0300/r0180//1/2//0/x0001/\n");
  ASSERT_TRUE(parameters.Load(path, "FLASH").empty());
  const auto refusal = [](const auto& request) {
    try {
      request();
    } catch (const std::runtime_error& error) {
      return std::string(error.what());
    }
    return std::string("no refusal");
  };
  EXPECT_EQ(refusal([&] { parameters.BuildRead(Fields("QuBUS")); }),
            "Параметры занимают 514 байт; за один запрос читается не более 255");
  EXPECT_EQ(refusal([&] { parameters.BuildRead(Fields("MODBUS RTU")); }),
            "Параметры занимают 258 регистров; за один запрос читается не более 125");
  EXPECT_EQ(refusal([] { CheckRequestSpan(0, 255, "байт", "читается"); }),
            "У устройства нет параметров в памяти контроллера");
  EXPECT_NO_THROW(CheckRequestSpan(248, 248, "байт", "записывается"));
}

TEST_F(ReadAnswerTest, LinesWithUnreadableAddressesAreSkippedAndNamed) {
  WriteCp1251File(path, "[FLASH]\np1=A/a/TWORD/x0100/r0080//1/2//0/x0001/\np2=B/b/TWORD/zz/r0081//1/2//0/x0001/\n");
  EXPECT_EQ(parameters.Load(path, "FLASH"), std::vector<std::string>{"p2"});
  EXPECT_EQ(parameters.List().Count(), 1);
  EXPECT_EQ(parameters.Section(), "FLASH");
}

TEST(IdentificationAnswerTest, CountedQuBUSTextLosesItsLastCharacterModbusIsChecked) {
  const LinkFieldTexts qubus{"QuBUS", "", "", "", "", ""};
  const std::string text =
      "\x0A"
      "12 TK v1.0";
  const IdentificationAnswer counted =
      TakeIdentificationAnswer(qubus, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  ASSERT_TRUE(counted.verdict.accepted);
  EXPECT_EQ(counted.text, "12 TK v1.");
  EXPECT_TRUE(TakeIdentificationAnswer(qubus, nullptr, 0).verdict.silent);

  // MODBUS "report slave ID" is judged by its CRC.
  const LinkFieldTexts modbus{"MODBUS RTU", "", "", "", "1", ""};
  const std::string id = "7 QT v2.1 2024-01-10";
  std::vector<std::uint8_t> payload = {static_cast<std::uint8_t>(id.size() + 1)};
  payload.insert(payload.end(), id.begin(), id.end());
  payload.push_back(0xFF);
  std::vector<std::uint8_t> answer = DeviceTest::ModbusAnswer(0x11, payload);
  IdentificationAnswer taken = TakeIdentificationAnswer(modbus, answer.data(), answer.size());
  ASSERT_TRUE(taken.verdict.accepted);
  EXPECT_EQ(taken.text, id);
  answer[4] ^= 1;
  taken = TakeIdentificationAnswer(modbus, answer.data(), answer.size());
  EXPECT_EQ(taken.verdict.status, kStatusCrcError);
  EXPECT_TRUE(taken.text.empty());
  const LinkFrame request = BuildIdentificationRequest(modbus);
  ASSERT_EQ(request.bytes.size(), 4u);
  EXPECT_EQ(request.bytes[1], 0x11);
}

}  // namespace
}  // namespace quillon::testing
