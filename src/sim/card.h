#pragma once
// The controller's memory card, kept in a directory of the PC. The card service functions come
// as MODBUS-RTU-style frames on either line; file names travel in Windows-1251 and are UTF-8 in
// the directory.
//
// The card is flat: only regular files directly in the directory are on it. A name is taken as
// one file name in that directory and nothing else: names with a path separator, "." and "..",
// and symlinks (never followed) are files the card does not have, so no request can reach
// anything outside the directory. Like a card's file system, names match regardless of case.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillon::sim {

inline constexpr std::uint8_t kCardDiskState = 0x20;
inline constexpr std::uint8_t kCardList = 0x21;
inline constexpr std::uint8_t kCardDownload = 0x22;
inline constexpr std::uint8_t kCardUpload = 0x23;
inline constexpr std::uint8_t kCardDelete = 0x24;
inline constexpr std::uint8_t kCardApply = 0x25;
// Added to the function code when the card is absent or cannot be used.
inline constexpr std::uint8_t kCardAbsent = 0x80;
// The function codes of answers about a file the card does not have.
inline constexpr std::uint8_t kCardUploadFailed = 0xE3;
inline constexpr std::uint8_t kCardFileMissing = 0xE4;  // download and delete
inline constexpr std::uint8_t kCardApplyMissing = 0xE5;

inline constexpr std::uint8_t kCardListFirst = 0x00;
inline constexpr std::uint8_t kCardListNext = 0xFF;
inline constexpr std::size_t kCardBlockSize = 230;
// Upload status: a full block was stored and more may follow; a shorter block (an empty one
// included) was the file's last, and the transfer is over.
inline constexpr std::uint8_t kUploadDone = 0;
inline constexpr std::uint8_t kUploadMore = 1;

class SimCard {
 public:
  // Without a directory, or when `absent`, every function answers that there is no card.
  SimCard(std::optional<std::string> directory, bool absent);

  // The answer to a card function frame whose CRC and address have been checked.
  std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> frame, std::string& note);

 private:
  std::vector<std::uint8_t> DiskState(std::uint8_t slave, std::string& note) const;
  std::vector<std::uint8_t> List(std::uint8_t slave, std::uint8_t which, std::string& note);
  std::vector<std::uint8_t> Download(std::uint8_t slave, std::uint32_t offset, const std::string& name,
                                     std::string& note) const;
  std::vector<std::uint8_t> Upload(std::uint8_t slave, std::uint32_t offset, const std::string& name,
                                   std::span<const std::uint8_t> data, std::string& note) const;
  std::vector<std::uint8_t> Delete(std::uint8_t slave, const std::string& name, std::string& note) const;
  std::vector<std::uint8_t> Apply(std::uint8_t slave, const std::string& name, std::string& note) const;
  // The names of the card's files as they go on the wire, in the order a listing gives them.
  std::vector<std::string> WireNames() const;
  // The name in the directory a wire name stands for; nothing when it cannot be one.
  std::optional<std::string> LocalName(const std::string& wireName) const;

  std::optional<std::string> directory_;
  bool absent_;
  std::vector<std::string> listing_;
  std::size_t nextEntry_ = 0;
};

}  // namespace quillon::sim
