#pragma once
// Which trace files the scope windows of one program hold, so that no two windows ever write one
// file: the first window to trace gets "!.trc"; a window that starts tracing while another holds
// it gets "!<its scope file's name>.trc" ("!pump.trc" for pump.scp), numbered when that too is
// held ("!pump-2.trc"). The scope window registry owns the one instance; window thread only.
#include <set>
#include <string>

namespace quillon {

class TraceNames {
 public:
  // A file name no other window holds, now held until Release.
  std::string Claim(const std::string& windowName);
  void Release(const std::string& fileName);

 private:
  std::set<std::string> held_;
};

}  // namespace quillon
