#pragma once
// TViewList: the variables of one window, their scale table and the layout their rows are
// drawn with.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "variables/canvas.h"
#include "variables/scale_table.h"
#include "variables/view.h"

namespace quillon {

class TViewList {
 public:
  TViewList() = default;
  explicit TViewList(std::string path) : Path(std::move(path)) {}
  TViewList(const TViewList&) = delete;
  TViewList& operator=(const TViewList&) = delete;

  // File whose `vars` section receives the scale table.
  std::string Path;
  std::vector<std::unique_ptr<TView>> Variables;
  ScaleTable Scales;
  int TopIndex = 0;
  int NameWidth = 90;
  int ValueWidth = 90;
  int HexWidth = 50;
  int UnitWidth = 70;
  int TrendWidth = 55;
  double Step = 1.0;
  int VisibleCount = 55;
  // The sample the rows show when the window is stopped; live, each row shows its newest.
  int Cursor = 0;
  bool LiveMode = true;
  // Bytes of image per unit of address.
  int AddressStep = 1;
  // Size of the surface the rows are drawn on, as last given to Resize.
  int ClientWidth = 0;
  int ClientHeight = 0;

  int Count() const { return static_cast<int>(Variables.size()); }
  TView& Item(int index) { return *Variables.at(static_cast<std::size_t>(index)); }
  const TView& Item(int index) const { return *Variables.at(static_cast<std::size_t>(index)); }
  TView& operator[](int index) { return Item(index); }
  const TView& operator[](int index) const { return Item(index); }

  // Takes the variable over and makes this list its owner.
  TView* Append(std::unique_ptr<TView> variable);
  // Empties the scale table and frees every variable.
  void ClearVariables();
  // Exact, case-sensitive name; the last variable of that name wins.
  TView* FindVariable(std::string_view name);
  void AddScale(std::string line) { Scales.Add(std::move(line)); }
  // Rewrites the `vars` section of Path with the scale table. Throws std::runtime_error when
  // the file cannot be written.
  void SaveScales() const;
  void Rescale();
  // Points every variable that has a cell in the controller into one contiguous image whose
  // first byte is the lowest address. The list order is kept.
  void LayoutByAddress(std::span<std::uint8_t> image);
  void SampleAll();
  // The sample index the rows of this window show for `variable`.
  int ShownSample(const TView& variable) const;
  void Paint(Canvas& canvas);
  void Resize(int width, int height);
  // The row at y (rows from index `top` on) becomes Selected; null when none.
  TView* HitTest(int y, int top);
  // Pixels per sample of the trend column; false (and no change) below 0.01.
  bool SetStep(double pixels);
  void SetScrollBack(int samples);
  // Widths of the four text columns; the trend takes the rest of the client width.
  void SetColumnWidths(int name, int hex, int value, int unit);

  // The trend colour of the next bit row: bit rows alternate so that neighbours stand apart.
  Colour NextBitTrendColour();

 private:
  bool secondBitColour_ = false;
};

}  // namespace quillon
