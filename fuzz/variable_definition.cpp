// A hand-edited device file line becomes a variable: the definition on the first line of the
// input, its view parameters on the second, scale table lines after them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const std::vector<std::string> lines = SplitLines(fuzz::AsText(data, size));
  TViewList list;
  for (std::size_t i = 2; i < lines.size(); ++i) list.AddScale(lines[i]);
  static std::array<std::uint8_t, kImageSize> image;
  image.fill(0x5A);
  // An unreadable number is the user's error, reported as a ConversionError, never a crash.
  try {
    TView* variable = CreateVariable(lines[0], lines.size() > 1 ? lines[1] : std::string(), image, list);
    if (variable == nullptr) return 0;
    // What a window does with a fresh variable: sample it, show it, save it back, take an entry.
    list.Rescale();
    variable->TakeSample();
    const int newest = variable->History.Head();
    variable->ValueTextAt(newest, true, 3);
    variable->ValueTextAt(newest, false, 6);
    variable->HexTextAt(newest);
    variable->DefinitionLine();
    for (int kind = 0; kind < 8; ++kind) variable->ColumnTextAt(kind, newest);
    variable->WriteBase(image);
    std::string entry = "=" + variable->BaseValue;
    variable->ParseInput(entry);
  } catch (const ConversionError&) {
  }
  return 0;
}
