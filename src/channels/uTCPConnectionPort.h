// TCP client port: connects to a listening device or program, receives on
// its own thread and, with "autoReconnect", re-establishes a lost connection
// without ending the run.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"

namespace qx {

class TTCPConnection : public TQXPort {
 public:
  // The client-side receive thread.
  class TTCPThread {
   public:
    explicit TTCPThread(TTCPConnection& port);  // created, not running
    ~TTCPThread();                              // Stop
    TTCPThread(const TTCPThread&) = delete;
    TTCPThread& operator=(const TTCPThread&) = delete;

    // Binds and connects (with a time-out, ended early by Stop); true when up.
    bool DoReconnect();
    void Start();
    // Ends the current wait; the loop and further sends stop. Any thread.
    void Cancel();
    void Stop();
    // Transmit thread. Frames sent while the connection is down are lost; a
    // peer that stops taking data breaks the connection after the time-out.
    void Send(std::string_view frame);
    // Closes with linger 0 (the thread must have stopped).
    void Close();

    // The connection must be made (again) before the next receive.
    std::atomic<bool> ReconnectPending{false};
    // The error that ended the last connection, 0 when the peer closed it;
    // stored before ReconnectPending.
    std::atomic<int> LostError{0};
    // Why the last DoReconnect failed; read only while the thread is not running.
    const std::string& ErrorText() const { return errorText_; }

   private:
    void Execute();

    std::string errorText_;
    TTCPConnection& port_;
    // Checked after every read: a flooding peer never lets the wait see stop_.
    std::atomic<bool> stopping_{false};
    TWakeEvent stop_;
    std::mutex socketLock_;  // the device lock: guards replacing Socket
    TTcpSocket socket_;      // replaced only by this thread (or before it runs)
    std::thread thread_;
  };

  TTCPConnection();
  ~TTCPConnection() override;

  void Connect() override;
  void Disconnect() override;
  void StartReceive() override;
  bool IsLost() override;
  std::string LostReason() const override;
  void Send(std::string_view frame) override;
  void CancelIo() override;
  std::string GetInfo() const override;

  static TTCPConnection& CreateInstance(TPortList& list);
  static TFLSet& DefineKeySet(TFLSetList& sets, TPortList* list = nullptr);

  // Longest wait for one connect (about two minutes without it on Linux).
  static constexpr int kConnectTimeoutMs = 3000;
  static constexpr int kSendTimeoutMs = 1000;

  std::unique_ptr<TTCPThread> Thread;
  std::string LocalIp = "127.0.0.1";
  std::string LocalPort = "15005";
  std::string ClientIp = "127.0.0.1";
  std::string ClientPort = "8008";
  bool AutoReconnect = false;

 private:
  static inline const TFLSet* classKeySet_ = nullptr;
};

}  // namespace qx
