#pragma once
// A log page turned into a record file: the process data of each of its 16 records becomes ten
// samples of the device's variables, so the scope window shows every event as a short plateau
// with a time mark at its end.
#include <cstdint>
#include <span>
#include <string>

#include "alarm/log_page.h"
#include "scope/record_header.h"
#include "variables/view_list.h"

namespace quillon {

class Prompt;

inline constexpr int kSamplesPerLogRecord = 10;
// The sample range written: the record writer counts it from ring position 0, one before the
// first appended sample.
inline constexpr int kPageRecordFirst = 0;
inline constexpr int kPageRecordLast = 150;
// The tick flag that ends each log record's samples.
inline constexpr std::uint8_t kLogRecordEndMark = 1;

// The variables of the device file's RAM set laid over `image` (the lowest address at offset 0,
// every other at its address difference from it), with the file's scale table, and a time mark
// in front of them. Lines that cannot be read are left out.
// The window settings of a record a service tool makes (position and size 100/100/100/300,
// column widths 30/50/50/30, zoom 1, no scroll), for the device file `devicePath`.
RecordHeader ServiceRecordHeader(const std::string& devicePath);

void LoadProcessVariables(const std::string& devicePath, std::span<std::uint8_t> image, TViewList& list);

// "<records>ddmmyy_hhmmss.rec" after the newest record of a sorted page.
std::string PageRecordPath(const LogPage& page, const std::string& recordsDirectory);

// Writes the sorted page as a record file at `path` (its directory is created when missing).
// Returns the number of samples per variable written, 0 when the file could not be made
// (`prompt` has been told why).
int WritePageRecord(const LogPage& page, const std::string& devicePath, const std::string& path, Prompt& prompt);

}  // namespace quillon
