#include "variables/qt_canvas.h"

#include <QFont>
#include <QPen>
#include <QRect>
#include <QString>

namespace quillon {
namespace {

QRect ToQRect(const Rect& rect) { return QRect(rect.Left, rect.Top, rect.Width(), rect.Height()); }

}  // namespace

QtCanvas::QtCanvas(QImage& image) : image_(image), painter_(&image) {
  // The rows were laid out for a fixed-pitch font 15 pixels high and 8 wide.
  QFont font(QStringLiteral("Monospace"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(12);
  painter_.setFont(font);
}

QColor QtCanvas::ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

int QtCanvas::Width() const { return image_.width(); }
int QtCanvas::Height() const { return image_.height(); }

void QtCanvas::SetPen(Colour colour, int width) {
  QPen pen(ToQColor(colour));
  pen.setWidth(width < 1 ? 1 : width);
  painter_.setPen(pen);
}

void QtCanvas::SetBrush(Colour colour) { brush_ = ToQColor(colour); }

void QtCanvas::SetTextColours(Colour text, Colour background) {
  text_ = ToQColor(text);
  textBackground_ = ToQColor(background);
}

void QtCanvas::FillRect(const Rect& rect) {
  if (rect.Width() > 0 && rect.Height() > 0) painter_.fillRect(ToQRect(rect), brush_);
}

void QtCanvas::Line(int x1, int y1, int x2, int y2) { painter_.drawLine(x1, y1, x2, y2); }

void QtCanvas::Text(const Rect& rect, std::string_view text, TextAlign align) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const QRect area = ToQRect(rect);
  painter_.save();
  painter_.setClipRect(area, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  painter_.fillRect(area, textBackground_);
  painter_.setPen(text_);
  Qt::Alignment flags = Qt::AlignVCenter;
  flags |= align == TextAlign::Left ? Qt::AlignLeft : align == TextAlign::Right ? Qt::AlignRight : Qt::AlignHCenter;
  painter_.drawText(area, static_cast<int>(flags),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  painter_.restore();
}

void QtCanvas::DrawPicture(int x, int y, Picture picture) {
  // A lamp: lit green for a set bit, dark grey for a clear one.
  const QRect area(x, y, 12, 12);
  painter_.save();
  painter_.setPen(QColor(64, 64, 64));
  painter_.setBrush(picture == Picture::BitOne ? QColor(0, 200, 0) : QColor(160, 160, 160));
  painter_.drawEllipse(area.adjusted(1, 1, -1, -1));
  painter_.restore();
}

void QtCanvas::SetClip(const Rect& rect) { painter_.setClipRect(ToQRect(rect)); }

void QtCanvas::ClearClip() { painter_.setClipping(false); }

}  // namespace quillon
