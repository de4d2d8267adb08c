#include "alarm/page_record.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/files.h"
#include "scope/record_file.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "workspace/device_file.h"

namespace quillon {

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

RecordHeader ServiceRecordHeader(const std::string& devicePath) {
  RecordHeader header;
  header.DevicePath = devicePath;
  header.Left = 100;
  header.Top = 100;
  header.Width = 100;
  header.Height = 300;
  header.ColWidths = {30, 50, 50, 30};
  header.Zoom = "1";
  header.Scroll = "0";
  return header;
}

void LoadProcessVariables(const std::string& devicePath, std::span<std::uint8_t> image, TViewList& list) {
  list.ClearVariables();
  list.Path = devicePath;
  for (const std::string& line : ReadDeviceSections(devicePath, kReadVars).vars) list.AddScale(line);
  for (const std::string& line : ReadParameterSection(devicePath, "RAM")) {
    try {
      CreateVariable(line, kDefaultViewParameters, {}, list);
    } catch (const ConversionError&) {
      // One line edited by hand must not cost the engineer the whole record.
    }
  }
  list.Rescale();
  list.AddressStep = 1;
  list.LayoutByAddress(image);
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &list;
  list.Variables.insert(list.Variables.begin(), std::move(mark));
}

std::string PageRecordPath(const LogPage& page, const std::string& recordsDirectory) {
  return recordsDirectory + RecordFileName(page.records.front().stamp);
}

int WritePageRecord(const LogPage& page, const std::string& devicePath, const std::string& path, Prompt& prompt) {
  // The list points into these three, so they are made first and go last.
  std::array<std::uint8_t, kProcessDataLength> image{};
  std::uint8_t flags = 0;
  DateTime stamp = 0.0;
  TViewList list;
  LoadProcessVariables(devicePath, image, list);
  auto& mark = static_cast<TTimeMark&>(list.Item(0));
  mark.AttachMarkFlags(&flags);
  mark.Clock = [&stamp] { return stamp; };

  for (auto record = page.records.rbegin(); record != page.records.rend(); ++record) {
    image = record->process;
    stamp = record->stamp;
    for (int sample = 0; sample < kSamplesPerLogRecord; ++sample) {
      flags = sample == kSamplesPerLogRecord - 1 ? kLogRecordEndMark : 0;
      list.SampleAll();
    }
  }
  const std::string directory = DirectoryOf(path);
  if (!directory.empty()) EnsureDirectory(directory);
  return WriteRecord(ServiceRecordHeader(devicePath), list, kPageRecordFirst, path, kPageRecordLast, prompt);
}

}  // namespace quillon
