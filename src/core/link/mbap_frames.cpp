#include "link/mbap_frames.h"

#include "link/crc16.h"

namespace quillon {

namespace {

// Address and CRC around the PDU of an RTU frame.
constexpr std::size_t kRtuAddressLength = 1;
constexpr std::size_t kRtuCrcLength = 2;
// A length field covers at least the unit id and a function code.
constexpr std::size_t kShortestLengthField = 2;
constexpr std::size_t kLongestLengthField = 1 + kMbapLongestPdu;

std::uint16_t BigEndianAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::size_t value) {
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::string MbapRefusalText(MbapRefusal refusal) {
  switch (refusal) {
    case MbapRefusal::None:
      return "";
    case MbapRefusal::Short:
      return "MBAP: shorter than a header and a function code";
    case MbapRefusal::Protocol:
      return "MBAP: protocol id is not 0";
    case MbapRefusal::Length:
      return "MBAP: length field disagrees with the bytes that came";
    case MbapRefusal::Transaction:
      return "MBAP: answer to another transaction";
  }
  return "";
}

std::optional<std::vector<std::uint8_t>> MbapFromRtu(std::span<const std::uint8_t> rtu, std::uint16_t transaction) {
  if (rtu.size() < kRtuAddressLength + 1 + kRtuCrcLength) return std::nullopt;
  const std::size_t pduLength = rtu.size() - kRtuAddressLength - kRtuCrcLength;
  if (pduLength > kMbapLongestPdu) return std::nullopt;
  std::vector<std::uint8_t> adu;
  adu.reserve(kMbapHeaderLength + pduLength);
  AppendBigEndian(adu, transaction);
  AppendBigEndian(adu, 0);
  AppendBigEndian(adu, 1 + pduLength);
  adu.insert(adu.end(), rtu.begin(), rtu.end() - kRtuCrcLength);
  return adu;
}

std::uint16_t MbapTransaction(std::span<const std::uint8_t> adu) { return adu.size() < 2 ? 0 : BigEndianAt(adu, 0); }

std::optional<std::size_t> MbapAduLength(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kMbapLengthFieldEnd) return std::nullopt;
  return kMbapLengthFieldEnd + BigEndianAt(bytes, 4);
}

MbapRefusal MbapHeaderRefusal(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 4 && BigEndianAt(bytes, 2) != 0) return MbapRefusal::Protocol;
  if (bytes.size() >= kMbapLengthFieldEnd) {
    const std::size_t length = BigEndianAt(bytes, 4);
    if (length < kShortestLengthField || length > kLongestLengthField) return MbapRefusal::Length;
  }
  return MbapRefusal::None;
}

RtuFromMbapResult RtuFromMbap(std::span<const std::uint8_t> adu, std::optional<std::uint16_t> transaction) {
  RtuFromMbapResult result;
  if (adu.size() < kMbapHeaderLength + 1) {
    // A header that already went wrong says more than "short".
    const MbapRefusal header = MbapHeaderRefusal(adu);
    result.refusal = header != MbapRefusal::None ? header : MbapRefusal::Short;
    return result;
  }
  if ((result.refusal = MbapHeaderRefusal(adu)) != MbapRefusal::None) return result;
  if (MbapAduLength(adu) != adu.size()) {
    result.refusal = MbapRefusal::Length;
    return result;
  }
  if (transaction && MbapTransaction(adu) != *transaction) {
    result.refusal = MbapRefusal::Transaction;
    return result;
  }
  result.rtu.assign(adu.begin() + kMbapLengthFieldEnd, adu.end());
  const std::uint16_t crc = CRC16(result.rtu.data(), result.rtu.size());
  result.rtu.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  result.rtu.push_back(static_cast<std::uint8_t>(crc >> 8));
  return result;
}

}  // namespace quillon
