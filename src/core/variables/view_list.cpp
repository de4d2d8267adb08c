#include "variables/view_list.h"

#include <algorithm>

#include "platform/ini_document.h"
#include "text/numbers.h"

namespace quillon {

TView* TViewList::Append(std::unique_ptr<TView> variable) {
  variable->Owner = this;
  Variables.push_back(std::move(variable));
  return Variables.back().get();
}

void TViewList::ClearVariables() {
  Scales.Clear();
  Variables.clear();
}

TView* TViewList::FindVariable(std::string_view name) {
  for (auto it = Variables.rbegin(); it != Variables.rend(); ++it) {
    if ((*it)->Definition().Name == name) return it->get();
  }
  return nullptr;
}

void TViewList::SaveScales() const {
  IniDocument document = IniDocument::LoadForEdit(Path);
  // The section keeps its place in the file, so a saved device file differs from the old one
  // only where the table changed; an empty table leaves no section behind.
  if (Scales.Lines.empty()) {
    document.EraseSection("vars");
  } else {
    document.ReplaceSection("vars", Scales.Lines);
  }
  document.Save(Path);
}

void TViewList::Rescale() {
  for (auto& variable : Variables) variable->Rescale();
}

void TViewList::LayoutByAddress(std::span<std::uint8_t> image) {
  std::vector<TView*> laid;
  for (auto& variable : Variables) {
    // A word without an address would otherwise count as address 0 and stretch the image (and
    // the read that fills it) down to there.
    if (variable->HasControllerCell())
      laid.push_back(variable.get());
  }
  if (laid.empty()) return;
  const auto lowest = std::min_element(laid.begin(), laid.end(), [](const TView* a, const TView* b) {
    return a->Definition().Address < b->Definition().Address;
  });
  const std::size_t origin = (*lowest)->Definition().Address;
  const std::size_t step = static_cast<std::size_t>(std::max(AddressStep, 1));
  for (TView* variable : laid) variable->AttachImage(image, (variable->Definition().Address - origin) * step);
}

void TViewList::SampleAll() {
  for (auto it = Variables.rbegin(); it != Variables.rend(); ++it) (*it)->TakeSample();
}

int TViewList::ShownSample(const TView& variable) const {
  return LiveMode ? variable.History.Head() : Cursor % kHistoryLength;
}

void TViewList::Paint(Canvas& canvas) {
  canvas.ClearClip();
  if (Variables.empty()) {
    canvas.SetBrush(kWhite);
    canvas.FillRect(Rect{0, 0, canvas.Width(), canvas.Height()});
    return;
  }
  int y = 0;
  for (int i = std::max(TopIndex, 0); i < Count(); ++i) {
    if (i == 0) continue;
    TView& variable = Item(i);
    variable.DrawRow(canvas, y, ShownSample(variable));
    y += variable.RowHeight;
  }
  // Every row fills its own band: only what lies below the last one needs the background (a
  // scope redraws sixty times a second, and a whole-image fill is most of a redraw's memory
  // traffic).
  if (y < canvas.Height()) {
    canvas.ClearClip();
    canvas.SetBrush(kWhite);
    canvas.FillRect(Rect{0, std::max(y, 0), canvas.Width(), canvas.Height()});
  }
  // Row 0 goes on top of the others: scope windows keep their time-mark row there.
  Item(0).DrawRow(canvas, 0, ShownSample(Item(0)));
}

void TViewList::Resize(int width, int height) {
  ClientWidth = std::max(width, 0);
  ClientHeight = std::max(height, 0);
  TrendWidth = std::max(0, ClientWidth - (NameWidth + HexWidth + ValueWidth + UnitWidth));
  SetStep(Step);
  for (auto& variable : Variables) variable->Layout();
}

TView* TViewList::HitTest(int y, int top) {
  for (auto& variable : Variables) variable->Selected = false;
  if (Count() < 2 || top >= Count()) return nullptr;
  int bottom = 0;
  for (int i = std::max(top, 0); i < Count(); ++i) {
    if (i == 0) continue;
    TView& variable = Item(i);
    bottom += variable.RowHeight;
    // Row i covers the pixels from its top up to, not including, bottom.
    if (bottom > y) {
      variable.Selected = true;
      return &variable;
    }
  }
  return nullptr;
}

bool TViewList::SetStep(double pixels) {
  if (!(pixels >= 0.01)) return false;
  Step = pixels;
  // More samples than the history holds cannot be shown.
  VisibleCount = static_cast<int>(std::min(RoundHalfEven(TrendWidth / Step), double{kHistoryLength}));
  return true;
}

void TViewList::SetScrollBack(int samples) {
  for (auto& variable : Variables) variable->ScrollBack = samples;
}

void TViewList::SetColumnWidths(int name, int hex, int value, int unit) {
  NameWidth = std::max(name, 0);
  HexWidth = std::max(hex, 0);
  ValueWidth = std::max(value, 0);
  UnitWidth = std::max(unit, 0);
  // Without a surface yet the trend keeps its own width.
  if (ClientWidth > 0) Resize(ClientWidth, ClientHeight);
}

Colour TViewList::NextBitTrendColour() {
  const Colour colour = secondBitColour_ ? kBitTrendColourB : kBitTrendColourA;
  secondBitColour_ = !secondBitColour_;
  return colour;
}

}  // namespace quillon
