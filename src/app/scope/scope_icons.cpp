#include "app/scope/scope_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/widgets/palette_colours.h"

namespace quillon {
namespace {

constexpr int kSize = 20;
// The outlines and free-standing marks; lightened on a dark toolbar.
const QColor kInk(40, 40, 90);
const QColor kAccent(200, 40, 40);

void DrawGlass(QPainter& painter, const QColor& ink, QPointF centre, double radius) {
  painter.setPen(QPen(ink, 2));
  painter.setBrush(QColor(210, 230, 255));
  painter.drawEllipse(centre, radius, radius);
  painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
  const double reach = radius * 0.7;
  painter.drawLine(QPointF(centre.x() + reach, centre.y() + reach),
                   QPointF(centre.x() + radius * 1.8, centre.y() + radius * 1.8));
}

void DrawTrend(QPainter& painter, const QColor& colour) {
  QPainterPath path(QPointF(2, 13));
  path.cubicTo(QPointF(6, 2), QPointF(9, 2), QPointF(11, 10));
  path.cubicTo(QPointF(13, 17), QPointF(16, 17), QPointF(18, 7));
  painter.setPen(QPen(colour, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
}

void DrawSave(QPainter& painter, const QColor& ink) {
  painter.setPen(QPen(ink, 1.5));
  painter.setBrush(QColor(120, 150, 220));
  painter.drawRect(QRectF(2.5, 2.5, 15, 15));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(5.5, 2.5, 9, 6));
  painter.drawRect(QRectF(5.5, 11.5, 9, 6));
}

void DrawOptions(QPainter& painter, const QColor& ink) {
  painter.setPen(QPen(ink, 2));
  for (int y : {5, 10, 15}) painter.drawLine(3, y, 17, y);
  painter.setBrush(Qt::white);
  painter.drawEllipse(QPointF(7, 5), 2, 2);
  painter.drawEllipse(QPointF(13, 10), 2, 2);
  painter.drawEllipse(QPointF(9, 15), 2, 2);
}

void DrawRulers(QPainter& painter, const QColor& ink) {
  painter.setPen(QPen(kAccent, 2));
  painter.drawLine(5, 2, 5, 18);
  painter.drawLine(15, 2, 15, 18);
  painter.setPen(QPen(ink, 1.2));
  painter.drawLine(6, 10, 14, 10);
  painter.drawLine(6, 10, 8, 8);
  painter.drawLine(6, 10, 8, 12);
  painter.drawLine(14, 10, 12, 8);
  painter.drawLine(14, 10, 12, 12);
}

void DrawScale(QPainter& painter, const QColor& ink) {
  painter.setPen(QPen(ink, 1.5));
  painter.drawLine(3, 17, 17, 17);
  painter.drawLine(3, 17, 3, 3);
  for (int y : {6, 10, 14}) painter.drawLine(3, y, 6, y);
  painter.setFont(QFont(QStringLiteral("Sans"), 7, QFont::Bold));
  painter.drawText(QRectF(7, 3, 12, 12), Qt::AlignCenter, QStringLiteral("k"));
}

void Draw(QPainter& painter, const QColor& ink, ScopeIcon icon) {
  painter.setRenderHint(QPainter::Antialiasing);
  switch (icon) {
    case ScopeIcon::Open:
      painter.setPen(QPen(ink, 1.5));
      painter.setBrush(QColor(250, 215, 120));
      painter.drawRect(QRectF(2, 6, 15, 11));
      painter.drawRect(QRectF(2, 4, 6, 2));
      break;
    case ScopeIcon::Save:
      DrawSave(painter, ink);
      break;
    case ScopeIcon::Pause:
      painter.setPen(Qt::NoPen);
      painter.setBrush(ink);
      painter.drawRect(QRectF(5, 4, 3.5, 12));
      painter.drawRect(QRectF(11.5, 4, 3.5, 12));
      break;
    case ScopeIcon::Start: {
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor(30, 140, 50));
      const QPointF triangle[] = {QPointF(5, 3), QPointF(16, 10), QPointF(5, 17)};
      painter.drawPolygon(triangle, 3);
      break;
    }
    case ScopeIcon::Drawing:
      painter.setPen(QPen(QColor(150, 150, 150), 1));
      painter.drawRect(QRectF(1.5, 1.5, 17, 17));
      DrawTrend(painter, QColor(30, 120, 40));
      break;
    case ScopeIcon::Options:
      DrawOptions(painter, ink);
      break;
    case ScopeIcon::Record:
      painter.setPen(QPen(ink, 1));
      painter.setBrush(kAccent);
      painter.drawEllipse(QPointF(10, 10), 6.5, 6.5);
      break;
    case ScopeIcon::Zoom:
      DrawGlass(painter, ink, QPointF(8, 8), 5);
      break;
    case ScopeIcon::Rulers:
      DrawRulers(painter, ink);
      break;
    case ScopeIcon::Cursor:
      DrawTrend(painter, QColor(30, 120, 40));
      painter.setPen(QPen(QColor(0, 0, 128), 2));
      painter.drawLine(11, 1, 11, 19);
      break;
    case ScopeIcon::Scale:
      DrawScale(painter, ink);
      break;
    case ScopeIcon::Trace:
      painter.setPen(QPen(ink, 1.2));
      painter.setBrush(Qt::white);
      painter.drawRect(QRectF(3.5, 1.5, 13, 17));
      for (int y : {5, 8, 11, 14}) painter.drawLine(6, y, 14, y);
      break;
  }
}

}  // namespace

QIcon ScopeIconOf(ScopeIcon icon, const QColor& face) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  Draw(painter, LegibleOn(kInk, face, kGraphicContrast), icon);
  painter.end();
  return QIcon(pixmap);
}

QCursor MagnifyCursor() {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawGlass(painter, kInk, QPointF(9, 9), 6);
  painter.setPen(QPen(kInk, 1.5));
  painter.drawLine(QPointF(6, 9), QPointF(12, 9));
  painter.drawLine(QPointF(9, 6), QPointF(9, 12));
  painter.end();
  return QCursor(pixmap, 9, 9);
}

}  // namespace quillon
