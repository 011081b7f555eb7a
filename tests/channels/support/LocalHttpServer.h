// A small HTTP server on an ephemeral loopback port for the URL port tests.
// It records every request and answers as its mode says.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "channels/uSocketIO.h"

namespace qx::test {

class TLocalHttpServer {
 public:
  enum class TMode {
    Answer,           // answers at once with the response body
    Slow,             // answers after DelayMs
    Never,            // reads the request and never answers
    CloseMidRequest,  // closes after reading the request head
  };
  struct TRequest {
    std::string Method, Path, Body, Authorization;
  };
  // Builds a response body from the request body.
  using TResponder = std::function<std::string(const std::string& requestBody)>;

  TLocalHttpServer() = default;
  ~TLocalHttpServer() { Stop(); }

  [[nodiscard]] bool Start();
  void Stop();
  uint16_t Port() const { return port_; }
  std::string Url(const std::string& path = "/qx") const;

  void SetMode(TMode m) { mode_.store(m); }
  void SetDelayMs(int ms) { delayMs_.store(ms); }
  void SetResponse(std::string body);
  void SetResponder(TResponder r);

  std::vector<TRequest> Requests() const;
  size_t RequestCount() const;
  // Connections whose request head has been read (also unanswered ones).
  size_t HeadsRead() const { return headsRead_.load(); }

 private:
  void AcceptLoop();
  void Serve(TTcpSocket s);

  TTcpListener listener_;
  TWakeEvent stop_;
  std::thread acceptor_;
  std::mutex lock_;  // guards workers_, requests_, responder_
  std::list<std::thread> workers_;
  std::vector<TRequest> requests_;
  TResponder responder_;
  std::atomic<TMode> mode_{TMode::Answer};
  std::atomic<int> delayMs_{0};
  std::atomic<size_t> headsRead_{0};
  uint16_t port_ = 0;
};

}  // namespace qx::test
