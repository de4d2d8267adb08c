#include "scope/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "platform/profile.h"
#include "platform/prompt.h"
#include "platform/save_temporaries.h"
#include "scope/scope_file.h"
#include "text/cp1251.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

constexpr std::string_view kBinaryHeader = "[binarydata]";
constexpr std::string_view kDefaultPositionSize = "390/166/676/176/";
constexpr std::string_view kDefaultOption = "47/45/55/21/1/0/";
constexpr std::string_view kDefaultViewOption = "1/16/";
constexpr std::size_t npos = std::string::npos;

}  // namespace

// Only a line of its own counts: a DEVICE value may well read "[binarydata]".
BinaryPart FindBinaryPart(std::string_view bytes) {
  for (std::size_t at = bytes.find(kBinaryHeader); at != npos; at = bytes.find(kBinaryHeader, at + 1)) {
    if (at != 0 && bytes[at - 1] != '\n') continue;
    const std::size_t after = at + kBinaryHeader.size();
    if (bytes.substr(after, 2) == "\r\n") return {at, after + 2};
    if (bytes.substr(after, 1) == "\n") return {at, after + 1};
  }
  return {};
}

std::optional<std::string> ReadRecordBytes(const std::string& path) {
  // A directory makes the stream throw and a pipe would never end.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // In blocks: a record runs to megabytes, and a character at a time costs several times more.
  std::string bytes;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error) bytes.reserve(static_cast<std::size_t>(size));
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return std::nullopt;
  return bytes;
}

namespace {

// Through a temporary file and a rename, so that a failure never leaves half a record (and a
// rewrite never loses the samples of the old one).
bool WriteFileAtomically(const std::string& path, std::string_view first, std::span<const std::uint8_t> second) {
  RemoveStaleSaveTemporaries(path);
  const std::string temp = SaveTemporaryName(path);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  auto writeAll = [&](const char* data, std::size_t size) {
    while (ok && size > 0) {
      const ssize_t n = ::write(fd, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = false;
        break;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  };
  writeAll(first.data(), first.size());
  writeAll(reinterpret_cast<const char*>(second.data()), second.size());
  struct stat st {};
  if (ok && ::stat(path.c_str(), &st) == 0 && ::fchmod(fd, st.st_mode & 07777) != 0) ok = false;
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

void ShowCreateFailed(Prompt& prompt, const std::string& fileName) {
  prompt.Warning("Quillon", std::string(kCreateFailedText) + "\n" + PathForDisplay(fileName));
}

void ShowOutOfMemory(Prompt& prompt, std::string_view where) {
  prompt.Warning("Quillon", std::string(where) + "\n" + std::string(kOutOfMemoryText));
}

class TextPart {
 public:
  void Section(std::string_view name, const std::vector<std::string>& lines) {
    Line("[" + std::string(name) + "]");
    for (const auto& line : lines) Line(line);
    Line("");
  }
  void Line(std::string_view line) {
    text_ += line;
    text_ += "\r\n";
  }
  std::string FileBytes() {
    Line(kBinaryHeader);
    return Utf8ToCp1251(text_);
  }

 private:
  std::string text_;
};

std::vector<std::string> WindowLines(const RecordHeader& header) {
  return {"positionsize=" + PositionSizeText(header), "option=" + OptionText(header)};
}

// Every shown variable, top row first, with the value a scope window file gives it.
std::vector<std::string> ViewOptionLines(const TViewList& list) {
  std::vector<std::string> lines;
  for (const auto& variable : list.Variables) {
    if (!variable->IsTimeMark()) lines.push_back(variable->Definition().Key + "=" + ViewListValue(*variable));
  }
  return lines;
}

// Every entry after the time mark, in the order their blocks follow it.
std::vector<std::string> ParalistLines(TViewList& list) {
  std::vector<std::string> lines;
  for (std::size_t i = 1; i < list.Variables.size(); ++i) lines.push_back(list.Variables[i]->DefinitionLine());
  return lines;
}

std::vector<std::string> DeviceLines(const std::string& devicePath) {
  return devicePath.empty() ? std::vector<std::string>{} : ProfileSectionLines(devicePath, "DEVICE");
}

// Each key moves its variable to the next place under the time mark; variables no key names
// stay in the file but are not shown.
void ApplyDisplayOrder(const std::vector<std::string>& keys, TViewList& list) {
  auto& variables = list.Variables;
  if (variables.empty()) return;
  std::size_t placed = 1;
  for (const auto& key : keys) {
    for (std::size_t i = placed; i < variables.size(); ++i) {
      if (!SameTextIgnoringCase(variables[i]->Definition().Key, key)) continue;
      const auto at = variables.begin() + static_cast<std::ptrdiff_t>(i);
      std::rotate(variables.begin() + static_cast<std::ptrdiff_t>(placed), at, at + 1);
      ++placed;
      break;
    }
  }
  variables.erase(variables.begin() + static_cast<std::ptrdiff_t>(placed), variables.end());
}

// Every variable takes its block in list order; a block is known only by n and the entry size,
// so a part cut short leaves the later variables with what is left (or nothing).
void LoadBlocks(std::span<const std::uint8_t> data, int n, TViewList& list) {
  std::size_t offset = 0;
  for (const auto& variable : list.Variables) {
    const std::size_t bytes = variable->SampleBytes(n);
    const std::size_t start = std::min(offset, data.size());
    variable->LoadSamples(data.subspan(start, std::min(bytes, data.size() - start)), n);
    offset += bytes;
  }
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::string RecordFileName(DateTime when) {
  const DateTimeParts p = DecodeDateTime(when);
  char name[32];
  std::snprintf(name, sizeof name, "%02d%02d%02d_%02d%02d%02d.rec", p.day, p.month, p.year % 100, p.hour, p.minute,
                p.second);
  return name;
}

std::string DefaultRecordName(DateTime when) { return Workspace().records + RecordFileName(when); }

int WriteRecord(const RecordHeader& header, TViewList& list, int first, std::string fileName, int last,
                Prompt& prompt) {
  // The same ring never yields more samples than it holds, and a reader takes no more.
  const long long span = std::llabs(static_cast<long long>(first) - static_cast<long long>(last)) + 1;
  const int n = static_cast<int>(std::min<long long>(span, kHistoryLength));

  TextPart text;
  text.Section("records", {"counter=" + CounterText(n)});
  text.Section("DEVICE", DeviceLines(header.DevicePath));
  text.Section("window", WindowLines(header));
  text.Section("viewoption", ViewOptionLines(list));
  text.Section("paralist", ParalistLines(list));
  text.Section("vars", list.Scales.Lines);

  std::vector<std::uint8_t> binary;
  try {
    std::size_t total = 0;
    for (const auto& variable : list.Variables) total += variable->SampleBytes(n);
    binary.resize(total);
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory(prompt, "CreateRecords");
    return 0;
  }
  std::size_t offset = 0;
  for (const auto& variable : list.Variables) {
    const std::size_t bytes = variable->SampleBytes(n);
    variable->CopySamples(std::span(binary).subspan(offset, bytes), first, n);
    offset += bytes;
  }

  if (fileName.empty()) {
    fileName = DefaultRecordName(NowDateTime());
    EnsureDirectory(Workspace().records);
  }
  if (!WriteFileAtomically(fileName, text.FileBytes(), binary)) {
    ShowCreateFailed(prompt, fileName);
    return 0;
  }
  return n;
}

namespace {

// Without a header the window values are left alone; without the display order every variable
// of `paralist` stays, in file order.
int ReadRecord(const std::string& fileName, TViewList& list, RecordHeader* header, bool displayOrder) {
  list.ClearVariables();
  const std::string bytes = ReadRecordBytes(fileName).value_or(std::string());
  const BinaryPart part = FindBinaryPart(bytes);
  const IniDocument text = IniDocument::FromText(Cp1251ToUtf8(std::string_view(bytes).substr(0, part.Header)));

  const int n = ReadCounter(text.Value("records", "counter", "0"));
  if (header != nullptr) {
    ReadPositionSize(text.Value("window", "positionsize", kDefaultPositionSize), *header);
    ReadOption(text.Value("window", "option", kDefaultOption), *header);
  }
  for (auto& line : text.SectionLines("vars")) list.AddScale(std::move(line));

  const std::vector<std::string> paralist = text.SectionLines("paralist");
  if (!paralist.empty()) {
    list.Append(std::make_unique<TTimeMark>());
    for (const auto& line : paralist) {
      const std::string view = text.Value("viewoption", LineKey(line), kDefaultViewOption);
      try {
        CreateVariable(line, view, {}, list);
      } catch (const ConversionError&) {
        // A line the variables cannot read is skipped as an unknown type would be.
      }
    }
  }

  if (part.Data != npos) LoadBlocks(AsBytes(bytes).subspan(part.Data), n, list);
  if (displayOrder) ApplyDisplayOrder(text.KeyNames("viewoption"), list);
  return n;
}

}  // namespace

int OpenRecord(const std::string& fileName, TViewList& list, RecordHeader& header) {
  return ReadRecord(fileName, list, &header, true);
}

int ReloadRecordVariables(const std::string& fileName, TViewList& list) {
  return ReadRecord(fileName, list, nullptr, false);
}

bool RewriteRecordHeader(const RecordHeader& header, TViewList& list, const std::string& fileName, Prompt& prompt) {
  const std::optional<std::string> bytes = ReadRecordBytes(fileName);
  if (!bytes) return false;
  const BinaryPart part = FindBinaryPart(*bytes);
  if (part.Header == npos) return false;

  std::vector<std::uint8_t> binary;
  try {
    const auto kept = AsBytes(*bytes).subspan(part.Data);
    binary.assign(kept.begin(), kept.end());
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory(prompt, "GetBinaryData");
    return false;
  }
  const IniDocument old = IniDocument::FromText(Cp1251ToUtf8(std::string_view(*bytes).substr(0, part.Header)));

  TextPart text;
  text.Section("records", old.SectionLines("records"));
  text.Section("DEVICE", old.SectionLines("DEVICE"));
  text.Section("window", WindowLines(header));
  text.Section("paralist", old.SectionLines("paralist"));
  text.Section("viewoption", ViewOptionLines(list));
  text.Section("vars", list.Scales.Lines);
  if (!WriteFileAtomically(fileName, text.FileBytes(), binary)) {
    ShowCreateFailed(prompt, fileName);
    return false;
  }
  return true;
}

}  // namespace quillon
