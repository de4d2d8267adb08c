#pragma once
// Where a scope window opens: the position and size a scope or record file stored, brought onto
// the screen. A file written on a larger screen, or edited by hand, may hold a box far outside
// this one, and a window there is one the user can neither see nor reach.
namespace quillon {

struct WindowBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowBox&) const = default;
};

// The stored box made at least the minimum size, then shrunk to the screen's size and moved as
// little as needed to lie wholly within it. A box already on the screen stays as it is.
WindowBox FitOnScreen(WindowBox wanted, WindowBox screen, int minimumWidth, int minimumHeight);

}  // namespace quillon
