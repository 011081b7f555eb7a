// URL port: frames go to a web server as the bodies of POST requests, one
// after another on the port's thread; the first 256 bytes of each answer are
// cut into frames. Time-outs are libcurl's own; a disconnect aborts a request
// in progress at once.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "channels/uHttpClient.h"
#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"
#include "foundation/uBuffer.h"

namespace qx {

class TURLPort;

class TURLThread {
 public:
  explicit TURLThread(TURLPort& port);  // created, not running
  ~TURLThread();                        // Stop
  TURLThread(const TURLThread&) = delete;
  TURLThread& operator=(const TURLThread&) = delete;

  void Start();
  // Aborts a request in progress and joins; queued frames are dropped.
  void Stop();
  // Transmit thread: queues the frame (a full queue half drops it and lights
  // the send-loss indicator).
  void Send(std::string_view frame);

  THttpClient Http;
  TStringBuffer Queue;

 private:
  void Execute();

  TURLPort& port_;
  // Copied when the port opens: settings edited during a run do not race.
  const std::string url_;
  const int timeoutMs_;
  TWakeEvent stop_;
  std::thread thread_;
};

class TURLPort : public TQXPort {
 public:
  TURLPort();
  ~TURLPort() override;

  void Connect() override;
  void Disconnect() override;
  void StartReceive() override;
  void Send(std::string_view frame) override;
  std::string GetInfo() const override;

  static TURLPort& CreateInstance(TPortList& list);
  static TFLSet& DefineKeySet(TFLSetList& sets, TPortList* list = nullptr);

  static constexpr int kOpenTimeoutMs = 1000;  // the opening GET
  static constexpr int32_t kQueueCapacity = 100;

  // Time-out of each POST; a value below 1 ms is taken as 1 ms.
  int PostTimeoutMs() const { return Timeout < 1 ? 1 : Timeout; }

  std::unique_ptr<TURLThread> Thread;
  std::string Url;
  std::string UserName;
  std::string Password;
  int32_t Timeout = 60000;

 private:
  static inline const TFLSet* classKeySet_ = nullptr;
};

}  // namespace qx
