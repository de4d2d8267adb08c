#pragma once
// How an exchange's frames reach the traffic tap: the request as it went on the wire, the answer
// with the judge's verdict (or the silence of a time-out), and the bytes a purge or settle threw
// away as late. Only while someone watches; otherwise each call reads one flag.
#include <cstdint>

#include "link/link_channel.h"

namespace quillon {

struct ExchangeCapture {
  const ServiceRules& rules;
  LinkChannel& channel;
  bool modbus = false;  // the request is a MODBUS frame (RTU form)

  bool Watching() const { return rules.tap != nullptr && rules.tap->Enabled(); }
  void Request(const TLinkRequest& request) const;
  // `stored` bytes of the answer are in request.AnswerBuf; `silent` when nothing came.
  void Answer(const TLinkRequest& request, std::size_t stored, bool silent) const;
  // What the channel's last purge or settle threw away, as a late answer.
  void Discarded() const;

 private:
  TrafficFrame NewFrame(FrameDirection direction) const;
};

}  // namespace quillon
