#include "channels/uSocketIO.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstring>

#include "foundation/uLangText.h"

namespace qx {

namespace {

using Clock = std::chrono::steady_clock;

// After a receive that found nothing: Ok when another try is worth it,
// otherwise the status that ends the call.
TIoStatus WaitToReceive(int fd, int& timeoutMs, const TWakeEvent* wake, std::atomic<int>& err) {
  if (errno == EINTR) return TIoStatus::Ok;
  if (errno != EAGAIN && errno != EWOULDBLOCK) {
    err.store(errno);
    return TIoStatus::Error;
  }
  short rev = 0;
  const TIoStatus st = WaitFd(fd, POLLIN, timeoutMs, wake, &rev, &err);
  timeoutMs = 0;  // readable now; one more try
  return st;
}

bool IsAnyPort(std::string_view port) {
  return port.empty() || port == "0";
}

uint16_t BoundPort(int fd) {
  if (fd < 0) return 0;
  TSockAddr a;
  a.Len = sizeof a.Addr;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a.Addr), &a.Len) != 0) return 0;
  return a.Port();
}

void Trim(std::string_view& s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
}

}  // namespace

Clock::time_point DeadlineIn(int timeoutMs) {
  return Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
}

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

TIoStatus WaitFd(int fd, short events, int timeoutMs, const TWakeEvent* wake, short* revents,
                 std::atomic<int>* err) {
  const auto deadline = DeadlineIn(timeoutMs);
  for (;;) {
    pollfd p[2] = {{fd, events, 0}, {wake ? wake->Fd() : -1, POLLIN, 0}};
    const int n = poll(p, wake ? 2 : 1, RemainingMs(deadline));
    if (n < 0) {
      if (errno == EINTR) continue;
      err->store(errno);
      return TIoStatus::Error;
    }
    if (wake && (p[1].revents & POLLIN)) return TIoStatus::Woken;
    if (n == 0) return TIoStatus::Timeout;
    if (p[0].revents & POLLNVAL) {
      err->store(EBADF);
      return TIoStatus::Error;
    }
    *revents = p[0].revents;
    return TIoStatus::Ok;
  }
}

TFd& TFd::operator=(TFd&& o) noexcept {
  if (this != &o) Reset(o.Release());
  return *this;
}

int TFd::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void TFd::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

std::string ErrnoText(int err) {
  char buf[256];
  // GNU strerror_r may return a static text instead of filling buf.
  const char* s = strerror_r(err, buf, sizeof buf);
  return s ? std::string(s) : std::string("error ") + std::to_string(err);
}

TWakeEvent::TWakeEvent() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

void TWakeEvent::Wake() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(fd_.Get(), &one, sizeof one);
}

void TWakeEvent::Clear() {
  uint64_t v = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd_.Get(), &v, sizeof v);
}

bool TWakeEvent::IsWoken() const {
  return WaitFor(0);
}

bool TWakeEvent::WaitFor(int ms) const {
  const auto deadline = DeadlineIn(ms);
  for (;;) {
    pollfd p{fd_.Get(), POLLIN, 0};
    const int n = poll(&p, 1, RemainingMs(deadline));
    if (n < 0 && errno == EINTR) continue;
    return n > 0 && (p.revents & POLLIN);
  }
}

uint16_t TSockAddr::Port() const {
  if (Family() == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in*>(&Addr)->sin_port);
  if (Family() == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&Addr)->sin6_port);
  return 0;
}

std::string TSockAddr::ToString() const {
  char host[INET6_ADDRSTRLEN] = "?";
  if (Family() == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&Addr)->sin_addr, host, sizeof host);
  else if (Family() == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&Addr)->sin6_addr, host,
              sizeof host);
  return std::string(host) + ":" + std::to_string(Port());
}

bool ResolveAddress(std::string_view host, std::string_view port, int sockType, bool passive,
                    TSockAddr& out, std::string& error) {
  Trim(host);
  Trim(port);
  unsigned portNumber = 0;
  const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), portNumber);
  if (!port.empty() &&
      (ec != std::errc() || end != port.data() + port.size() || portNumber > 65535)) {
    error = LangText("usocketio.sinvalidport", "Ung\xC3\xBCltiger Port \"%1\"", {port});
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = sockType;
  hints.ai_flags = AI_NUMERICSERV | (passive ? AI_PASSIVE : 0);
  const std::string h(host);
  const std::string p = port.empty() ? std::string("0") : std::string(port);
  addrinfo* res = nullptr;
  const int rc = getaddrinfo(h.empty() ? nullptr : h.c_str(), p.c_str(), &hints, &res);
  if (rc != 0 || !res) {
    error = LangText("usocketio.scannotresolve",
                     "Adresse \"%1\" Port \"%2\" nicht aufl\xC3\xB6"
                     "sbar",
                     {h, p}) +
            ": " + gai_strerror(rc);
    if (res) freeaddrinfo(res);
    return false;
  }
  // Prefer IPv4 when a name gives both, as most devices speak IPv4 only.
  const addrinfo* pick = res;
  for (const addrinfo* a = res; a; a = a->ai_next)
    if (a->ai_family == AF_INET) {
      pick = a;
      break;
    }
  std::memcpy(&out.Addr, pick->ai_addr, pick->ai_addrlen);
  out.Len = pick->ai_addrlen;
  freeaddrinfo(res);
  return true;
}

// ---------------------------------------------------------------- UDP

bool TUdpSocket::Bind(std::string_view host, std::string_view port, std::string& error) {
  TSockAddr a;
  if (!ResolveAddress(host, port, SOCK_DGRAM, true, a, error)) return false;
  TFd fd(socket(a.Family(), SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid() || bind(fd.Get(), reinterpret_cast<const sockaddr*>(&a.Addr), a.Len) != 0) {
    lastError_.store(errno);
    error = LangText("usocketio.scannotbindudp", "UDP kann nicht an %1 gebunden werden",
                     {a.ToString()}) +
            ": " + ErrnoText(lastError_);
    return false;
  }
  // A larger receive buffer rides out bursts while the hub is busy.
  const int size = 4 << 20;
  setsockopt(fd.Get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  fd_ = std::move(fd);
  return true;
}

bool TUdpSocket::SetDestination(std::string_view host, std::string_view port, std::string& error) {
  TSockAddr a;
  if (!ResolveAddress(host, port, SOCK_DGRAM, false, a, error)) return false;
  dest_ = a;
  return true;
}

TIoStatus TUdpSocket::Receive(char* buf, size_t cap, size_t& got, int timeoutMs,
                              const TWakeEvent* wake, TSockAddr* from) {
  got = 0;
  if (!fd_.Valid()) return TIoStatus::Error;
  for (;;) {
    TSockAddr src;
    src.Len = sizeof src.Addr;
    const ssize_t n = recvfrom(fd_.Get(), buf, cap, MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&src.Addr), &src.Len);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      if (from) *from = src;
      return TIoStatus::Ok;
    }
    const TIoStatus st = WaitToReceive(fd_.Get(), timeoutMs, wake, lastError_);
    if (st != TIoStatus::Ok) return st;
  }
}

TIoStatus TUdpSocket::Send(std::string_view data) {
  if (dest_.Len == 0) {
    lastError_.store(EDESTADDRREQ);
    return TIoStatus::Error;
  }
  return SendTo(dest_, data);
}

TIoStatus TUdpSocket::SendTo(const TSockAddr& to, std::string_view data) {
  if (!fd_.Valid()) return TIoStatus::Error;
  for (;;) {
    const ssize_t n = sendto(fd_.Get(), data.data(), data.size(), MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&to.Addr), to.Len);
    if (n >= 0) return TIoStatus::Ok;
    if (errno == EINTR) continue;
    lastError_.store(errno);
    return errno == EAGAIN ? TIoStatus::Timeout : TIoStatus::Error;
  }
}

uint16_t TUdpSocket::LocalPort() const {
  return BoundPort(fd_.Get());
}

// ---------------------------------------------------------------- TCP

TIoStatus TTcpSocket::Connect(std::string_view localHost, std::string_view localPort,
                              std::string_view remoteHost, std::string_view remotePort,
                              int timeoutMs, const TWakeEvent* wake, std::string& error) {
  Close();
  TSockAddr remote;
  if (!ResolveAddress(remoteHost, remotePort, SOCK_STREAM, false, remote, error))
    return TIoStatus::Error;
  TFd fd(socket(remote.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) {
    lastError_.store(errno);
    error = LangText("usocketio.snosocket",
                     "Kein Socket verf\xC3\xBC"
                     "gbar") +
            ": " + ErrnoText(lastError_);
    return TIoStatus::Error;
  }
  Trim(localHost);
  Trim(localPort);
  if (!localHost.empty() || !IsAnyPort(localPort)) {
    TSockAddr local;
    if (!ResolveAddress(localHost, localPort, SOCK_STREAM, true, local, error))
      return TIoStatus::Error;
    // A fixed local port is re-bound at every reconnect.
    const int one = 1;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&local.Addr), local.Len) != 0) {
      lastError_.store(errno);
      error = LangText("usocketio.scannotbindtcp", "TCP kann nicht an %1 gebunden werden",
                       {local.ToString()}) +
              ": " + ErrnoText(lastError_);
      return TIoStatus::Error;
    }
  }
  if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&remote.Addr), remote.Len) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) {
      lastError_.store(errno);
      error = LangText("usocketio.scannotconnect", "Keine Verbindung zu %1", {remote.ToString()}) +
              ": " + ErrnoText(lastError_);
      return TIoStatus::Error;
    }
    short rev = 0;
    const TIoStatus st = WaitFd(fd.Get(), POLLOUT, timeoutMs, wake, &rev, &lastError_);
    if (st != TIoStatus::Ok) {
      error = st == TIoStatus::Timeout
                  ? LangText("usocketio.sconnecttimeout",
                             "Verbindung zu %1: Zeit \xC3\xBC"
                             "berschritten",
                             {remote.ToString()})
                  : LangText("usocketio.sconnectcancelled", "Verbindung zu %1 abgebrochen",
                             {remote.ToString()});
      return st;
    }
    int soErr = 0;
    socklen_t len = sizeof soErr;
    if (getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &soErr, &len) != 0) soErr = errno;
    if (soErr != 0) {
      lastError_.store(soErr);
      error = LangText("usocketio.scannotconnect", "Keine Verbindung zu %1", {remote.ToString()}) +
              ": " + ErrnoText(soErr);
      return TIoStatus::Error;
    }
  }
  const int one = 1;
  setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  fd_ = std::move(fd);
  return TIoStatus::Ok;
}

TIoStatus TTcpSocket::Receive(char* buf, size_t cap, size_t& got, int timeoutMs,
                              const TWakeEvent* wake) {
  got = 0;
  if (!fd_.Valid()) return TIoStatus::Error;
  for (;;) {
    const ssize_t n = recv(fd_.Get(), buf, cap, MSG_DONTWAIT);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return TIoStatus::Ok;
    }
    if (n == 0) return TIoStatus::Closed;
    const TIoStatus st = WaitToReceive(fd_.Get(), timeoutMs, wake, lastError_);
    if (st != TIoStatus::Ok) return st;
  }
}

TIoStatus TTcpSocket::SendAll(std::string_view data, int timeoutMs, const TWakeEvent* wake) {
  if (!fd_.Valid()) return TIoStatus::Error;
  const auto deadline = DeadlineIn(timeoutMs);
  while (!data.empty()) {
    const ssize_t n = send(fd_.Get(), data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      lastError_.store(errno);
      return errno == EPIPE || errno == ECONNRESET ? TIoStatus::Closed : TIoStatus::Error;
    }
    short rev = 0;
    const int left = RemainingMs(deadline);
    if (left == 0) return TIoStatus::Timeout;
    const TIoStatus st = WaitFd(fd_.Get(), POLLOUT, left, wake, &rev, &lastError_);
    if (st != TIoStatus::Ok) return st;
    if (rev & (POLLERR | POLLHUP)) {
      lastError_.store(EPIPE);
      return TIoStatus::Closed;
    }
  }
  return TIoStatus::Ok;
}

void TTcpSocket::Shutdown() {
  if (fd_.Valid()) ::shutdown(fd_.Get(), SHUT_RDWR);
}

void TTcpSocket::Abort() {
  if (!fd_.Valid()) return;
  const linger l{1, 0};
  setsockopt(fd_.Get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  fd_.Reset();
}

uint16_t TTcpSocket::LocalPort() const {
  return BoundPort(fd_.Get());
}

bool TTcpListener::Listen(std::string_view host, std::string_view port, std::string& error,
                          bool dropOnClose) {
  TSockAddr a;
  if (!ResolveAddress(host, port, SOCK_STREAM, true, a, error)) return false;
  TFd fd(socket(a.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) {
    const int err = errno;
    error = LangText("usocketio.snosocket",
                     "Kein Socket verf\xC3\xBC"
                     "gbar") +
            ": " + ErrnoText(err);
    return false;
  }
  // Re-listening right after a run must not wait for TIME_WAIT; a second
  // listener on the same port still fails on Linux.
  const int one = 1;
  setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (dropOnClose) {
    const linger l{1, 0};  // accepted sockets inherit it
    setsockopt(fd.Get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  }
  // The system's longest accept queue: many clients connecting at once must
  // not wait for resent connection requests.
  if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&a.Addr), a.Len) != 0 ||
      listen(fd.Get(), SOMAXCONN) != 0) {
    const int err = errno;
    error = LangText("usocketio.scannotlisten", "Kann auf %1 keine Verbindungen annehmen",
                     {a.ToString()}) +
            ": " + ErrnoText(err);
    return false;
  }
  fd_ = std::move(fd);
  return true;
}

TIoStatus TTcpListener::Accept(TTcpSocket& out, int timeoutMs, const TWakeEvent* wake) {
  if (!fd_.Valid()) return TIoStatus::Error;
  for (;;) {
    const int c = accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (c >= 0) {
      const int one = 1;
      setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      out = TTcpSocket(TFd(c));
      return TIoStatus::Ok;
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return TIoStatus::Error;
    short rev = 0;
    std::atomic<int> err{0};
    const TIoStatus st = WaitFd(fd_.Get(), POLLIN, timeoutMs, wake, &rev, &err);
    if (st != TIoStatus::Ok) return st;
    timeoutMs = 0;
  }
}

uint16_t TTcpListener::LocalPort() const {
  return BoundPort(fd_.Get());
}

std::vector<std::string> ListLocalAddresses() {
  std::vector<std::string> v4, v6, loop;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  for (const ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || !(i->ifa_flags & IFF_UP)) continue;
    const int fam = i->ifa_addr->sa_family;
    if (fam != AF_INET && fam != AF_INET6) continue;
    char host[INET6_ADDRSTRLEN] = "";
    const void* src =
        fam == AF_INET
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr)
            : static_cast<const void*>(
                  &reinterpret_cast<const sockaddr_in6*>(i->ifa_addr)->sin6_addr);
    if (!inet_ntop(fam, src, host, sizeof host)) continue;
    auto& dst = (i->ifa_flags & IFF_LOOPBACK) ? loop : (fam == AF_INET ? v4 : v6);
    bool dup = false;
    for (const auto& s : dst) dup = dup || s == host;
    if (!dup) dst.emplace_back(host);
  }
  freeifaddrs(list);
  v4.insert(v4.end(), v6.begin(), v6.end());
  v4.insert(v4.end(), loop.begin(), loop.end());
  return v4;
}

}  // namespace qx
