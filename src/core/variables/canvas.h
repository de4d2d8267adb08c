#pragma once
// The drawing surface rows are painted on. Core code draws through this interface only; the
// application implements it on an off-screen image, tests record the calls.
#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

// Colours are Windows COLORREF values, 0x00BBGGRR, because the device tools and their users
// quote the trend colours in that form (0x69D5F9 is a light orange, not a light blue).
using Colour = std::uint32_t;

constexpr Colour RgbColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 | static_cast<Colour>(blue) << 16;
}
constexpr std::uint8_t RedOf(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

inline constexpr Colour kWhite = RgbColour(255, 255, 255);
inline constexpr Colour kBlack = RgbColour(0, 0, 0);
inline constexpr Colour kGreen = RgbColour(0, 255, 0);
inline constexpr Colour kSilver = RgbColour(192, 192, 192);
inline constexpr Colour kNavy = RgbColour(0, 0, 128);
inline constexpr Colour kRed = RgbColour(255, 0, 0);
// The two trend colours bit rows alternate between.
inline constexpr Colour kBitTrendColourA = 0x69D5F9;
inline constexpr Colour kBitTrendColourB = 0xF9D569;

// Edges as GDI has them: Right and Bottom lie just outside the rectangle.
struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const Rect&) const = default;
};

enum class TextAlign { Left, Right, Center };

struct LineSegment {
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
};

// Small pictures of the application's resources, 12 x 12 pixels.
enum class Picture { BitZero, BitOne };

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  virtual void SetPen(Colour colour, int width) = 0;
  virtual void SetBrush(Colour colour) = 0;
  virtual void SetTextColours(Colour text, Colour background) = 0;

  // Fills with the brush, edges included as Rect describes them.
  virtual void FillRect(const Rect& rect) = 0;
  // A line with the pen; like GDI's LineTo the end point itself is not drawn.
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  // Many lines with the pen at once, as Line draws each; a back end may draw them in one call
  // (a trend is hundreds of segments every redraw).
  virtual void Lines(std::span<const LineSegment> lines) {
    for (const LineSegment& line : lines) Line(line.x1, line.y1, line.x2, line.y2);
  }
  // Text (UTF-8) inside the rectangle on the text background, cut at its edges.
  virtual void Text(const Rect& rect, std::string_view text, TextAlign align) = 0;
  virtual void DrawPicture(int x, int y, Picture picture) = 0;

  virtual void SetClip(const Rect& rect) = 0;
  virtual void ClearClip() = 0;
};

}  // namespace quillon
