#pragma once
// The scope window's layout rules: the widths of its four text columns (name, hex, physical,
// unit) as the header and the window size allow, the row height under the wheel and the zoom.
#include <array>
#include <string>

namespace quillon {

inline constexpr std::array<int, 4> kColumnMaxWidths{150, 100, 150, 50};
// Widths a window takes when its settings hold no number for a column.
inline constexpr std::array<int, 4> kColumnDefaultWidths{50, 50, 30, 30};
inline constexpr int kMinRowHeight = 15;
inline constexpr int kMaxRowHeight = 256;
inline constexpr double kZoomStepChange = 0.1;
inline constexpr double kMinZoomStep = 0.01;

// A header section was dragged to newWidth: the columns must leave the trend some room, so the
// dragged column gives back whatever the four take beyond the panel.
std::array<int, 4> ResizeSection(std::array<int, 4> widths, int section, int newWidth, int panelWidth);
// The window became narrower than the columns: all shrink in proportion.
std::array<int, 4> FitColumnsToPanel(std::array<int, 4> widths, int panelWidth);
// steps > 0 is the wheel turned up, which makes the row higher.
int WheelRowHeight(int height, int steps);
// The old step when the new one would fall below kMinZoomStep.
double ZoomStep(double step, bool increase);
std::string ZoomPercentText(double step);
std::array<int, 4> ColumnWidthsOf(const std::array<std::string, 4>& texts);

}  // namespace quillon
