#include "app/widgets/service_window.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

#include "app/widgets/widget_helpers.h"
#include "text/service_code.h"

namespace quillon {
namespace {

constexpr int kWidth = 323;
constexpr int kHeight = 186;
constexpr int kGridStep = 12;

}  // namespace

TServiceWindow::TServiceWindow(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("ServiceWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kWidth, kHeight);
  if (owner != nullptr) {
    const QPoint centre = owner->mapToGlobal(owner->rect().center());
    move(centre.x() - kWidth / 2, centre.y() - kHeight / 2);
  }
  QTimer::singleShot(kShowMs, this, &QWidget::close);
}

void TServiceWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(16, 32, 64));
  painter.setPen(QColor(40, 72, 120));
  for (int x = 0; x < width(); x += kGridStep) painter.drawLine(x, 0, x, height());
  for (int y = 0; y < height(); y += kGridStep) painter.drawLine(0, y, width(), y);
  painter.setPen(QColor(150, 200, 255));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  painter.setPen(Qt::white);
  QFont font = painter.font();
  int y = 34;
  bool first = true;
  for (const std::string& line : ServiceWindowLines()) {
    font.setBold(first);
    painter.setFont(font);
    painter.drawText(QRect(0, y - 20, width(), 28), Qt::AlignCenter, Text(line));
    y += first ? 44 : 32;
    first = false;
  }
}

ServiceCodeWatcher::ServiceCodeWatcher(QLineEdit* field) : QObject(field), field_(field) {
  textBeforeEdit_ = field->text();
  field->installEventFilter(this);
  connect(field, &QLineEdit::returnPressed, this, &ServiceCodeWatcher::AddressEntered);
}

bool ServiceCodeWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && event->type() == QEvent::FocusIn) textBeforeEdit_ = field_->text();
  return QObject::eventFilter(watched, event);
}

void ServiceCodeWatcher::AddressEntered() {
  if (!IsServiceCode(field_->text().toStdString())) {
    textBeforeEdit_ = field_->text();
    return;
  }
  field_->setText(textBeforeEdit_);
  auto* window = new TServiceWindow(field_->window());
  window->show();
}

}  // namespace quillon
