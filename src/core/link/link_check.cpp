#include "link/link_check.h"

#include "link/buses.h"
#include "text/numbers.h"

namespace quillon {

bool LinkFieldTexts::Serial() const { return Kind() && !OverTcp(*Kind()); }
bool LinkFieldTexts::Tcp() const { return OverTcp(Kind()); }
bool LinkFieldTexts::Modbus() const { return Kind() && IsMODBUS(*Kind()); }

namespace {

bool InRange(const std::string& text, std::int64_t low, std::int64_t high) {
  const auto value = TryReadInteger(text);
  return value && *value >= low && *value <= high;
}

std::optional<LinkCheckFailure> CheckPort(const LinkFieldTexts& fields, LinkCheck check) {
  if (fields.Serial() && fields.port.empty()) {
    return LinkCheckFailure{check == LinkCheck::Identify ? "Не выбран COM порт!" : "Не выбран порт!", LinkField::Port};
  }
  return std::nullopt;
}

std::optional<LinkCheckFailure> CheckProtocol(const LinkFieldTexts& fields) {
  if (!fields.Serial() && !fields.Tcp()) return LinkCheckFailure{"Не выбран протокол!", LinkField::Protocol};
  return std::nullopt;
}

std::optional<LinkCheckFailure> CheckSerialTimings(const LinkFieldTexts& fields) {
  if (!fields.Serial()) return std::nullopt;
  // A bit rate that is no number would reach the port as 0; it counts as not chosen.
  if (!InRange(fields.baud, 1, 4000000)) return LinkCheckFailure{"Не выбрана скорость передачи!", LinkField::Baud};
  if (!InRange(fields.frameEnd, 5, 100)) {
    return LinkCheckFailure{"Frame End должно быть числом от 5 до 100", LinkField::FrameEnd};
  }
  return std::nullopt;
}

}  // namespace

std::optional<LinkCheckFailure> CheckLinkFields(const LinkFieldTexts& fields, LinkCheck check) {
  std::optional<LinkCheckFailure> failure;
  if (check == LinkCheck::WriteValue) {
    if ((failure = CheckProtocol(fields)) || (failure = CheckPort(fields, check))) return failure;
  } else {
    if ((failure = CheckPort(fields, check)) || (failure = CheckProtocol(fields))) return failure;
  }
  if ((failure = CheckSerialTimings(fields))) return failure;
  if (fields.Tcp() && !InRange(fields.tcpPort, 1, 65535)) {
    return LinkCheckFailure{check == LinkCheck::Identify ? "Не выбран TCP порт!" : "Не указан TCP/IP порт",
                            LinkField::TcpPort};
  }
  bool addressChecked = fields.Kind() == Protocol::MODBUSRTU;
  if (check == LinkCheck::WriteValue) addressChecked = true;
  if (check == LinkCheck::WriteImage) addressChecked = fields.Modbus();
  // Every MODBUS frame carries the address as one byte, so MODBUS TCP needs a valid one too.
  if (fields.Tcp()) addressChecked = true;
  if (addressChecked && !InRange(fields.address, 0, 255)) {
    return LinkCheckFailure{"Адрес устройства - это число от 0 до 255", LinkField::Address};
  }
  return std::nullopt;
}

LinkFieldTexts WithWriteDefaults(LinkFieldTexts fields) {
  if (fields.Serial() && fields.frameEnd.empty()) fields.frameEnd = "8";
  if (fields.address.empty()) fields.address = "1";
  return fields;
}

std::optional<LinkCheckFailure> CheckSearchFields(const LinkFieldTexts& fields) {
  if (fields.port.empty()) return LinkCheckFailure{"Не выбран порт!", LinkField::Port};
  if (fields.protocol.empty()) return LinkCheckFailure{"Не выбран протокол!", LinkField::Protocol};
  if (!fields.frameEnd.empty() && !TryReadInteger(fields.frameEnd)) {
    return LinkCheckFailure{"Frame End должно быть числом от 5 до 100", LinkField::FrameEnd};
  }
  if (fields.baud.empty()) return LinkCheckFailure{"Не выбрана скорость передачи!", LinkField::Baud};
  return std::nullopt;
}

}  // namespace quillon
