#pragma once
// The text values of a record file that describe the window it was taken in: its place on the
// screen, its column widths, its zoom and its scroll position, and the number of samples.
#include <array>
#include <string>
#include <string_view>

namespace quillon {

struct RecordHeader {
  // Device file whose DEVICE section a new record copies.
  std::string DevicePath;
  int Left = 390;
  int Top = 166;
  int Width = 676;
  int Height = 176;
  // Name, hex, physical and unit columns.
  std::array<int, 4> ColWidths{47, 45, 55, 21};
  // Pixels per sample with 2 decimals, as the window shows it.
  std::string Zoom = "1";
  std::string Scroll = "0";
};

// "left/top/width/height/" and "name/hex/physical/unit/zoom/scroll/".
std::string PositionSizeText(const RecordHeader& header);
std::string OptionText(const RecordHeader& header);
// Reads both values into the header; every value that is missing or not a number keeps the
// default of a fresh header, on its own.
void ReadPositionSize(std::string_view text, RecordHeader& header);
void ReadOption(std::string_view text, RecordHeader& header);

// The zoom as a record carries it: 2 decimals, "," as the separator.
std::string ZoomText(double pixelsPerSample);

// "x" and 8 upper-case hexadecimal digits.
std::string CounterText(int records);
// The number of samples a `counter` value announces: "x" marks hexadecimal. A record can hold
// no more samples than a ring, so a larger count is read as a full ring; anything unreadable or
// negative is none.
int ReadCounter(std::string_view text);

}  // namespace quillon
