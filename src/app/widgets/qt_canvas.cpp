#include "app/widgets/qt_canvas.h"

#include <QFont>
#include <QHash>
#include <QPen>
#include <QRect>
#include <QStaticText>
#include <QString>

namespace quillon {
namespace {

QRect ToQRect(const Rect& rect) { return QRect(rect.Left, rect.Top, rect.Width(), rect.Height()); }

}  // namespace

namespace {

// The rows were laid out for a fixed-pitch font 15 pixels high and 8 wide. Made once: a scope
// makes a canvas for every redraw.
const QFont& RowFont() {
  static const QFont font = [] {
    QFont made(QStringLiteral("Monospace"));
    made.setStyleHint(QFont::TypeWriter);
    made.setPixelSize(12);
    return made;
  }();
  return font;
}

// Laid-out texts by content. Names and units never change and values repeat, so most cells of
// a redraw are drawn without shaping the text again. Only the window's thread draws rows.
QStaticText& LaidOut(const QString& text) {
  static QHash<QString, QStaticText> cache;
  constexpr qsizetype kMostTexts = 4096;
  if (cache.size() > kMostTexts) cache.clear();
  auto found = cache.find(text);
  if (found == cache.end()) {
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), RowFont());
    found = cache.insert(text, laid);
  }
  return *found;
}

}  // namespace

QtCanvas::QtCanvas(QImage& image) : image_(image), metrics_(RowFont(), &image), painter_(&image) {
  painter_.setFont(RowFont());
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

void QtCanvas::Lines(std::span<const LineSegment> lines) {
  lines_.clear();
  for (const LineSegment& line : lines) lines_.emplace_back(line.x1, line.y1, line.x2, line.y2);
  painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
}

void QtCanvas::Text(const Rect& rect, std::string_view text, TextAlign align) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const QRect area = ToQRect(rect);
  painter_.fillRect(area, textBackground_);
  if (text.empty()) return;
  const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // Placed by hand on the baseline: the rectangle form of drawText lays the text out anew on
  // every call, and a scope redraws dozens of cells sixty times a second.
  const QFontMetrics& metrics = metrics_;
  QStaticText& laid = LaidOut(shown);
  const int width = static_cast<int>(laid.size().width());
  int x = area.left();
  if (align == TextAlign::Right) x = area.right() + 1 - width;
  if (align == TextAlign::Center) x = area.left() + (area.width() - width) / 2;
  const int top = area.top() + (area.height() - metrics.height()) / 2;
  painter_.setPen(text_);
  const bool cut = width > area.width() || metrics.height() > area.height();
  if (cut) {
    painter_.save();
    painter_.setClipRect(area, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  }
  painter_.drawStaticText(QPoint(x, top), laid);
  if (cut) painter_.restore();
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
