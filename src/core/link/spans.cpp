#include "link/spans.h"

#include "link/buses.h"
#include "variables/view.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

// The register after the span of the variable holding the highest register. A list whose
// highest register is 0 still gets its span: leaving the end at 0 would turn the read of
// register 0 into a report slave ID request.
std::uint16_t EndRegister(std::span<const SpanItem> items) {
  const SpanItem* highest = nullptr;
  for (std::size_t i = items.size(); i-- > 0;) {
    const SpanItem& item = items[i];
    if (!item.Polled) continue;
    if (highest == nullptr || item.Register >= highest->Register) highest = &item;
  }
  if (highest == nullptr) return 0;
  return static_cast<std::uint16_t>(highest->Register + (highest->Size >> 1) + 1);
}

}  // namespace

std::vector<SpanItem> SpanItems(const TViewList& list) {
  std::vector<SpanItem> items;
  items.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    const TView& view = list.Item(i);
    items.push_back(SpanItem{view.Definition().Address, view.Definition().Size, view.Definition().Register,
                             view.Definition().HighByte, view.Kind() == ViewKind::Bit, view.HasControllerCell()});
  }
  return items;
}

QuBUSRange QuBUSSpan(std::span<const SpanItem> items) {
  QuBUSRange range;
  const SpanItem* highest = nullptr;
  for (std::size_t i = items.size(); i-- > 0;) {
    const SpanItem& item = items[i];
    if (!item.Polled) continue;
    if (item.Address < range.Start) range.Start = item.Address;
    if (highest == nullptr || item.Address >= highest->Address) highest = &item;
  }
  // Like the register end, a highest address of 0 still gets its size: otherwise a list of
  // variables at address 0 would read nothing at all.
  if (highest != nullptr) range.End = static_cast<std::uint16_t>(highest->Address + highest->Size);
  return range;
}

void QuBUSSpan(const TViewList& list, std::uint16_t& start, std::uint16_t& end) {
  const QuBUSRange range = QuBUSSpan(SpanItems(list));
  start = range.Start;
  end = range.End;
}

MODBUSRange MODBUSSpan(std::span<const SpanItem> items) {
  MODBUSRange range;
  bool started = false;
  for (std::size_t i = items.size(); i-- > 0;) {
    const SpanItem& item = items[i];
    if (!item.Polled) continue;
    if (!started || (item.Register <= range.StartRegister && item.Address < range.StartAddress)) {
      range.StartRegister = item.Register;
      range.StartAddress = item.Address;
      started = true;
    }
  }
  range.EndRegister = EndRegister(items);
  range.OddStart = started ? (range.StartAddress & 1) : 0;
  return range;
}

void MODBUSSpan(const TViewList& list, std::uint16_t& startRegister, std::uint16_t& endRegister, int& oddStart) {
  const MODBUSRange range = MODBUSSpan(SpanItems(list));
  startRegister = range.StartRegister;
  endRegister = range.EndRegister;
  oddStart = range.OddStart;
}

MODBUSRange MODBUSWriteSpan(std::span<const SpanItem> items) {
  MODBUSRange range;
  const SpanItem* lowest = nullptr;
  for (std::size_t i = items.size(); i-- > 0;) {
    const SpanItem& item = items[i];
    if (!item.Polled) continue;
    if (lowest == nullptr || item.Register <= lowest->Register) lowest = &item;
  }
  if (lowest != nullptr) {
    range.StartRegister = lowest->Register;
    range.StartAddress = lowest->Address;
    if (lowest->IsBit && lowest->HighByte) range.StartAddress = static_cast<std::uint16_t>(range.StartAddress - 1);
  }
  range.EndRegister = EndRegister(items);
  return range;
}

void MODBUSWriteSpan(const TViewList& list, std::uint16_t& startRegister, std::uint16_t& endRegister,
                     std::uint16_t& startAddress) {
  const MODBUSRange range = MODBUSWriteSpan(SpanItems(list));
  startRegister = range.StartRegister;
  endRegister = range.EndRegister;
  startAddress = range.StartAddress;
}

void BuildQuBUSRead(const TViewList* list, std::string_view area, std::uint16_t start, std::uint16_t end,
                    std::uint8_t* frame, int& length) {
  BuildQuBUSRead(list != nullptr ? list->AddressStep : 1, area, start, end, frame, length);
}

std::array<std::uint8_t, 2> RegisterBytesForByte(std::uint8_t newByte, const std::uint8_t* image, std::size_t imageSize,
                                                 const TView& variable) {
  return RegisterBytesForByte(newByte, image, imageSize, variable.Definition().Address, variable.Definition().HighByte);
}

}  // namespace quillon
