#pragma once
// What the record properties dialog shows of a record: a summary of when and where it was taken,
// the variables the record holds and the ones the window shows, and the new display order the
// user picks among them.
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_document.h"
#include "text/datetime.h"
#include "variables/view_list.h"

namespace quillon {

// The text part of a record (everything before its samples); empty for a file that cannot be
// read.
IniDocument ReadRecordText(const std::string& path);

// "hh:nn:ss  [dd.mm.yyyy]".
std::string RecordTimeText(DateTime time);
inline constexpr std::string_view kNoRecordTimeText = "--:--:--  [--.--.----]";

// Start and end of the record, the device it was taken from and the number of samples, one
// line each. The times are those of the list's time mark: its second entry and entry
// `samples` - 1.
std::vector<std::string> RecordInfoLines(const IniDocument& record, const TViewList& list, int samples);

// One entry per variable the record holds: "key=name - description".
std::vector<std::string> RecordSourceEntries(const IniDocument& record);
// One entry per variable the window shows, the time mark left out, in the same form.
std::vector<std::string> RecordDestEntries(const TViewList& list);

// The key an entry of either list stands for.
std::string EntryKey(std::string_view entry);

// Places the variables named by `keys` right after the time mark, in that order, and drops
// every other variable. Keys compare as the profile compares them, without regard to case.
void ReorderByKeys(TViewList& list, const std::vector<std::string>& keys);

}  // namespace quillon
