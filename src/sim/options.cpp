#include "sim/options.h"

#include <stdexcept>

#include "sim/slave_addresses.h"
#include "text/option_number.h"

namespace quillon::sim {

const char* const kSimUsage =
    "Usage: quillon-sim --device FILE [--pty LINKPATH] [--tcp PORT] [--mbap PORT] [OPTION]...\n"
    "\n"
    "A controller on the far end of a line. It answers QuBUS and MODBUS RTU on a pseudo-terminal,\n"
    "MODBUS RTU frames (CRC included, no MBAP header) over TCP, and standard MODBUS TCP (MBAP\n"
    "header, no CRC) over TCP, from memory filled with the base values of a device file.\n"
    "\n"
    "  --device FILE   device file whose FLASH, CD and RAM base values fill the memory\n"
    "  --id TEXT       identification string (default: DEVICE/ID of the file)\n"
    "  --addr LIST     MODBUS slave addresses, 1..247 (default 1): one, or a list of addresses and\n"
    "                  ranges such as 1,5,247 or 1-3,9. Each address is a controller of its own on\n"
    "                  the same line (its own memory, clock, counters and card), identified with\n"
    "                  the serial number increased by its place in the list (first: the file's\n"
    "                  serial, second: serial + 1, ...); QuBUS, which has no address, reaches the\n"
    "                  first. Requests to other addresses get no answer\n"
    "  --pty LINKPATH  open a pseudo-terminal and publish it as the symlink LINKPATH\n"
    "                  (for the program's port list: <workspace>/Ports/<name>)\n"
    "  --tcp PORT      listen for MODBUS RTU frames over TCP (0 = any free port)\n"
    "  --mbap PORT     listen for standard MODBUS TCP, MBAP header and no CRC (0 = any free port;\n"
    "                  the usual port is 502). The unit id is the slave address; an answer keeps\n"
    "                  its request's transaction id\n"
    "  --bind ADDR     local address to listen on, for --tcp and --mbap (default 127.0.0.1)\n"
    "  --move          RAM variables move: sines, ramps and toggling bits; the motor starts, runs\n"
    "                  and stops, now and then by a trip, which the counters and the log record\n"
    "  --card DIR      the memory card: the files directly in DIR (names UTF-8 there, Windows-1251\n"
    "                  on the line; with several addresses the others use DIR-<address>, made\n"
    "                  when missing); the card functions list, read, write, delete and apply them,\n"
    "                  and never reach outside DIR (symlinks are not followed); stat.dat,\n"
    "                  event.edat and OSC.dat of the event recorder are made there from the\n"
    "                  device file's STAT and EVENTS sections when it has them and DIR lacks them\n"
    "  --card-absent   answer every card function as a controller without a card (also the\n"
    "                  default without --card)\n"
    "  --fault SPEC    inject faults, e.g. crc=0.1,drop=0.05,short=0.05,delay=30,seed=7,limit=20\n"
    "                  (rates of corrupted, missing and cut answers; extra delay in ms; the seed\n"
    "                  of the reproducible sequence; only the first `limit` requests affected).\n"
    "                  A corrupted answer has its last byte changed: the CRC under MODBUS; QuBUS\n"
    "                  has no checksum, so there it goes unnoticed, as on a real line; under MBAP,\n"
    "                  which has none either, the last data byte. A cut answer under MBAP is the\n"
    "                  first half of the whole frame, header included. Further\n"
    "                  rates, which add up with the three above to at most 1:\n"
    "                    late=P   the answer comes 600 ms (plus delay) late, after the master has\n"
    "                             given up on it\n"
    "                    exc=P    MODBUS: the exception 04 (slave device failure) instead of the answer\n"
    "                    addr=P   MODBUS: the answer as from the next slave address (247: 1), with\n"
    "                             other values and a valid CRC\n"
    "                    func=P   MODBUS: another function code (never an exception), with other\n"
    "                             values and a valid CRC\n"
    "                    count=P  MODBUS: a byte count two less and the data cut to match, valid CRC;\n"
    "                             answers without a byte count (a write's echo) stay as they are\n"
    "                    dup=P    the answer is sent twice, back to back\n"
    "                  QuBUS answers stay as they are under the MODBUS-only faults\n"
    "  --line          pace the pseudo-terminal like an RS-485 line: bytes in both directions take\n"
    "                  the time the line needs at the bit rate and character framing (data bits,\n"
    "                  parity, stop bits) the program set on its side, read at every request (a\n"
    "                  Linux pseudo-terminal keeps 8 data bits and no parity whatever is set); a\n"
    "                  request is answered once its last byte has arrived, and the answer comes\n"
    "                  out byte by byte. A MODBUS request that begins less than 3.5 characters\n"
    "                  after the previous frame on the line, or while an answer is being sent, is\n"
    "                  a framing violation: each is printed with --verbose, and on exit\n"
    "                  \"framing violations: N\" goes to stdout and stderr. TCP is never paced\n"
    "  --turnaround MS\n"
    "                  the controller's processing time before each answer, 0..10000 ms\n"
    "                  (default 0; it matters with --line only)\n"
    "  --verbose       print every request and answer on stderr\n"
    "  --help          this text\n"
    "  --version       the program's version\n"
    "\n"
    "The controller keeps a clock (XRAM 0x063F, set by the QuBUS command 0x0A), a counter block\n"
    "(XRAM 0x0660; writes take effect at once, and the commit byte 0x1B at 0x05A5 is cleared\n"
    "when taken) and an event log of 32 pages x 16 records (QuBUS command 0x0B), filled at start\n"
    "with a plausible past.\n"
    "\n"
    "At least one of --pty, --tcp and --mbap. When ready it prints \"pty: DEVICE\" with\n"
    "\"link: LINKPATH\", \"tcp: ADDR:PORT\" and \"mbap: ADDR:PORT\" for the lines it serves, and runs\n"
    "until Ctrl+C (SIGINT) or SIGTERM.\n";

SimOptions ParseSimOptions(const std::vector<std::string>& args) {
  SimOptions options;
  bool haveDevice = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--device") {
      options.devicePath = value();
      haveDevice = !options.devicePath.empty();
    } else if (arg == "--id") {
      options.id = value();
    } else if (arg == "--addr") {
      options.slaveAddresses = ParseSlaveAddresses(value());
    } else if (arg == "--pty") {
      options.ptyLink = value();
      if (options.ptyLink->empty()) throw std::invalid_argument("--pty needs a link path");
    } else if (arg == "--tcp") {
      options.tcpPort = static_cast<std::uint16_t>(OptionNumber(arg, value(), 0, 65535));
    } else if (arg == "--mbap") {
      options.mbapPort = static_cast<std::uint16_t>(OptionNumber(arg, value(), 0, 65535));
    } else if (arg == "--bind") {
      options.bindAddress = value();
    } else if (arg == "--move") {
      options.move = true;
    } else if (arg == "--fault") {
      options.faults = ParseFaultSpec(value());
    } else if (arg == "--card") {
      options.cardDirectory = value();
      if (options.cardDirectory->empty()) throw std::invalid_argument("--card needs a directory");
    } else if (arg == "--card-absent") {
      options.cardAbsent = true;
    } else if (arg == "--line") {
      options.line = true;
    } else if (arg == "--turnaround") {
      options.turnaroundMs = static_cast<unsigned>(OptionNumber(arg, value(), 0, 10000));
    } else if (arg == "--verbose" || arg == "-v") {
      options.verbose = true;
    } else {
      throw std::invalid_argument("unknown argument \"" + arg + "\"");
    }
  }
  if (options.help || options.version) return options;
  if (!haveDevice) throw std::invalid_argument("--device FILE is required");
  if (!options.ptyLink && !options.tcpPort && !options.mbapPort) {
    throw std::invalid_argument("give --pty LINKPATH, --tcp PORT, --mbap PORT or several of them");
  }
  return options;
}

}  // namespace quillon::sim
