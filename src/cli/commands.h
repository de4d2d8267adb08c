#pragma once
// Sub-commands of quillon-cli. Each takes the arguments after its own name and returns the
// process exit code (0 done, 1 failed with a message on stderr, 2 usage error, 3 the work waits
// for the engineer's choice).
// The workspace paths (--workspace, or the program directory) are set before a command runs.
#include <string>
#include <vector>

namespace quillon::cli {

using Args = std::vector<std::string>;

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitConflicts = 3;

// Prints the usage text of quillon-cli to stderr and returns kExitUsage.
int UsageError(const std::string& problem);

int RunVarCommand(const Args& args);
int RunCatalogueCommand(const Args& args);
int RunParseIdCommand(const Args& args);
int RunFindDeviceCommand(const Args& args);
// Record files: summary and samples as a table.
int RunRecCommand(const Args& args);

// Link commands: frames and CRC, and talking to a controller through the port workers. Those
// that talk to a controller take `trace` (--trace): every frame on standard error.
int RunPortsCommand(const Args& args);
int RunCrcCommand(const Args& args);
int RunFrameCommand(const Args& args);
int RunIdentCommand(const Args& args, bool trace);
int RunReadCommand(const Args& args, bool trace);
int RunWriteCommand(const Args& args, bool trace);
// The device search of a MODBUS line, and one raw command as the terminal sends it.
int RunScanCommand(const Args& args, bool trace);
int RunSendCommand(const Args& args, bool trace);
// The controller's memory card: list, download, upload, delete, apply.
int RunCardCommand(const Args& args, bool trace);
// Event and statistics files of the event recorder, read with the device file's descriptions.
int RunEventsCommand(const Args& args);
// The oscillogram around an event, from a copy of OSC.dat, as a record.
int RunOscCommand(const Args& args);
// A scope window's recording without the window: its scope file polled for a while, then a record.
int RunRecordCommand(const Args& args, bool trace);
// The commissioning report of a device as a spreadsheet in Reports/.
int RunReportCommand(const Args& args);
// The history of a device file: a base value changed and saved as a new version, the versions,
// and the values changed between two of them.
int RunSetCommand(const Args& args);
int RunHistoryCommand(const Args& args);
int RunDiffCommand(const Args& args);
// The device files exchanged with the team's repository.
int RunSyncCommand(const Args& args);

}  // namespace quillon::cli
