// The link field checks: their order, texts and focus for each kind of request.
#include "link/link_check.h"

#include <gtest/gtest.h>

#include "device/link_status.h"

namespace quillon::testing {
namespace {

const char* const kAddress = "Адрес устройства - это число от 0 до 255";
const char* const kFrameEnd = "Frame End должно быть числом от 5 до 100";

TEST(LinkCheckTest, TheFirstFailingFieldIsNamedAndFocused) {
  struct Row {
    LinkFieldTexts fields;
    LinkCheck check;
    const char* message;
    LinkField focus;
  };
  const Row rows[] = {
      {{"MODBUS RTU", "", "", "20", "1", ""}, LinkCheck::Read, "Не выбран порт!", LinkField::Port},
      {{"MODBUS RTU", "", "", "20", "1", ""}, LinkCheck::Identify, "Не выбран COM порт!", LinkField::Port},
      {{"MODBUS RTU", "COM2", "", "20", "1", ""}, LinkCheck::Read, "Не выбрана скорость передачи!", LinkField::Baud},
      {{"MODBUS RTU", "COM2", "fast", "20", "1", ""},
       LinkCheck::Read,
       "Не выбрана скорость передачи!",
       LinkField::Baud},
      {{"MODBUS RTU", "COM2", "9600", "", "1", ""}, LinkCheck::Read, kFrameEnd, LinkField::FrameEnd},
      {{"MODBUS RTU", "COM2", "9600", "4", "1", ""}, LinkCheck::Read, kFrameEnd, LinkField::FrameEnd},
      {{"MODBUS RTU", "COM2", "9600", "101", "1", ""}, LinkCheck::Read, kFrameEnd, LinkField::FrameEnd},
      {{"MODBUS RTU", "COM2", "9600", "abc", "1", ""}, LinkCheck::Read, kFrameEnd, LinkField::FrameEnd},
      {{"MODBUS RTU", "COM2", "9600", "5", "256", ""}, LinkCheck::Read, kAddress, LinkField::Address},
      {{"MODBUS RTU", "COM2", "9600", "5", "", ""}, LinkCheck::Identify, kAddress, LinkField::Address},
      {{"MODBUS RTU", "COM1", "19200", "20", "abc", ""}, LinkCheck::WriteImage, kAddress, LinkField::Address},
      // An unknown protocol fails after the serial port check, but first for a value write.
      {{"", "COM1", "19200", "20", "1", ""}, LinkCheck::Read, "Не выбран протокол!", LinkField::Protocol},
      {{"", "", "19200", "20", "1", ""}, LinkCheck::Read, "Не выбран протокол!", LinkField::Protocol},
      {{"nonsense", "", "19200", "20", "1", ""}, LinkCheck::WriteValue, "Не выбран протокол!", LinkField::Protocol},
      // QuBUS reads ignore the address, value writes check it.
      {{"QuBUS", "COM1", "19200", "20", "abc", ""}, LinkCheck::WriteValue, kAddress, LinkField::Address},
      {{"MODBUS TCP", "", "", "10.0.0.5", "1", ""}, LinkCheck::Read, "Не указан TCP/IP порт", LinkField::TcpPort},
      {{"MODBUS TCP", "", "", "10.0.0.5", "1", ""}, LinkCheck::Identify, "Не выбран TCP порт!", LinkField::TcpPort},
      {{"MODBUS TCP", "", "", "10.0.0.5", "1", "70000"}, LinkCheck::Read, "Не указан TCP/IP порт", LinkField::TcpPort},
      {{"MODBUS TCP", "", "", "10.0.0.5", "300", "502"}, LinkCheck::Read, kAddress, LinkField::Address},
      // Standard MODBUS TCP needs no serial port and is checked as MODBUS TCP is.
      {{"MODBUS TCP/IP", "", "", "10.0.0.5", "1", ""}, LinkCheck::Identify, "Не выбран TCP порт!", LinkField::TcpPort},
      {{"MODBUS TCP/IP", "", "", "10.0.0.5", "x", "502"}, LinkCheck::Read, kAddress, LinkField::Address},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fields.protocol + "|" + row.fields.port + "|" + row.fields.baud + "|" + row.fields.frameEnd + "|" +
                 row.fields.address + "|" + row.fields.tcpPort);
    const auto failure = CheckLinkFields(row.fields, row.check);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->message, row.message);
    EXPECT_EQ(failure->focus, row.focus);
  }
}

TEST(LinkCheckTest, CompleteFieldsPass) {
  const LinkFieldTexts complete[] = {{"QuBUS", "COM1", "19200", "20", "1", ""},
                                     {"MODBUS RTU", "COM1", "19200", "5", "x10", ""},
                                     {"MODBUS TCP", "", "", "10.0.0.5", "1", "502"},
                                     {"MODBUS TCP/IP", "", "", "10.0.0.5", "1", "502"}};
  for (LinkCheck check : {LinkCheck::Identify, LinkCheck::Read, LinkCheck::WriteValue, LinkCheck::WriteImage}) {
    for (const LinkFieldTexts& fields : complete) EXPECT_FALSE(CheckLinkFields(fields, check)) << fields.protocol;
  }
  const LinkFieldTexts qubus{"QuBUS", "COM1", "19200", "20", "abc", ""};
  EXPECT_FALSE(CheckLinkFields(qubus, LinkCheck::Read));
  EXPECT_FALSE(CheckLinkFields(qubus, LinkCheck::WriteImage));
  // A value write fills empty fields first.
  const LinkFieldTexts filled = WithWriteDefaults({"QuBUS", "COM1", "19200", "", "", ""});
  EXPECT_EQ(filled.frameEnd, "8");
  EXPECT_EQ(filled.address, "1");
}

// The search asks in its own order, and an empty frame end stands for 8.
TEST(LinkCheckTest, SearchChecksPortProtocolFrameEndThenBitRate) {
  EXPECT_EQ(CheckSearchFields({"", "", "", "x", "1", ""})->message, "Не выбран порт!");
  EXPECT_EQ(CheckSearchFields({"", "COM2", "", "x", "1", ""})->message, "Не выбран протокол!");
  EXPECT_EQ(CheckSearchFields({"MODBUS RTU", "COM2", "", "x", "1", ""})->message, kFrameEnd);
  EXPECT_EQ(CheckSearchFields({"MODBUS RTU", "COM2", "", "", "1", ""})->message, "Не выбрана скорость передачи!");
  EXPECT_FALSE(CheckSearchFields({"MODBUS RTU", "COM2", "9600", "", "1", ""}));
}

TEST(TimeOutMessageTest, SilenceComesFirstThenTheKnownStatuses) {
  EXPECT_EQ(TimeOutMessage(true, kStatusCrcError), "Устройство не отвечает");
  EXPECT_EQ(TimeOutMessage(false, kStatusRequestError), "Ошибка в запросе данных");
  EXPECT_EQ(TimeOutMessage(false, kStatusCrcError), "Ошибка в контрольной сумме");
  EXPECT_EQ(TimeOutMessage(false, kStatusTransferError), "Ошибка при передаче данных");
  EXPECT_FALSE(TimeOutMessage(false, 0));
  EXPECT_FALSE(TimeOutMessage(false, kStatusCrcError | kStatusTransferError));
  // A TCP worker reports silence as one byte; a QuBUS write is answered with one byte.
  EXPECT_TRUE(IsSilence(0, false));
  EXPECT_FALSE(IsSilence(1, false));
  EXPECT_TRUE(IsSilence(1, true));
  EXPECT_FALSE(IsSilence(5, true));
}

}  // namespace
}  // namespace quillon::testing
