#include "scope/trace_names.h"

#include "scope/trace_file.h"

namespace quillon {

std::string TraceNames::Claim(const std::string& windowName) {
  std::string stem = windowName;
  if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.erase(dot);
  if (stem.empty()) stem = "scope";
  std::string name(kTraceFileName);
  for (int number = 1; held_.contains(name); ++number) {
    name = "!" + stem + (number == 1 ? std::string() : "-" + std::to_string(number)) + ".trc";
  }
  held_.insert(name);
  return name;
}

void TraceNames::Release(const std::string& fileName) { held_.erase(fileName); }

}  // namespace quillon
