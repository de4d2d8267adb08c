#include "scope/window_box.h"

#include <algorithm>

namespace quillon {

WindowBox FitOnScreen(WindowBox wanted, WindowBox screen, int minimumWidth, int minimumHeight) {
  WindowBox box = wanted;
  box.width = std::clamp(std::max(box.width, minimumWidth), 1, std::max(screen.width, 1));
  box.height = std::clamp(std::max(box.height, minimumHeight), 1, std::max(screen.height, 1));
  // Written in 64 bits: a hand-edited file may hold positions near the ends of the int range.
  const long long right = static_cast<long long>(screen.left) + screen.width - box.width;
  const long long bottom = static_cast<long long>(screen.top) + screen.height - box.height;
  box.left = static_cast<int>(std::clamp<long long>(box.left, screen.left, right));
  box.top = static_cast<int>(std::clamp<long long>(box.top, screen.top, bottom));
  return box;
}

}  // namespace quillon
