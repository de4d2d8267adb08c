#pragma once
// What the player window shows about its link and its program choice: the counters and the
// status line of the page "Настройки", and the state the program panel takes once the card
// has answered a program choice.
#include <cstdint>
#include <string>

#include "card/card_operation.h"

namespace quillon {

class LinkStatistics {
 public:
  // One tick of the display timer with the poll's message as it stands. Every tick counts as a
  // packet; a message counts an error too. True when the display is to be refreshed (no
  // message).
  bool Tick(const std::string& message);

  std::uint64_t Packets() const { return packets_; }
  std::uint64_t Errors() const { return errors_; }
  // The status line: the last message, or "Связь установлена"; empty before the first tick.
  const std::string& Code() const { return code_; }

 private:
  std::uint64_t packets_ = 0;
  std::uint64_t errors_ = 0;
  std::string code_;
};

// The message that ends a listing of the card for the program choice: unlike the file window,
// a bad answer and a missing card are told.
std::string ProgramListMessage(const CardStep& step);

struct ProgramPanelState {
  bool playEnabled = true;  // START and PAUSE
  bool greyed = false;      // the program name in grey instead of black
};

// After the card's answer to a program choice: with a message the choice failed.
ProgramPanelState ProgramPanelAfterApply(const std::string& message);

}  // namespace quillon
