// Thin RAII layer over POSIX sockets: blocking-style calls with poll()
// time-outs, a wake event that ends any wait at once, MSG_NOSIGNAL on every
// send. Used by the UDP and TCP ports; no event loop.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

enum class TIoStatus {
  Ok,       // data moved / connection made
  Timeout,  // nothing happened within the time-out
  Woken,    // the wake event fired (the caller is asked to end)
  Closed,   // the peer closed the connection
  Error,    // any other failure (see LastError)
};

// Owns one file descriptor.
class TFd {
 public:
  TFd() = default;
  explicit TFd(int fd) : fd_(fd) {}
  TFd(TFd&& o) noexcept : fd_(o.Release()) {}
  TFd& operator=(TFd&& o) noexcept;
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// An eventfd that stays signalled once woken: every thread waiting on it
// returns at once, also threads that start waiting later.
class TWakeEvent {
 public:
  TWakeEvent();
  int Fd() const { return fd_.Get(); }
  void Wake();
  void Clear();
  bool IsWoken() const;
  // Sleeps up to ms; true when the event fired.
  bool WaitFor(int ms) const;

 private:
  TFd fd_;
};

struct TSockAddr {
  sockaddr_storage Addr{};
  socklen_t Len = 0;
  int Family() const { return Addr.ss_family; }
  uint16_t Port() const;
  std::string ToString() const;  // "ip:port"
};

// Resolves host and port texts as typed by the user (names allowed). An empty
// host means "any address" when passive; an empty port means port 0.
[[nodiscard]] bool ResolveAddress(std::string_view host, std::string_view port, int sockType,
                                  bool passive, TSockAddr& out, std::string& error);

// Text of an errno value (strerror_r, thread-safe).
std::string ErrnoText(int err);

// poll() helpers shared by the socket and serial layers.
// The point timeoutMs from now; a negative time-out counts as 0.
std::chrono::steady_clock::time_point DeadlineIn(int timeoutMs);
// Milliseconds left until deadline, 0 once it has passed.
int RemainingMs(std::chrono::steady_clock::time_point deadline);
// Waits until fd shows one of events, the wake event (may be none) fires or
// the time is up. Ok: *revents holds fd's events. Error: *err holds the errno,
// EBADF when fd is not open.
TIoStatus WaitFd(int fd, short events, int timeoutMs, const TWakeEvent* wake, short* revents,
                 std::atomic<int>* err);

class TUdpSocket {
 public:
  // Binds a new socket. No SO_REUSEADDR: a port already in use must fail.
  [[nodiscard]] bool Bind(std::string_view host, std::string_view port, std::string& error);
  // Default destination for Send; the socket is not connected, so datagrams
  // from any sender are still received.
  [[nodiscard]] bool SetDestination(std::string_view host, std::string_view port,
                                    std::string& error);
  TIoStatus Receive(char* buf, size_t cap, size_t& got, int timeoutMs, const TWakeEvent* wake,
                    TSockAddr* from = nullptr);
  TIoStatus Send(std::string_view data);
  TIoStatus SendTo(const TSockAddr& to, std::string_view data);
  uint16_t LocalPort() const;
  bool IsOpen() const { return fd_.Valid(); }
  void Close() { fd_.Reset(); }
  int LastError() const { return lastError_.load(); }

 private:
  TFd fd_;
  TSockAddr dest_{};
  std::atomic<int> lastError_{0};  // receive and send threads
};

class TTcpSocket {
 public:
  TTcpSocket() = default;
  explicit TTcpSocket(TFd fd) : fd_(std::move(fd)) {}
  TTcpSocket(TTcpSocket&& o) noexcept : fd_(std::move(o.fd_)), lastError_(o.lastError_.load()) {}
  TTcpSocket& operator=(TTcpSocket&& o) noexcept {
    fd_ = std::move(o.fd_);
    lastError_.store(o.lastError_.load());
    return *this;
  }

  // Binds to localHost/localPort (empty or "0" port: any) and connects
  // non-blocking, waiting at most timeoutMs; a wake event ends the wait.
  TIoStatus Connect(std::string_view localHost, std::string_view localPort,
                    std::string_view remoteHost, std::string_view remotePort, int timeoutMs,
                    const TWakeEvent* wake, std::string& error);
  // Reads what is available; Closed when the peer has closed.
  TIoStatus Receive(char* buf, size_t cap, size_t& got, int timeoutMs, const TWakeEvent* wake);
  // Sends everything or reports Timeout/Error; a peer that stops reading
  // cannot block the caller for longer than timeoutMs.
  TIoStatus SendAll(std::string_view data, int timeoutMs, const TWakeEvent* wake);
  // Ends both directions; safe while another thread waits on the socket.
  void Shutdown();
  // Closes with linger 0 so no TIME_WAIT blocks a re-bind of a fixed port.
  void Abort();
  void Close() { fd_.Reset(); }
  bool IsOpen() const { return fd_.Valid(); }
  uint16_t LocalPort() const;
  int LastError() const { return lastError_.load(); }

 private:
  TFd fd_;
  std::atomic<int> lastError_{0};  // receive and send threads
};

class TTcpListener {
 public:
  // dropOnClose: linger 0 on the accepted sockets, so closing one drops its
  // pending data at once.
  [[nodiscard]] bool Listen(std::string_view host, std::string_view port, std::string& error,
                            bool dropOnClose = false);
  TIoStatus Accept(TTcpSocket& out, int timeoutMs, const TWakeEvent* wake);
  uint16_t LocalPort() const;
  bool IsOpen() const { return fd_.Valid(); }
  void Close() { fd_.Reset(); }

 private:
  TFd fd_;
};

// The machine's own IP addresses (IPv4 first, loopback last).
std::vector<std::string> ListLocalAddresses();

}  // namespace qx
