#pragma once
// What a report tells its watcher while it is made: the step it is at (its title), how many
// items the step has and how many are done. The calls come from the thread that makes the
// report; a window hands them to its own thread.
#include <functional>
#include <string>

namespace quillon {

struct ReportProgress {
  // Step number (1-based) and its title, when the step begins.
  std::function<void(int step, const std::string& title)> Step;
  // The current step's item count, then each item done (1..count).
  std::function<void(int count)> Items;
  std::function<void(int done)> Item;

  void BeginStep(int step, const std::string& title, int count) const {
    if (Step) Step(step, title);
    if (Items) Items(count);
  }
  void Done(int done) const {
    if (Item) Item(done);
  }
};

}  // namespace quillon
