#include "app/main/help_about.h"

#include <QDesktopServices>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cerrno>
#include <cmath>
#include <numbers>

#include "app/support/current_prompt.h"
#include "app/widgets/palette_colours.h"
#include "platform/files.h"
#include "workspace/help_document.h"

namespace quillon {

namespace {

constexpr int kTickMs = 10;
// Two degrees a tick: one turn in under two seconds, smooth at a 10 ms tick.
constexpr double kStepRadians = 2 * std::numbers::pi / 180;
constexpr int kPictureSize = 112;

QUrl FileUrl(const std::string& path) {
  // Percent-encoded bytes reach the viewer unchanged, whatever the names' code page.
  return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

// A disc with an oscillogram across it: what the program is about, without any image file to
// lose from the installation.
QPixmap DrawPicture() {
  QPixmap pixmap(kPictureSize, kPictureSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF disc(2, 2, kPictureSize - 4, kPictureSize - 4);
  QRadialGradient fill(disc.center(), disc.width() / 2, disc.topLeft() + QPointF(30, 30));
  fill.setColorAt(0, QColor(150, 200, 255));
  fill.setColorAt(1, QColor(20, 70, 160));
  painter.setPen(QPen(QColor(10, 40, 110), 2));
  painter.setBrush(fill);
  painter.drawEllipse(disc);

  QPainterPath wave;
  const double left = disc.left() + 10;
  const double width = disc.width() - 20;
  for (int x = 0; x <= static_cast<int>(width); ++x) {
    const double y = disc.center().y() - 22 * std::sin(x / width * 4 * std::numbers::pi) * std::exp(-x / width);
    if (x == 0) {
      wave.moveTo(left + x, y);
    } else {
      wave.lineTo(left + x, y);
    }
  }
  painter.setPen(QPen(QColor(255, 240, 120), 3, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(wave);
  return pixmap;
}

}  // namespace

void OpenHelpDocument(const WorkspacePaths& paths, QWidget* /*parent*/) {
  OpenHelpDocument(paths, [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

void OpenHelpDocument(const WorkspacePaths& paths, const DesktopOpener& open) {
  const std::string path = HelpDocumentPath(paths);
  const bool exists = FileExists(path);
  bool launched = false;
  int launchError = 0;
  if (exists) {
    errno = 0;
    launched = open(FileUrl(path));
    launchError = errno;
  }
  const std::string message = HelpOpenMessage(
      ClassifyHelpOpen({.documentExists = exists, .launched = launched, .launchError = launchError}), path);
  if (!message.empty()) CurrentPrompt().Warning(kHelpCaption, message);
}

TAboutQuillon::TAboutQuillon(QWidget* parent) : QDialog(parent), picture_(DrawPicture()) {
  setWindowTitle("О программе Quillon");
  setFixedSize(kWidth, kHeight);
  // The box is a sheet of the desktop's base colour (white, or dark under a dark theme).
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  tmrAnimate_.setInterval(kTickMs);
  connect(&tmrAnimate_, &QTimer::timeout, this, &TAboutQuillon::tmrAnimateTimer);
  tmrAnimate_.start();
}

void TAboutQuillon::Execute(QWidget* parent) {
  // QDialog centres a modal box over its parent, or on the screen when there is none.
  TAboutQuillon box(parent);
  box.exec();
}

QPointF TAboutQuillon::OrbitCentre() const { return QPointF(kWidth / 2.0, kHeight / 2.0); }

QPointF TAboutQuillon::PictureCentre() const {
  return OrbitCentre() + QPointF(kOrbitRadius * std::cos(angle_), kOrbitRadius * std::sin(angle_));
}

void TAboutQuillon::tmrAnimateTimer() {
  angle_ = std::fmod(angle_ + kStepRadians, 2 * std::numbers::pi);
  update();
}

void TAboutQuillon::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.drawPixmap(PictureCentre() - QPointF(kPictureSize / 2.0, kPictureSize / 2.0), picture_);

  QFont font("Tahoma", 30, QFont::Bold);
  painter.setFont(font);
  const QRectF whole(rect());
  // A halo of the sheet's colour keeps the name readable wherever the picture has moved under
  // it; the name's navy is lightened on a dark sheet.
  const QColor sheet = palette().color(QPalette::Base);
  painter.setPen(sheet);
  for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)}) {
    painter.drawText(whole.translated(offset), Qt::AlignCenter, "Quillon");
  }
  painter.setPen(LegibleOn(QColor(10, 40, 110), sheet));
  painter.drawText(whole, Qt::AlignCenter, "Quillon");
}

}  // namespace quillon
