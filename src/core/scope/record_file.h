#pragma once
// Record files (.rec): a stretch of scope samples with everything needed to show them again
// without the device. A Windows-1251 INI text (records, DEVICE, window, viewoption, paralist,
// vars) is followed, right after the line "[binarydata]", by one block of samples per variable:
// the time mark first, then the variables in paralist order, each block n entries of the
// variable's own size, oldest first, with nothing between them.
#include <optional>
#include <string>
#include <string_view>

#include "scope/record_header.h"
#include "text/datetime.h"
#include "variables/view_list.h"

namespace quillon {

class Prompt;

// "Records/ddmmyy_hhmmss.rec" in the workspace, for a record taken at `when`.
std::string DefaultRecordName(DateTime when);
// "ddmmyy_hhmmss.rec" alone.
std::string RecordFileName(DateTime when);

// Writes the samples from ring position `first` on, |first - last| + 1 of them, of every
// variable of `list` (the time mark at index 0) into `fileName`, or into a new file named after
// the current time in the workspace's records directory when the name is empty. Returns the
// number of samples per variable, or 0 after telling `prompt` why nothing was written.
int WriteRecord(const RecordHeader& header, TViewList& list, int first, std::string fileName, int last, Prompt& prompt);

// Fills `list` with the record's variables in display order, the time mark first, each with its
// samples, and `header` with the record's window values. Variables that the display order does
// not name are left out. Returns the number of samples per variable (0 for a file that is
// missing or holds none).
int OpenRecord(const std::string& fileName, TViewList& list, RecordHeader& header);
// The variables of the record with their samples as OpenRecord gives them, but every variable
// the record holds, in the order of its definitions, and no window values: for choosing anew
// which of them a window shows.
int ReloadRecordVariables(const std::string& fileName, TViewList& list);

// Writes the window values, display order and display settings of `list` and its scale table
// into the record, keeping its samples and definitions byte for byte. False, with the file
// untouched, when the record cannot be read (or holds no samples part) or cannot be written;
// `prompt` is told when it could not be written or there was no memory for its samples.
bool RewriteRecordHeader(const RecordHeader& header, TViewList& list, const std::string& fileName, Prompt& prompt);

struct BinaryPart {
  // Where the line "[binarydata]" starts (the end of the text part), and the first sample byte;
  // npos when the file has no such line.
  std::size_t Header = std::string::npos;
  std::size_t Data = std::string::npos;
};
// The samples part of a record's bytes.
BinaryPart FindBinaryPart(std::string_view bytes);
// The whole file; nothing for a file that cannot be read or is not a regular file (a directory
// would make a stream throw, a pipe would never end).
std::optional<std::string> ReadRecordBytes(const std::string& path);

// Texts shown to the user.
inline constexpr std::string_view kCreateFailedText = "Неполучилось создать фаил";
inline constexpr std::string_view kOutOfMemoryText = "EOutOfMemory - память кончилась :-(";

}  // namespace quillon
