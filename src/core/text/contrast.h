#pragma once
// How well one colour reads on another, by the relative luminance and contrast ratio of the web
// accessibility guidelines (WCAG 2): 1:1 for a colour on itself up to 21:1 for black on white.
// Text is readable at 4.5:1 and more, larger marks such as lines and pictures at 3:1.
#include <cstdint>

namespace quillon {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr double kTextContrast = 4.5;
inline constexpr double kGraphicContrast = 3.0;

// 0 for black up to 1 for white, as the eye weighs the three channels of an sRGB colour.
double RelativeLuminance(Rgb colour);
// (lighter + 0.05) / (darker + 0.05) of the two luminances; the order does not matter.
double ContrastRatio(Rgb first, Rgb second);
// Black or white, whichever stands out more on `background`.
Rgb ReadableTextOn(Rgb background);
// `colour` when it reaches `minimum` on `background`; otherwise the colour mixed towards black or
// white (the side ReadableTextOn picks) only as far as needed, so a red stays as red as it can.
// Black or white itself when even that is not enough.
Rgb LegibleOn(Rgb colour, Rgb background, double minimum = kTextContrast);
// `share` (0..1) of `other` mixed into `colour`, channel by channel.
Rgb Mix(Rgb colour, Rgb other, double share);

}  // namespace quillon
