// UDP port: receives datagrams from any sender on its own thread and sends
// every frame as one datagram to the configured destination.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"

namespace qx {

class TUDPPort;

class TUDPThread {
 public:
  explicit TUDPThread(TUDPPort& port);  // created, not running
  ~TUDPThread();                        // Stop
  TUDPThread(const TUDPThread&) = delete;
  TUDPThread& operator=(const TUDPThread&) = delete;

  void Start();
  void Stop();  // wakes the receive wait and joins
  // Transmit thread: one datagram to the destination; errors are ignored.
  void Send(std::string_view frame);

  TUdpSocket Socket;

 private:
  void Execute();

  TUDPPort& port_;
  // Checked after every read: a flooding peer never lets the wait see stop_.
  std::atomic<bool> stopping_{false};
  TWakeEvent stop_;
  std::mutex sendLock_;
  std::thread thread_;
};

class TUDPPort : public TQXPort {
 public:
  TUDPPort();
  ~TUDPPort() override;

  void Connect() override;
  void Disconnect() override;
  void StartReceive() override;
  void Send(std::string_view frame) override;
  std::string GetInfo() const override;

  static TUDPPort& CreateInstance(TPortList& list);
  // The machine's own IP addresses, offered for "ip".
  static std::vector<std::string> ListLocalAddresses();
  static TFLSet& DefineKeySet(TFLSetList& sets, TPortList* list = nullptr);

  // The bound local port of the open port (0 when closed): "port" may be "0".
  uint16_t BoundPort() const { return boundPort_.load(); }

  std::unique_ptr<TUDPThread> Thread;
  std::string LocalIp = "192.168.0.100";
  std::string LocalPort = "15005";
  std::string ClientIp = "192.168.0.101";
  std::string ClientPort = "15005";

 private:
  std::atomic<uint16_t> boundPort_{0};
  static inline const TFLSet* classKeySet_ = nullptr;
};

}  // namespace qx
