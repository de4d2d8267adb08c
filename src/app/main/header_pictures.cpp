#include "app/main/header_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "app/widgets/palette_colours.h"

namespace quillon {

namespace {

constexpr int kSide = 16;

QPixmap Blank() {
  QPixmap picture(kSide, kSide);
  picture.fill(Qt::transparent);
  return picture;
}

// A horizontal arrow across the picture; `toLeft` points it at the left edge.
QPixmap Arrow(bool toLeft, const QColor& colour, const QColor& outline) {
  QPixmap picture = Blank();
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  // The right arrow is the left one mirrored about the middle column.
  const auto x = [toLeft](qreal left) { return toLeft ? left : 16 - left; };
  QPainterPath path;
  path.moveTo(x(1), 8);
  path.lineTo(x(8), 2);
  path.lineTo(x(8), 5);
  path.lineTo(x(15), 5);
  path.lineTo(x(15), 11);
  path.lineTo(x(8), 11);
  path.lineTo(x(8), 14);
  path.closeSubpath();
  painter.drawPath(path);
  painter.setPen(QPen(outline, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  return picture;
}

QPixmap Refresh(const QColor& colour) {
  QPixmap picture = Blank();
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(colour, 2));
  painter.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 270 * 16);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  QPainterPath head;
  head.moveTo(9, 0);
  head.lineTo(15, 3);
  head.lineTo(9, 7);
  head.closeSubpath();
  painter.drawPath(head);
  return picture;
}

}  // namespace

HeaderPictures DrawHeaderPictures(const QColor& face, const QColor& text) {
  // The arrows keep their green and orange (which way the values go) inside an outline in the
  // header's text colour; the blue circle of "Обновить" is lightened on a dark face.
  const QColor outline = LegibleOn(text, face, kGraphicContrast);
  return {Arrow(true, QColor(0, 160, 0), outline), Arrow(false, QColor(200, 120, 0), outline),
          Refresh(LegibleOn(QColor(0, 0, 160), face, kGraphicContrast))};
}

}  // namespace quillon
