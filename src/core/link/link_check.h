#pragma once
// The checks made on the link fields before anything is sent: which field fails first, the
// message the engineer sees and the control that gets the focus.
#include <optional>
#include <string>

#include "workspace/protocol.h"

namespace quillon {

// What the link fields hold, as typed.
struct LinkFieldTexts {
  std::string protocol;  // one of kProtocolNames, or anything else
  std::string port;      // serial port name
  std::string baud;      // bit rate text
  std::string frameEnd;  // frame-end pause text (the IP address under the TCP kinds)
  std::string address;   // device address text
  std::string tcpPort;   // the TCP kinds

  // The link kind the protocol text names; nothing for any other text.
  std::optional<Protocol> Kind() const { return ProtocolNamed(protocol); }
  bool Serial() const;
  bool Tcp() const;
  bool Modbus() const;
  // The IP address lives in the frame-end field under the TCP kinds.
  const std::string& Ip() const { return frameEnd; }
};

enum class LinkField { Port, Protocol, Baud, FrameEnd, TcpPort, Address };

// Identification has its own texts for two checks; a single value write checks the protocol
// first and the address under every protocol, with empty frame end and address standing for
// 8 and 1; a whole-image write checks the address only under MODBUS.
enum class LinkCheck { Identify, Read, WriteValue, WriteImage };

struct LinkCheckFailure {
  std::string message;
  LinkField focus;
};

// The first failing check, or nothing when the fields may be used.
std::optional<LinkCheckFailure> CheckLinkFields(const LinkFieldTexts& fields, LinkCheck check);

// The device search's checks, in its order: a port, a protocol, a frame end that is an integer
// (empty stands for 8), a bit rate.
std::optional<LinkCheckFailure> CheckSearchFields(const LinkFieldTexts& fields);

// The fields with the defaults a value write gives empty ones (frame end 8, address 1).
LinkFieldTexts WithWriteDefaults(LinkFieldTexts fields);

}  // namespace quillon
