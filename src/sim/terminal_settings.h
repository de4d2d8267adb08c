#pragma once
// The bit rate and character framing a program has set on a terminal, read back from any
// descriptor of that terminal. The paced line reads them at every request, since a program may
// change them at any time; no state is kept here.
#include "link/line_timing.h"

namespace quillon::sim {

struct TerminalSettings {
  unsigned baud = 0;  // 0: unknown or hung up (B0); the line is then not paced
  CharacterFormat format;
};

// Zero settings when `fd` is not a terminal. A pseudo-terminal keeps no parity and always 8
// data bits (the kernel clears them); its bit rate and stop bits are the program's.
TerminalSettings ReadTerminalSettings(int fd);

// The framing that the control flags (termios c_cflag) describe.
CharacterFormat CharacterFormatOf(unsigned controlFlags);

// The output rate of a terminal set to an arbitrary rate (BOTHER), through termios2; 0 when it
// cannot be read. Kept in a translation unit of its own: the kernel's termios2 header and the C
// library's termios.h cannot be included together.
unsigned ReadArbitraryBaud(int fd);

}  // namespace quillon::sim
