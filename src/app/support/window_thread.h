#pragma once
// Reporting back from the link task queue to a window.
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <utility>

namespace quillon {

// Runs `action(window)` on the application's thread if the window still exists by then. Safe
// to call from any thread: the QPointer is only looked at on the application's thread.
template <typename Window, typename Action>
void OnWindowThreadCall(QPointer<Window> window, Action action) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [window, action = std::move(action)]() mutable {
        if (window) action(*window);
      },
      Qt::QueuedConnection);
}

}  // namespace quillon
