// TCP server port: a listening thread accepts connections, each client gets
// its own receive thread, and every frame is sent to all clients.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "channels/uFrameCollector.h"
#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"

namespace qx {

class TTCPServer;

// The listening thread of an open server port.
class TTCPScanner {
 public:
  explicit TTCPScanner(TTCPServer& port);  // created, not running
  ~TTCPScanner();                          // Stop
  TTCPScanner(const TTCPScanner&) = delete;
  TTCPScanner& operator=(const TTCPScanner&) = delete;

  // Binds and listens; true when the port may count as open.
  [[nodiscard]] bool Connect(std::string& error);
  void Start();
  // Ends the accept loop and every client thread, joins them all and closes
  // the listening socket.
  void Stop();
  uint16_t LocalPort() const { return Socket.LocalPort(); }

  TTcpListener Socket;

 private:
  void Execute();

  TTCPServer& port_;
  std::thread thread_;
};

class TTCPServer : public TQXPort {
 public:
  // One accepted connection and its receive thread. It never frees itself:
  // the scanner joins and frees it once it has ended.
  class TTCPThread {
   public:
    // Starts at once; throws std::system_error when the thread cannot start.
    TTCPThread(TTCPServer& port, TTcpSocket socket);
    ~TTCPThread();  // End and join
    TTCPThread(const TTCPThread&) = delete;
    TTCPThread& operator=(const TTCPThread&) = delete;

    // Transmit thread, under the client lock. A client that does not take the
    // frame within the send time-out is dropped.
    void Send(std::string_view frame);
    // Asks the thread to end (the socket is shut down, which wakes it).
    void End();
    void Join();
    bool Finished() const { return finished_.load(); }

   private:
    void Execute();

    TTCPServer& port_;
    TTcpSocket socket_;
    std::atomic<bool> ending_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
  };

  TTCPServer();
  ~TTCPServer() override;

  void Connect() override;
  void Disconnect() override;
  void StartReceive() override;
  void Send(std::string_view frame) override;
  void CancelIo() override;
  std::string GetInfo() const override;

  static TTCPServer& CreateInstance(TPortList& list);
  static TFLSet& DefineKeySet(TFLSetList& sets, TPortList* list = nullptr);

  // Connected clients not yet freed (any thread).
  int32_t ClientCount() const;
  // The bound listening port while open (0 when closed): "port" may be "0".
  uint16_t BoundPort() const { return boundPort_.load(); }

  // How long one client may keep the transmit thread waiting.
  static constexpr int kSendTimeoutMs = 1000;

  // Starts a client's receive thread. A test may replace it (before the
  // port opens) to make the start fail as it does when the system runs out
  // of threads.
  using TThreadStarter = std::function<std::thread(std::function<void()>)>;
  TThreadStarter StartThread = [](std::function<void()> body) {
    return std::thread(std::move(body));
  };

  std::unique_ptr<TTCPScanner> Scanner;
  std::string ListenIp = "0.0.0.0";
  std::string ListenPort = "8008";

 private:
  friend class TTCPScanner;
  // Scanner thread: adds a client (or closes it when its thread cannot
  // start); frees clients that have ended.
  void AddClient(TTcpSocket socket);
  void ReapClients();
  void EndAllClients();  // ends, joins and frees every client

  TWakeEvent stop_;  // ends the scanner and every client wait
  // Checked after every accept and read: a flood of connections or data
  // never lets a wait see stop_.
  std::atomic<bool> stopping_{false};
  mutable std::mutex clientsLock_;
  std::list<std::unique_ptr<TTCPThread>> Clients;  // under clientsLock_
  std::atomic<uint16_t> boundPort_{0};
  static inline const TFLSet* classKeySet_ = nullptr;
};

}  // namespace qx
