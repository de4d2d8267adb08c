// The identification string a controller answers with, cleaned and parsed as the link does.
#include "workspace/identification.h"

#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const std::string_view raw = fuzz::AsText(data, size);
  for (const std::string& text : {std::string(raw), FilterIdentificationText(raw)}) {
    const auto id = ParseIdentification(text);
    if (!id) continue;
    DeviceTypeKey(*id);
    BackupFileName(*id);
    if (!SameDevice(*id, *id)) __builtin_trap();
  }
  return 0;
}
