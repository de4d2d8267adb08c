// The link field checks: their order, texts and focus for each kind of request.
#include <gtest/gtest.h>

#include "device/link_check.h"
#include "device/link_status.h"

namespace quillon::testing {
namespace {

LinkFieldTexts Serial(const char* protocol) { return {protocol, "COM1", "19200", "20", "1", ""}; }
LinkFieldTexts Tcp() { return {"MODBUS TCP", "", "", "10.0.0.5", "1", "502"}; }

void ExpectFailure(const LinkFieldTexts& fields, LinkCheck check, const std::string& message, LinkField focus) {
  const auto failure = CheckLinkFields(fields, check);
  ASSERT_TRUE(failure.has_value()) << message;
  EXPECT_EQ(failure->message, message);
  EXPECT_EQ(failure->focus, focus) << message;
}

TEST(LinkCheckTest, CompleteFieldsPassForEveryRequest) {
  for (LinkCheck check : {LinkCheck::Identify, LinkCheck::Read, LinkCheck::WriteValue, LinkCheck::WriteImage}) {
    EXPECT_FALSE(CheckLinkFields(Serial("QuBUS"), check));
    EXPECT_FALSE(CheckLinkFields(Serial("MODBUS RTU"), check));
    EXPECT_FALSE(CheckLinkFields(Tcp(), check));
  }
}

TEST(LinkCheckTest, SerialChecksComeInOrderWithTheirTexts) {
  LinkFieldTexts fields = Serial("MODBUS RTU");
  fields.port.clear();
  fields.baud.clear();
  ExpectFailure(fields, LinkCheck::Read, "Не выбран порт!", LinkField::Port);
  ExpectFailure(fields, LinkCheck::Identify, "Не выбран COM порт!", LinkField::Port);
  fields.port = "COM2";
  ExpectFailure(fields, LinkCheck::Read, "Не выбрана скорость передачи!", LinkField::Baud);
  fields.baud = "fast";
  ExpectFailure(fields, LinkCheck::Read, "Не выбрана скорость передачи!", LinkField::Baud);
  fields.baud = "9600";
  for (const char* frameEnd : {"", "4", "101", "abc"}) {
    fields.frameEnd = frameEnd;
    ExpectFailure(fields, LinkCheck::Read, "Frame End должно быть числом от 5 до 100", LinkField::FrameEnd);
  }
  fields.frameEnd = "5";
  fields.address = "256";
  ExpectFailure(fields, LinkCheck::Read, "Адрес устройства - это число от 0 до 255", LinkField::Address);
  fields.address = "";
  ExpectFailure(fields, LinkCheck::Identify, "Адрес устройства - это число от 0 до 255", LinkField::Address);
  fields.address = "x10";
  EXPECT_FALSE(CheckLinkFields(fields, LinkCheck::Read));
}

TEST(LinkCheckTest, UnknownProtocolFailsAfterTheSerialPortCheck) {
  LinkFieldTexts fields = Serial("");
  ExpectFailure(fields, LinkCheck::Read, "Не выбран протокол!", LinkField::Protocol);
  fields.port.clear();
  ExpectFailure(fields, LinkCheck::Read, "Не выбран протокол!", LinkField::Protocol);
}

TEST(LinkCheckTest, QuBUSReadsIgnoreTheAddressButValueWritesCheckIt) {
  LinkFieldTexts fields = Serial("QuBUS");
  fields.address = "abc";
  EXPECT_FALSE(CheckLinkFields(fields, LinkCheck::Read));
  EXPECT_FALSE(CheckLinkFields(fields, LinkCheck::WriteImage));
  ExpectFailure(fields, LinkCheck::WriteValue, "Адрес устройства - это число от 0 до 255", LinkField::Address);
  fields.protocol = "MODBUS RTU";
  ExpectFailure(fields, LinkCheck::WriteImage, "Адрес устройства - это число от 0 до 255", LinkField::Address);
}

TEST(LinkCheckTest, ValueWritesCheckTheProtocolFirstAndFillEmptyFields) {
  LinkFieldTexts fields = Serial("nonsense");
  fields.port.clear();
  ExpectFailure(fields, LinkCheck::WriteValue, "Не выбран протокол!", LinkField::Protocol);
  fields = Serial("QuBUS");
  fields.frameEnd.clear();
  fields.address.clear();
  const LinkFieldTexts filled = WithWriteDefaults(fields);
  EXPECT_EQ(filled.frameEnd, "8");
  EXPECT_EQ(filled.address, "1");
  EXPECT_FALSE(CheckLinkFields(filled, LinkCheck::WriteValue));
}

TEST(LinkCheckTest, TcpNeedsAPortNumberAndAByteAddress) {
  LinkFieldTexts fields = Tcp();
  fields.tcpPort = "";
  ExpectFailure(fields, LinkCheck::Read, "Не указан TCP/IP порт", LinkField::TcpPort);
  ExpectFailure(fields, LinkCheck::Identify, "Не выбран TCP порт!", LinkField::TcpPort);
  fields.tcpPort = "70000";
  ExpectFailure(fields, LinkCheck::Read, "Не указан TCP/IP порт", LinkField::TcpPort);
  fields.tcpPort = "502";
  fields.address = "300";
  ExpectFailure(fields, LinkCheck::Read, "Адрес устройства - это число от 0 до 255", LinkField::Address);
  // The frame-end field holds the IP address under TCP and is not a frame end.
  fields.address = "1";
  EXPECT_EQ(fields.Ip(), "10.0.0.5");
  EXPECT_FALSE(CheckLinkFields(fields, LinkCheck::Read));
}

TEST(TimeOutMessageTest, SilenceComesFirstThenTheKnownStatuses) {
  EXPECT_EQ(TimeOutMessage(true, kStatusCrcError), "Устройство не отвечает");
  EXPECT_EQ(TimeOutMessage(false, kStatusRequestError), "Ошибка в запросе данных");
  EXPECT_EQ(TimeOutMessage(false, kStatusCrcError), "Ошибка в контрольной сумме");
  EXPECT_EQ(TimeOutMessage(false, kStatusTransferError), "Ошибка при передаче данных");
  EXPECT_FALSE(TimeOutMessage(false, 0));
  EXPECT_FALSE(TimeOutMessage(false, kStatusCrcError | kStatusTransferError));
}

TEST(TimeOutMessageTest, ATcpWorkerReportsSilenceAsOneByte) {
  EXPECT_TRUE(IsSilence(0, false));
  EXPECT_FALSE(IsSilence(1, false)) << "a QuBUS write is answered with one byte";
  EXPECT_TRUE(IsSilence(1, true));
  EXPECT_FALSE(IsSilence(5, true));
}

}  // namespace
}  // namespace quillon::testing
