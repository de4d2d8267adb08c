#pragma once
// What the polling tools share when "Подключиться к блоку" is pressed: the bit rate and
// frame-end pause read from their link settings, and the port attached on the link task queue
// with the outcome reported back on the window's thread.
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "app/support/window_thread.h"
#include "link/endpoint.h"
#include "link/link_tasks.h"
#include "scope/base_property.h"

namespace quillon {

// The QuBUS serial endpoint of a polling tool's link settings (an empty frame end stands for the
// port's default pause); nothing, after a warning captioned "Quillon", when the bit rate or the
// frame end do not read.
std::optional<Endpoint> ReadToolEndpoint(const TBaseProperty& link);

// Runs `link->Attach(endpoint, extra...)` on the queue and calls
// `(window->*connected)(attached, port)` on the window's thread, unless the window went away
// meanwhile.
template <typename Window, typename Link, typename... Extra>
void AttachOnQueue(LinkTaskQueue& tasks, std::shared_ptr<Link> link, Endpoint endpoint, Window* window,
                   void (Window::*connected)(bool, const std::string&), Extra... extra) {
  QPointer<Window> self(window);
  tasks.Post([link = std::move(link), endpoint = std::move(endpoint), self, connected, extra...] {
    const bool attached = link->Attach(endpoint, extra...);
    OnWindowThreadCall(self,
                       [attached, name = endpoint.port, connected](Window& w) { (w.*connected)(attached, name); });
  });
}

}  // namespace quillon
