#pragma once
// The rows' drawing surface in the application: a QPainter on the window's off-screen image,
// which the window then copies to the screen in one block.
#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <vector>

#include "variables/canvas.h"

namespace quillon {

class QtCanvas : public Canvas {
 public:
  // Paints on `image` until the canvas is destroyed; the image must outlive it.
  explicit QtCanvas(QImage& image);

  int Width() const override;
  int Height() const override;
  void SetPen(Colour colour, int width) override;
  void SetBrush(Colour colour) override;
  void SetTextColours(Colour text, Colour background) override;
  void FillRect(const Rect& rect) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void Lines(std::span<const LineSegment> lines) override;
  void Text(const Rect& rect, std::string_view text, TextAlign align) override;
  void DrawPicture(int x, int y, Picture picture) override;
  void SetClip(const Rect& rect) override;
  void ClearClip() override;

  static QColor ToQColor(Colour colour);

 private:
  QImage& image_;
  QFontMetrics metrics_;
  std::vector<QLine> lines_;
  QPainter painter_;
  QColor brush_ = Qt::white;
  QColor text_ = Qt::black;
  QColor textBackground_ = Qt::white;
};

}  // namespace quillon
