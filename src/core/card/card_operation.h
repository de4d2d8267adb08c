#pragma once
// One card operation as a chain of exchanges: it names the request to send, is told each
// answer, and says whether it goes on (its next request) or is over (with what to show).
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "card/card_frames.h"

namespace quillon {

enum class CardKind { DiskState, List, Download, Upload, Delete, Apply };

enum class CardOutcome {
  Going,            // the next request is ready
  Done,             // finished as asked
  CardAbsent,       // the card is not initialised or absent
  FileMissing,      // the card has no such file
  BadAnswer,        // invalid answers ended it
  LocalFileFailed,  // the PC file could not be written
};

struct CardStep {
  CardKind kind = CardKind::List;
  CardOutcome outcome = CardOutcome::Going;
  std::string message;                     // what the window shows at the end; may be empty
  std::optional<std::string> fileName;     // a listed name, UTF-8
  std::optional<std::string> diskSize;     // the disk size text a disk state answer gives
  std::optional<std::uint32_t> diskBytes;  // the same size as a number of bytes
  bool relist = false;                     // a deletion asks for the list again
  std::uint64_t generation = 0;            // stamped by the link: which start it belongs to

  bool Finished() const { return outcome != CardOutcome::Going; }
};

inline CardStep MakeCardStep(CardKind kind, CardOutcome outcome = CardOutcome::Going, std::string message = {}) {
  CardStep step;
  step.kind = kind;
  step.outcome = outcome;
  step.message = std::move(message);
  return step;
}

// What a transfer has done so far, read by the progress display on another thread.
struct TransferCounters {
  std::atomic<std::uint32_t> bytes{0};     // the offset of the next block
  std::atomic<std::uint32_t> answers{0};   // answers (blocks)
  std::atomic<std::uint32_t> errors{0};    // answers with a bad checksum
  std::atomic<std::uint32_t> fileSize{0};  // the file being uploaded; 0 for a download

  void Reset(std::uint32_t size = 0) {
    bytes = 0;
    answers = 0;
    errors = 0;
    fileSize = size;
  }
};

class CardOperation {
 public:
  virtual ~CardOperation() = default;
  virtual CardKind Kind() const = 0;
  // The frame to send now: the first request, then the one the last answer asked for.
  virtual const CardFrame& Request() const = 0;
  virtual std::uint32_t DelayMs() const = 0;
  // Judges an answer (empty when nothing came) and moves on.
  virtual CardStep Answer(std::span<const std::uint8_t> answer) = 0;
};

}  // namespace quillon
