// A device file edited by hand, read through the private-profile layer as the program reads it.
#include "platform/ini_document.h"

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const fuzz::InputFile file("device.ini", data, size);
  IniDocument document = IniDocument::Load(file.Path());
  for (const std::string& section : document.SectionNames()) {
    for (const std::string& key : document.KeyNames(section)) document.Value(section, key, "");
    document.SectionLines(section);
  }
  ReadProfileString(file.Path(), "DEVICE", "ID", "");
  ReadProfileInt(file.Path(), "vars", "Inom", 0);
  ProfileSectionLines(file.Path(), "FLASH");

  // A written key must read back whatever the file held before.
  document.SetValue("DEVICE", "LastDateTime", "14.09.2023 10:42:17");
  if (document.Value("DEVICE", "LastDateTime") != "14.09.2023 10:42:17") __builtin_trap();
  document.EraseSection("vars");
  const std::string bytes = document.ToFileBytes();
  IniDocument::FromText(std::string_view(document.Lines().empty() ? "" : document.Lines().front()));
  const fuzz::InputFile saved("saved.ini", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  WriteProfileString(saved.Path(), "DEVICE", "ID", "1027 TK v3.14 2021-03-15");
  if (ReadProfileString(saved.Path(), "DEVICE", "ID", "") != "1027 TK v3.14 2021-03-15") __builtin_trap();
  return 0;
}
