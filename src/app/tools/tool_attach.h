#pragma once
// What the polling tools share when "Подключиться к блоку" is pressed: the bit rate and
// frame-end pause read from their link settings, and the port attached on the link task queue
// with the outcome reported back on the window's thread.
#include <QPointer>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "link/link_tasks.h"
#include "scope/base_property.h"
#include "scope/window_thread.h"

namespace quillon {

struct SerialNumbers {
  unsigned baud = 0;
  unsigned frameEndMs = 0;  // an empty field stands for the port's default pause
};

// Nothing, after a warning captioned "Quillon", when the bit rate or the frame end do not read.
std::optional<SerialNumbers> ReadSerialNumbers(const TBaseProperty& link);

// Runs `link->Attach(port)` on the queue and calls `(window->*connected)(attached, port.name)`
// on the window's thread, unless the window went away meanwhile.
template <typename Window, typename Link, typename Port>
void AttachOnQueue(LinkTaskQueue& tasks, std::shared_ptr<Link> link, Port port, Window* window,
                   void (Window::*connected)(bool, const std::string&)) {
  QPointer<Window> self(window);
  tasks.Post([link = std::move(link), port = std::move(port), self, connected] {
    bool attached = false;
    try {
      attached = link->Attach(port);
    } catch (const std::logic_error&) {
      // No registry installed: the program is going away.
    }
    OnWindowThreadCall(self, [attached, name = port.name, connected](Window& w) { (w.*connected)(attached, name); });
  });
}

}  // namespace quillon
