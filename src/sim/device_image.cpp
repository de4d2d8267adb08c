#include "sim/device_image.h"

#include <stdexcept>

#include "platform/files.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "workspace/device_file.h"

namespace quillon::sim {
namespace {

bool HasCell(const TView& view) {
  return view.HasControllerCell();
}

// Variables of one section, their base values written into `image`; `covered` marks the bytes
// they occupy.
void WriteSection(const std::vector<std::string>& lines, const std::vector<std::string>& scales, TViewList& list,
                  std::vector<std::uint8_t>& image, std::vector<bool>& covered, const std::string& path,
                  const char* section) {
  for (const auto& scale : scales) list.AddScale(scale);
  for (const auto& line : lines) {
    TView* view = nullptr;
    try {
      view = CreateVariable(line, "", image, list);
    } catch (const ConversionError& error) {
      throw std::runtime_error(path + ": section " + section + ": unreadable line \"" + line + "\": " + error.what());
    }
    if (view == nullptr || !HasCell(*view)) continue;
    view->WriteBase(image);
    for (int i = 0; i < view->Definition().Size && i < 4; ++i) {
      const std::size_t at = static_cast<std::size_t>(view->Definition().Address) + static_cast<std::size_t>(i);
      if (at < covered.size()) covered[at] = true;
    }
  }
}

void CollectHints(const TViewList& list, Area area, std::vector<RegisterHint>& hints) {
  for (const auto& view : list.Variables) {
    if (!HasCell(*view) || view->Definition().RegisterText.empty()) continue;
    hints.push_back(RegisterHint{area, view->Definition().Address, view->Definition().Register,
                                 view->Definition().HighByte, static_cast<int>(view->Definition().Size)});
  }
}

// Copies the bytes `from` covers into `to` where `taken` does not cover them yet.
void FillGaps(const std::vector<std::uint8_t>& from, const std::vector<bool>& fromCovered, std::span<std::uint8_t> to,
              std::vector<bool>& taken) {
  for (std::size_t at = 0; at < kAreaSize; ++at) {
    if (fromCovered[at] && !taken[at]) {
      to[at] = from[at];
      taken[at] = true;
    }
  }
}

}  // namespace

DeviceImage LoadDeviceImage(const std::string& path) {
  if (!FileExists(path)) throw std::runtime_error("device file not found: " + path);
  const DeviceSections sections = ReadDeviceSections(path, kReadAllSections);
  DeviceImage result;
  result.id = FirstLineValue(sections.device, "ID").value_or("");

  struct Set {
    const std::vector<std::string>* lines;
    const char* name;
    TViewList list;
    std::vector<std::uint8_t> image;
    std::vector<bool> covered;
  };
  Set flash{&sections.flash, "FLASH", {}, std::vector<std::uint8_t>(kAreaSize, 0xFF), std::vector<bool>(kAreaSize)};
  Set cd{&sections.cd, "CD", {}, std::vector<std::uint8_t>(kAreaSize, 0xFF), std::vector<bool>(kAreaSize)};
  Set ram{&sections.ram, "RAM", {}, std::vector<std::uint8_t>(kAreaSize, 0x00), std::vector<bool>(kAreaSize)};
  for (Set* set : {&flash, &cd, &ram}) {
    WriteSection(*set->lines, sections.vars, set->list, set->image, set->covered, path, set->name);
    result.variableCount += set->list.Count();
  }
  if (result.variableCount == 0) throw std::runtime_error(path + ": no variables in sections FLASH, CD or RAM");

  auto flashBytes = result.memory.Bytes(Area::Flash);
  std::vector<bool> taken(kAreaSize);
  FillGaps(flash.image, flash.covered, flashBytes, taken);
  FillGaps(cd.image, cd.covered, flashBytes, taken);
  FillGaps(ram.image, ram.covered, flashBytes, taken);
  std::vector<bool> ramTaken(kAreaSize);
  FillGaps(ram.image, ram.covered, result.memory.Bytes(Area::Ram), ramTaken);

  std::vector<RegisterHint> hints;
  CollectHints(flash.list, Area::Flash, hints);
  CollectHints(cd.list, Area::Flash, hints);
  CollectHints(ram.list, Area::Ram, hints);
  result.registers = RegisterMap::FromHints(hints);

  for (const auto& view : ram.list.Variables) {
    if (!HasCell(*view)) continue;
    MovingCell cell;
    cell.name = view->Definition().Name;
    cell.address = view->Definition().Address;
    cell.size = view->Definition().Size;
    cell.isBit = view->Kind() == ViewKind::Bit;
    cell.isFloat = view->Kind() == ViewKind::Float;
    cell.mask = cell.isBit ? (view->Definition().Mask & 0xFF) : 0xFF;
    result.moving.push_back(cell);
  }
  for (const auto& view : flash.list.Variables) {
    if (!HasCell(*view)) continue;
    result.settings.push_back(
        MovingCell{view->Definition().Name, view->Definition().Address, view->Definition().Size, 0xFF, false});
  }
  return result;
}

}  // namespace quillon::sim
