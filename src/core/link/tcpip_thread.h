#pragma once
// TTCPIPThread: the worker of one device IP address. It takes the same records as the serial
// workers and sends their MODBUS frames, CRC included, over one TCP connection; for a peer that
// speaks MBAP the connection turns them into MBAP frames and the answers back into RTU frames. Unlike the
// serial worker it holds its mutex for a whole pass, so adding and removing records waits for
// the pass in progress.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "link/endpoint.h"
#include "link/request_list.h"
#include "link/tcp_connection.h"
#include "link/worker_mutex.h"

namespace quillon {

inline constexpr std::chrono::milliseconds kTCPLockTimeout{2000};
inline constexpr std::chrono::milliseconds kTCPPassLockTimeout{3000};
inline constexpr std::chrono::milliseconds kAfterConnectPause{100};
// How often the worker tries to connect again to a peer that went away.
inline constexpr std::chrono::milliseconds kTCPReconnectInterval{250};

class TTCPIPThread {
 public:
  // Makes the socket, binds the local port (see TcpConnection::BindLocal), connects and, when
  // connected, starts serving. A worker that could not connect stays idle until Reconnect.
  explicit TTCPIPThread(TcpPeer peer);
  ~TTCPIPThread();
  TTCPIPThread(const TTCPIPThread&) = delete;
  TTCPIPThread& operator=(const TTCPIPThread&) = delete;

  // false when not even a socket could be made.
  bool SocketMade() const { return connection_ != nullptr; }
  const TcpPeer& Peer() const { return peer_; }
  std::uint32_t IP() const { return peer_.ip; }
  std::uint16_t Port() const { return peer_.port; }
  bool Connected() const { return connection_ && connection_->Connected(); }
  std::uint16_t LocalPort() const { return connection_ ? connection_->LocalPort() : 0; }

  // Whether the peer is still there (a peer that closed is detected).
  bool Probe();
  bool Lock() { return mutex_.LockFor(kTCPLockTimeout); }
  void Unlock() { mutex_.Unlock(); }

  // Under the mutex (given up silently after 2000 ms): when the connection is alive the record
  // is registered unless present, otherwise the socket is closed.
  void AddRequest(TLinkRequest* request);
  // Withdraws the record; returns only once the worker no longer touches it. The worker stays,
  // connected, even without records.
  void RemoveRequest(TLinkRequest* request);
  // Under the mutex: a live connection is kept (after a 100 ms pause); a lost one is made again.
  void Reconnect();
  int RequestCount() const { return requestCount_.load(); }
  bool HasRequest(const TLinkRequest* request) const { return requests_.Contains(request); }

  // Asks the thread to end without waiting for it (the destructor waits).
  void Stop();
  // Where the frames of its exchanges go while someone watches; the tap outlives the worker.
  void SetTrafficTap(TrafficTap* tap) { tap_ = tap; }

 private:
  void StartThread();
  void Run();
  bool LockForPass();
  PassOutcome ServePass();
  bool ReconnectLost();
  void AnswerWithNothing(TLinkRequest& request);

  TcpPeer peer_;
  std::unique_ptr<TcpConnection> connection_;
  WorkerMutex mutex_;
  RequestList requests_;
  std::atomic<int> requestCount_{0};
  WorkerSignal signal_;
  std::chrono::steady_clock::time_point nextReconnect_{};
  std::atomic<TrafficTap*> tap_{nullptr};
  std::string linkName_;  // "address:port", the worker's thread only
  std::thread thread_;
};

}  // namespace quillon
