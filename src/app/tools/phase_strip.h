#pragma once
// One strip of the phase difference group: 256 samples of a logic level, a vertical line for a
// high sample and a dot for a low one. The strip is rendered into an off-screen image when a
// buffer comes in; painting only copies the image.
#include <QGroupBox>
#include <QImage>
#include <array>
#include <optional>

#include "cosphi/cosphi_frames.h"

namespace quillon {

class TPhaseStrip : public QGroupBox {
  Q_OBJECT

 public:
  TPhaseStrip(const QString& title, QColor lowDot, QWidget* parent = nullptr);

  // Redraws the strip from the samples: high ones with `pen`, low ones as dots. Without a pen
  // the strip is only cleared.
  void Draw(const std::array<bool, kStripSamples>& samples, const std::optional<QColor>& pen);
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor lowDot_;
  QImage image_;
};

}  // namespace quillon
