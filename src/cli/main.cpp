#include <cstdio>
#include <exception>
#include <string>

#include "cli/commands.h"
#include "workspace/paths.h"
#include "workspace/workspace_location.h"

namespace quillon::cli {

namespace {

constexpr const char* kUsage =
    "usage: quillon-cli [--workspace DIR] COMMAND [ARGS]\n"
    "       quillon-cli --help | --version\n"
    "\n"
    "commands:\n"
    "  catalogue [--sort N]   print the device catalogue (N = 0..4, default: SortType of settings.ini)\n"
    "  parse-id \"TEXT\"        split an identification string into its fields\n"
    "  find-device \"TEXT\"     print the device file of an identification string and its flags\n"
    "                         (1 = firmware version differs, 2 = firmware date differs)\n"
    "  var ...                inspect variable definition lines\n"
    "  rec info FILE          a record's identification, samples, first and last time, variables\n"
    "  rec csv FILE [--physical] [--from N] [--to N]\n"
    "                         a record's samples as \"time;NAME;...\" rows\n"
    "  events --device DEVICE.ini FILE [--kind events|stat]\n"
    "                         an event or statistics file as the event tool's grid shows it\n"
    "  osc --device DEVICE.ini FILE --at POSITION [--before S] [--after S] [--out FILE.rec]\n"
    "                         the oscillogram of an OSC.dat copy around the event at POSITION\n"
    "                         (S seconds before and after, default 30 and 30) as a record;\n"
    "                         prints the path written (default: Records/OSC.rec)\n"
    "  report --device FILE [--out FILE.xlsx] [--organization TEXT] [--number N]\n"
    "                         the device's commissioning report from XLT/template3.xlt;\n"
    "                         prints the path written (default: a new name in Reports/)\n"
    "\n"
    "history of the device files (every save is a version in the git repository of Devices/):\n"
    "  set --device FILE [--set FLASH|CD|RAM] --var NAME --value TEXT\n"
    "                         change one base value as the parameter table does and save the\n"
    "                         file as the main window does; prints \"KEY: OLD -> NEW\" per change\n"
    "  history --device FILE  the file's versions, newest first: short id, dd.MM.yyyy HH:mm:ss,\n"
    "                         author and first line of the message (TAB-separated)\n"
    "  diff --device FILE REV [REV2]\n"
    "                         the values changed from version REV to REV2 (default: the file as it\n"
    "                         is now): key, old value, new value (TAB-separated)\n"
    "  sync [--remote URL]    exchange the versions with the team's repository (default:\n"
    "                         DatabaseRemote of settings.ini): pulled|pushed|merged|conflict, PATH\n"
    "                         per device file, and per key both sides changed differently\n"
    "                         conflict, PATH, SECTION/KEY, local value, remote value (TAB-separated);\n"
    "                         exits 3 when conflicts wait for a choice, nothing changed meanwhile\n"
    "\n"
    "link commands:\n"
    "  ports                  the serial ports the port list offers, one per line\n"
    "  crc HEXBYTES...        the CRC16 as 4 hex digits and its two bytes as sent (low first)\n"
    "  frame KIND [ARGS]      print a request frame as hex bytes; KIND and ARGS are\n"
    "                         qubus-id | qubus-read --area A --start N --end N [--unit U]\n"
    "                         | qubus-write --area A --addr N HEXBYTES\n"
    "                         | modbus-read --slave S --start R --end R\n"
    "                         | modbus-write --slave S --reg R HEXBYTES\n"
    "                         (data in memory order, low byte first)\n"
    "  ident LINK             the controller's identification string\n"
    "  read --device FILE [--set FLASH|CD|RAM] LINK\n"
    "                         read the parameter set: key, name, base hex, base physical,\n"
    "                         controller hex, controller physical, SAME/DIFF (TAB-separated)\n"
    "  write --device FILE [--set S] --var NAME --value TEXT LINK\n"
    "                         write one value as the parameter table does, read it back\n"
    "  write --device FILE [--set S] --base LINK\n"
    "                         write every base value in one frame, read them back\n"
    "  scan LINK [--from N] [--to N]\n"
    "                         ask every MODBUS slave address from N to N (decimal, default 1 and\n"
    "                         247) for its identification: address (2 hex digits), identification\n"
    "                         and device file, or NEW when the workspace has none (TAB-separated)\n"
    "  send LINK [--mode hex|ascii|filter] HEXDIGITS...\n"
    "                         one command as the terminal sends it (blanks removed, CRC appended\n"
    "                         under MODBUS) and its answer as the terminal shows it, or Нет ответа\n"
    "  card LINK ls | get NAME [--out FILE] | put FILE [--as NAME] | rm NAME | apply NAME\n"
    "                         the memory card: list its files and the disk size, download,\n"
    "                         upload, delete a file, or apply one in the device\n"
    "  record --scope FILE.scp [--seconds S] [--out FILE.rec]\n"
    "                         poll the scope file's variables over the link it names for S\n"
    "                         seconds (default 10, Ctrl+C ends earlier) and write them as a\n"
    "                         record; prints the path written (default: a new name in Records/)\n"
    "\n"
    "LINK, the link options of the link commands:\n"
    "  --bus NAME             \"QuBUS\", \"MODBUS RTU\", \"MODBUS TCP\" or \"MODBUS TCP/IP\";\n"
    "                         \"MODBUS TCP\" sends RTU frames, CRC included, over TCP;\n"
    "                         \"MODBUS TCP/IP\" is standard MODBUS TCP (MBAP header, no CRC,\n"
    "                         the device address as the unit id)\n"
    "  --port NAME --baud N [--fe MS]\n"
    "                         serial; NAME as in the port list, e.g. Ports/NAME\n"
    "  --ip A [--ipport P]    MODBUS TCP and MODBUS TCP/IP, default port 502\n"
    "  --addr N               device address, default 1\n"
    "  --trace                every frame on stderr: time, TX|RX, bytes, summary, verdict\n"
    "                         (TAB-separated)\n"
    "\n"
    "The workspace is --workspace DIR, else $QUILLON_WORKSPACE, else the directory of quillon-cli\n"
    "itself when it runs from its build folder, and $XDG_DATA_HOME/Quillon (~/.local/share/Quillon)\n"
    "when it is installed.\n";

int Dispatch(const std::string& command, const Args& args) {
  // --trace may stand anywhere among a link command's arguments.
  Args linkArgs;
  bool trace = false;
  for (const std::string& arg : args) {
    if (arg == "--trace") trace = true;
    else linkArgs.push_back(arg);
  }
  if (command == "catalogue") return RunCatalogueCommand(args);
  if (command == "parse-id") return RunParseIdCommand(args);
  if (command == "find-device") return RunFindDeviceCommand(args);
  if (command == "var") return RunVarCommand(args);
  if (command == "rec") return RunRecCommand(args);
  if (command == "ports") return RunPortsCommand(args);
  if (command == "crc") return RunCrcCommand(args);
  if (command == "frame") return RunFrameCommand(args);
  if (command == "ident") return RunIdentCommand(linkArgs, trace);
  if (command == "read") return RunReadCommand(linkArgs, trace);
  if (command == "write") return RunWriteCommand(linkArgs, trace);
  if (command == "card") return RunCardCommand(linkArgs, trace);
  if (command == "scan") return RunScanCommand(linkArgs, trace);
  if (command == "send") return RunSendCommand(linkArgs, trace);
  if (command == "events") return RunEventsCommand(args);
  if (command == "osc") return RunOscCommand(args);
  if (command == "report") return RunReportCommand(args);
  if (command == "set") return RunSetCommand(args);
  if (command == "history") return RunHistoryCommand(args);
  if (command == "diff") return RunDiffCommand(args);
  if (command == "sync") return RunSyncCommand(args);
  if (command == "record") return RunRecordCommand(linkArgs, trace);
  return UsageError("unknown command: " + command);
}

}  // namespace

int UsageError(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "quillon-cli: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

}  // namespace quillon::cli

int main(int argc, char** argv) {
  using namespace quillon::cli;
  Args args(argv + 1, argv + argc);
  std::string workspace;
  std::size_t next = 0;
  if (next < args.size() && (args[next] == "--help" || args[next] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  if (next < args.size() && args[next] == "--version") {
    std::printf("quillon-cli %s\n", QUILLON_VERSION);
    return kExitDone;
  }
  if (next < args.size() && args[next] == "--workspace") {
    if (next + 1 >= args.size()) return UsageError("--workspace needs a directory");
    workspace = args[next + 1];
    if (workspace.empty()) return UsageError("--workspace needs a directory");
    next += 2;
  }
  if (next >= args.size()) return UsageError("no command given");
  try {
    // An absolute root, so printed paths can be used from any directory.
    const quillon::WorkspaceLocation location = quillon::LocateWorkspace(workspace);
    for (const std::string& problem : quillon::PrepareWorkspace(location.root, location.installedData)) {
      std::fprintf(stderr, "quillon-cli: %s\n", problem.c_str());
    }
    quillon::InitWorkspacePaths(location.root);
    const std::string command = args[next];
    return Dispatch(command, Args(args.begin() + static_cast<std::ptrdiff_t>(next) + 1, args.end()));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-cli: %s\n", error.what());
    return kExitFailed;
  }
}
