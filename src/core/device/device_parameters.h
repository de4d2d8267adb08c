#pragma once
// The open device's parameter set: the variables of one section of its device file, the value
// buffer that reads fill, and the read request and its answer. Reads are copied to the start of
// the buffer, where the lowest variable address lies after LayOut.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "device/link_status.h"
#include "link/link_check.h"
#include "variables/view_list.h"

namespace quillon {

// One request frame with what its answer is judged by.
struct LinkFrame {
  std::vector<std::uint8_t> bytes;
  std::int32_t expectedLen = 0;
  int oddStart = 0;  // MODBUS reads: the wanted bytes begin one byte into the first register
};

// Under QuBUS the length byte of a read counts bytes, under MODBUS the byte count of the
// answer counts the registers' bytes; a span larger than that cannot be read in one request.
inline constexpr int kMaxQuBUSReadBytes = 255;
inline constexpr int kMaxMODBUSReadRegisters = 125;

// The user's message for a span of `count` units ("байт", "регистров") that one request cannot
// carry, when at most `limit` of them is read ("читается") or written ("записывается") at a time.
std::runtime_error SpanTooLong(int count, const char* units, const char* verb, int limit);
// Throws when the variables' span is empty or larger than `limit` units.
void CheckRequestSpan(int count, int limit, const char* units, const char* verb);

class DeviceParameters {
 public:
  DeviceParameters();
  DeviceParameters(const DeviceParameters&) = delete;
  DeviceParameters& operator=(const DeviceParameters&) = delete;

  // Replaces the variables with those of `section` ("FLASH", "CD" or "RAM") of the device file,
  // with the file's scale table. A line that cannot be read is skipped and its key returned.
  std::vector<std::string> Load(const std::string& path, std::string_view section);
  void Clear();

  const std::string& Path() const { return list_.Path; }
  const std::string& Section() const { return section_; }
  TViewList& List() { return list_; }
  bool Empty() const { return list_.Variables.empty(); }
  std::span<std::uint8_t> Buffer() { return buffer_; }
  // Whether a read of this controller has been accepted since the device was loaded.
  bool HasBeenRead() const { return read_; }
  // Whether the variable's controller value came from this controller since the device was
  // loaded. Until then its bytes in the buffer are only what the buffer was filled with; a
  // variable outside the read span (no cell in the controller, no address) is never read.
  bool IsRead(const TView& variable) const { return readVariables_.contains(&variable); }

  // Lays the variables out by address and builds the read of their span: QuBUS from the FLASH
  // area, MODBUS the register span at the device address. Throws std::runtime_error with a
  // message for the engineer when the span cannot be read in one request.
  LinkFrame BuildRead(const LinkFieldTexts& fields);
  // Judges the answer to BuildRead's frame; an accepted one is copied into the buffer and
  // every variable takes its controller value from it.
  AnswerVerdict TakeReadAnswer(const LinkFieldTexts& fields, const LinkFrame& request, const std::uint8_t* answer,
                               std::size_t answerLen);

 private:
  TViewList list_;
  std::vector<std::uint8_t> buffer_;
  std::string section_;
  bool read_ = false;
  std::unordered_set<const TView*> readVariables_;
};

// The identification request: QuBUS "ID", or MODBUS report slave ID at the device address.
LinkFrame BuildIdentificationRequest(const LinkFieldTexts& fields);

struct IdentificationAnswer {
  AnswerVerdict verdict;
  std::string text;  // the counted text without its last character (UTF-8)
};
IdentificationAnswer TakeIdentificationAnswer(const LinkFieldTexts& fields, const std::uint8_t* answer,
                                              std::size_t answerLen);

}  // namespace quillon
