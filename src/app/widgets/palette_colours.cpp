#include "app/widgets/palette_colours.h"

#include <QEvent>
#include <QWidget>

namespace quillon {

namespace {

// How far the grid lines move from the text colour towards the background.
constexpr double kGridLineSoftening = 0.35;

class PaletteFollower : public QObject {
 public:
  PaletteFollower(QWidget* widget, std::function<void()> apply) : QObject(widget), apply_(std::move(apply)) {
    widget->installEventFilter(this);
    Apply();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)) {
      Apply();
    }
    return false;
  }

 private:
  void Apply() {
    // Setting the widget's palette from `apply` raises another change; once is enough.
    if (applying_) return;
    applying_ = true;
    apply_();
    applying_ = false;
  }

  std::function<void()> apply_;
  bool applying_ = false;
};

}  // namespace

Rgb ToRgb(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return {static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
          static_cast<std::uint8_t>(rgb.blue())};
}

QColor ToQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

double ContrastRatio(const QColor& first, const QColor& second) { return ContrastRatio(ToRgb(first), ToRgb(second)); }

QColor ReadableTextOn(const QColor& background) { return ToQColor(ReadableTextOn(ToRgb(background))); }

QColor LegibleOn(const QColor& colour, const QColor& background, double minimum) {
  return ToQColor(LegibleOn(ToRgb(colour), ToRgb(background), minimum));
}

QColor TextOn(const QPalette& palette, QPalette::ColorRole background, QPalette::ColorRole text) {
  return LegibleOn(palette.color(text), palette.color(background));
}

bool IsDarkPalette(const QPalette& palette) {
  return RelativeLuminance(ToRgb(palette.color(QPalette::Base))) <
         RelativeLuminance(ToRgb(palette.color(QPalette::Text)));
}

QColor GridLineColour(const QPalette& palette) {
  return ToQColor(Mix(ToRgb(palette.color(QPalette::Text)), ToRgb(palette.color(QPalette::Base)), kGridLineSoftening));
}

void FollowPalette(QWidget* widget, std::function<void()> apply) { new PaletteFollower(widget, std::move(apply)); }

}  // namespace quillon
