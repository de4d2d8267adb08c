#include "app/tools/phase_strip.h"

#include <QPaintEvent>
#include <QPainter>

namespace quillon {
namespace {

constexpr int kLeft = 5;
constexpr int kTop = 15;
constexpr int kBottom = 36;
constexpr int kWidth = kLeft + kStripSamples + kLeft;
constexpr int kHeight = kBottom + 6;

}  // namespace

TPhaseStrip::TPhaseStrip(const QString& title, QColor lowDot, QWidget* parent)
    : QGroupBox(title, parent), lowDot_(lowDot), image_(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied) {
  image_.fill(Qt::transparent);
  setFixedSize(kWidth, kHeight);
}

void TPhaseStrip::Draw(const std::array<bool, kStripSamples>& samples, const std::optional<QColor>& pen) {
  image_.fill(Qt::transparent);
  if (!pen) {
    update();
    return;
  }
  QPainter painter(&image_);
  for (int i = 0; i < kStripSamples; ++i) {
    const int x = kLeft + i;
    if (samples[static_cast<std::size_t>(i)]) {
      painter.setPen(*pen);
      painter.drawLine(x, kTop, x, kBottom);
    } else {
      painter.setPen(lowDot_);
      painter.drawPoint(x, kBottom);
    }
  }
  painter.end();
  update();
}

void TPhaseStrip::paintEvent(QPaintEvent* event) {
  QGroupBox::paintEvent(event);
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

}  // namespace quillon
