#pragma once
// TTCPIPList: the TCP workers of the program, one per device IP address (network byte order,
// see ParseIPv4), TCP port and framing (TcpPeer): two devices behind one address (a gateway with
// several ports) are two connections, and a request for one never reaches the other; RTU frames
// and MBAP frames to the same port are two connections as well. Unlike the serial registry, withdrawing the last
// record keeps the connection; a worker goes when a find finds its peer gone, or with the registry. As with the serial
// registry, calls come from the user-interface thread, never from an OnAnswer handler.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "link/endpoint.h"
#include "link/tcpip_thread.h"

namespace quillon {

class TTCPIPList {
 public:
  TTCPIPList() = default;
  ~TTCPIPList();
  TTCPIPList(const TTCPIPList&) = delete;
  TTCPIPList& operator=(const TTCPIPList&) = delete;

  // The worker of the address when its connection is alive. A worker whose peer is gone is
  // removed and destroyed, and nullptr is returned, so the next open makes a new connection.
  TTCPIPThread* FindWorker(TcpPeer peer);
  // 1 when a live worker exists, 0 when one was created and registered, -1 when no socket
  // could be made. A worker that could not connect is registered all the same; the next find
  // discards it.
  int OpenWorker(TcpPeer peer);
  void Lock(TcpPeer peer);
  void Unlock(TcpPeer peer);
  void AddRequest(TcpPeer peer, TLinkRequest* request);
  void RemoveRequest(TcpPeer peer, TLinkRequest* request);
  void Reconnect(TcpPeer peer);
  std::size_t Count() const;
  // For every connection, made now or later: where their workers hand over the frames.
  void SetTrafficTap(TrafficTap* tap);

 private:
  // The registered worker of the address without probing it.
  TTCPIPThread* Registered(TcpPeer peer);

  mutable std::mutex guard_;
  std::vector<std::unique_ptr<TTCPIPThread>> workers_;
  TrafficTap* tap_ = nullptr;
};

}  // namespace quillon
