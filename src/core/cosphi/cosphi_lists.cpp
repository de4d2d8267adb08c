#include "cosphi/cosphi_lists.h"

#include <climits>
#include <initializer_list>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "workspace/device_file.h"

namespace quillon {
namespace {

void Fill(TViewList& list, const std::vector<std::string>& lines, std::initializer_list<std::string_view> names,
          std::span<std::uint8_t> image) {
  for (const std::string_view name : names) {
    try {
      CreateVariableByName(lines, name, image, list);
    } catch (const ConversionError&) {
      // A line edited by hand must not keep the other values from showing.
    }
  }
  list.LayoutByAddress(image);
}

int AddressStep(const IniDocument& device) {
  const auto mcu = device.Value(kDeviceSection, "MCU");
  if (!mcu) return 1;
  const auto step = TryReadInteger(*mcu);
  return step && *step >= 1 && *step <= INT_MAX ? static_cast<int>(*step) : 1;
}

}  // namespace

CosPhiLists::CosPhiLists() : ramImage(kImageSize), flashImage(kImageSize) {}

void BuildCosPhiLists(const std::string& path, CosPhiLists& lists) {
  for (TViewList* list : {&lists.ram, &lists.flash, &lists.xram}) {
    list->ClearVariables();
    list->Path = path;
    list->AddressStep = 1;
  }
  if (!FileExists(path)) return;
  const IniDocument device = IniDocument::Load(path);
  const int step = AddressStep(device);
  const std::vector<std::string> scales = device.SectionLines(kVarsSection);
  for (TViewList* list : {&lists.ram, &lists.flash}) {
    list->AddressStep = step;
    for (const std::string& line : scales) list->AddScale(line);
  }

  std::vector<std::string> ramLines = device.SectionLines("RAM");
  ramLines.emplace_back(kCosBufWriteLine);
  Fill(lists.ram, ramLines, {kAngleName, kStatorVoltageName, kStatorCurrentName, kBufferRequestName}, lists.ramImage);
  Fill(lists.flash, device.SectionLines("FLASH"), {kOffsetName}, lists.flashImage);
  Fill(lists.xram, device.SectionLines("XRAM"), {kVoltagePhaseName, kCurrentPhaseName}, lists.phaseImage);
}

}  // namespace quillon
