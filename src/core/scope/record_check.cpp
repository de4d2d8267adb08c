#include "scope/record_check.h"

#include <vector>

#include "platform/ini_document.h"
#include "scope/record_file.h"
#include "text/cp1251.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

struct RecordBytes {
  std::string Bytes;
  // Where the line "[binarydata]" starts and where the samples start; npos when there is none.
  std::size_t Header = std::string::npos;
  std::size_t Data = std::string::npos;
};

std::optional<RecordBytes> ReadRecord(const std::string& path) {
  std::optional<std::string> bytes = ReadRecordBytes(path);
  if (!bytes) return std::nullopt;
  const BinaryPart part = FindBinaryPart(*bytes);
  return RecordBytes{std::move(*bytes), part.Header, part.Data};
}

IniDocument TextOf(const RecordBytes& record) {
  return IniDocument::FromText(Cp1251ToUtf8(std::string_view(record.Bytes).substr(0, record.Header)));
}

std::string NotARecord(const std::string& path, std::string_view why) {
  return "Фаил " + PathForDisplay(path) + " не является осциллограммой: " + std::string(why);
}

std::string Damaged(const std::string& path, std::string_view why) {
  return "Фаил " + PathForDisplay(path) + " повреждён: " + std::string(why);
}

}  // namespace

std::optional<std::string> RecordProblem(const std::string& path) {
  const std::optional<RecordBytes> record = ReadRecord(path);
  if (!record) return "Фаил " + PathForDisplay(path) + " не найден !";
  const IniDocument text = TextOf(*record);
  const std::optional<std::string> counter = text.Value("records", "counter");
  if (!counter) return NotARecord(path, "нет раздела [records]");
  if (record->Header == std::string::npos) return NotARecord(path, "нет раздела [binarydata]");
  const std::optional<std::int64_t> n = TryReadInteger(*counter);
  if (!n || *n < 0) return Damaged(path, "неверное число точек counter=" + *counter);
  // The reader takes no more than a ring's worth, so a larger count would shift every block.
  if (*n > kHistoryLength)
    return Damaged(path, "число точек " + std::to_string(*n) + " больше " + std::to_string(kHistoryLength));

  const std::vector<std::string> paralist = text.SectionLines("paralist");
  if (paralist.empty()) return NotARecord(path, "нет переменных в разделе [paralist]");
  TViewList list;
  std::size_t announced = TTimeMark().SampleBytes(static_cast<int>(*n));
  for (const auto& line : paralist) {
    TView* variable = nullptr;
    try {
      variable = CreateVariable(line, {}, {}, list);
    } catch (const ConversionError&) {
      // Unreadable is as bad as unknown: the reader would skip the line and shift every later block.
    }
    if (variable == nullptr) return Damaged(path, "нечитаемая переменная " + line);
    announced += variable->SampleBytes(static_cast<int>(*n));
  }
  const std::size_t present = record->Bytes.size() - record->Data;
  if (present < announced) {
    return Damaged(path, "данных " + std::to_string(present) + " байт из " + std::to_string(announced) + " (" +
                             std::to_string(*n) + " точек)");
  }
  return std::nullopt;
}

}  // namespace quillon
