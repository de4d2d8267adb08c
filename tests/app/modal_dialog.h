#pragma once
// Driving a modal dialog from a test: the action runs once the dialog is the active modal
// widget, from inside its own event loop.
#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <functional>
#include <memory>

namespace quillon::testing {

// Runs `act` on the next modal dialog of type Dialog that comes up within `timeoutMs`. The
// returned flag tells whether it did; a dialog that never comes up leaves it false.
template <typename Dialog>
std::shared_ptr<bool> WhenModal(std::function<void(Dialog&)> act, int timeoutMs = 5000) {
  auto done = std::make_shared<bool>(false);
  auto* timer = new QTimer(qApp);
  const QDeadlineTimer deadline(timeoutMs);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act, done, deadline] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      *done = true;
      act(*dialog);
    } else if (deadline.hasExpired()) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
  return done;
}

}  // namespace quillon::testing
