// A record file (.rec) from elsewhere: checked, opened, summarised and exported as the program
// does with a record it did not write.
#include "scope/record_file.h"

#include <cstdint>
#include <sstream>
#include <stdexcept>

#include "fuzz_support.h"
#include "scope/record_check.h"
#include "scope/record_export.h"
#include "scope/record_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const fuzz::InputFile file("record.rec", data, size);
  RecordProblem(file.Path());
  {
    TViewList list;
    RecordHeader header;
    const int samples = OpenRecord(file.Path(), list, header);
    RecordInfoLines(ReadRecordText(file.Path()), list, samples);
    RecordDestEntries(list);
  }
  {
    TViewList list;
    ReloadRecordVariables(file.Path(), list);
  }
  RecordSourceEntries(ReadRecordText(file.Path()));
  // The summary and the export refuse an unsound record with the user's message.
  try {
    ReadRecordSummary(file.Path());
    std::ostringstream csv;
    WriteRecordCsv(file.Path(), csv, true, std::nullopt, std::nullopt);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
