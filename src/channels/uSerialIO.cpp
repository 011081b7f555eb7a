#include "channels/uSerialIO.h"

#include <errno.h>
#include <fcntl.h>
#include <libserialport.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "channels/uSerialRate.h"
#include "foundation/uLangText.h"

namespace qx {

namespace {

bool BaudConstant(int baud, speed_t& out) {
  static constexpr struct {
    int Baud;
    speed_t Code;
  } kRates[] = {
      {50, B50},           {75, B75},           {110, B110},         {134, B134},
      {150, B150},         {200, B200},         {300, B300},         {600, B600},
      {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
      {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
      {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  };
  for (const auto& r : kRates)
    if (r.Baud == baud) {
      out = r.Code;
      return true;
    }
  return false;
}

// Within 5 %, what two serial ends tolerate between them.
bool RateClose(uint32_t got, uint32_t want) {
  const uint64_t diff = got > want ? got - want : want - got;
  return diff * 100 <= static_cast<uint64_t>(want) * 5;
}

}  // namespace

bool IsDeviceGoneErrno(int err) {
  return err == EIO || err == ENXIO || err == ENODEV || err == EBADF;
}

TSerialStatus TSerialDevice::Fail(int err, TSerialStatus st) {
  lastError_.store(err);
  return st;
}

std::string TSerialDevice::LastErrorText() const {
  if (!openError_.empty()) return openError_;
  const int err = lastError_.load();
  return err ? ErrnoText(err) : std::string();
}

bool TSerialDevice::Open(std::string_view name, const TSerialSettings& s) {
  Close();
  lastError_.store(0);
  openError_.clear();
  const std::string path(name);
  auto refuse = [&](int err, std::string text) {
    lastError_.store(err);
    openError_ = path + ": " + std::move(text);
    return false;
  };

  // Check the settings first, so a refused setting never touches the line.
  if (s.BaudRate <= 0)
    return refuse(EINVAL,
                  LangText("userialio.sbaudrate", "Baudrate %1 wird nicht unterst\xC3\xBCtzt",
                           {std::to_string(s.BaudRate)}));
  // Rates outside the table go to the driver through termios2 after the rest.
  speed_t speed = 0;
  const bool tableRate = BaudConstant(s.BaudRate, speed);
  tcflag_t size = 0;
  switch (s.DataBits) {
    case 5:
      size = CS5;
      break;
    case 6:
      size = CS6;
      break;
    case 7:
      size = CS7;
      break;
    case 8:
      size = CS8;
      break;
    default:
      return refuse(EINVAL,
                    LangText("userialio.sdatabits", "%1 Datenbits werden nicht unterst\xC3\xBCtzt",
                             {std::to_string(s.DataBits)}));
  }
  tcflag_t parity = 0;
  switch (s.Parity) {
    case 'N':
    case 'n':
      parity = 0;
      break;
    case 'O':
    case 'o':
      parity = PARENB | PARODD;
      break;
    case 'E':
    case 'e':
      parity = PARENB;
      break;
    case 'M':
    case 'm':
      parity = PARENB | CMSPAR | PARODD;
      break;
    case 'S':
    case 's':
      parity = PARENB | CMSPAR;
      break;
    default:
      return refuse(
          EINVAL, LangText("userialio.sparity", "Parit\xC3\xA4t '%1' wird nicht unterst\xC3\xBCtzt",
                           {std::string(1, s.Parity)}));
  }
  tcflag_t stop = 0;
  switch (s.StopBits) {
    case 0:
      stop = 0;
      break;
    case 2:
      stop = CSTOPB;
      break;
    case 1:
      return refuse(EINVAL,
                    LangText("userialio.sstopbits15",
                             "1,5 Stoppbits lassen sich auf diesem System nicht einstellen"));
    default:
      return refuse(
          EINVAL, LangText("userialio.sstopbits", "Stoppbit-Code %1 wird nicht unterst\xC3\xBCtzt",
                           {std::to_string(s.StopBits)}));
  }
  if (path.empty())
    return refuse(ENOENT, LangText("userialio.snodevice", "Kein Ger\xC3\xA4tename"));

  TFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return refuse(errno, ErrnoText(errno));
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    return refuse(e, e == EWOULDBLOCK ? LangText("userialio.sinuse", "Ger\xC3\xA4t ist belegt")
                                      : ErrnoText(e));
  }
  termios t{};
  if (tcgetattr(fd.Get(), &t) != 0) return refuse(errno, ErrnoText(errno));
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= size | parity | stop | CLOCAL | CREAD;
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  if (parity) t.c_iflag |= INPCK;
  if (s.Flow == TFlowControl::Hardware) t.c_cflag |= CRTSCTS;
  if (s.Flow == TFlowControl::Software) t.c_iflag |= IXON | IXOFF;
  // VMIN 1 with O_NONBLOCK: an empty line answers EAGAIN, so a zero-byte
  // read can only mean hang-up (VMIN 0 would answer 0 as well).
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tableRate && (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0))
    return refuse(errno, ErrnoText(errno));
  if (tcsetattr(fd.Get(), TCSANOW, &t) != 0) return refuse(errno, ErrnoText(errno));
  if (!tableRate) {
    const std::string rate = std::to_string(s.BaudRate);
    const uint32_t want = static_cast<uint32_t>(s.BaudRate);
    if (const int err = SetLineRate(fd.Get(), want))
      return refuse(
          err, LangText("userialio.srefuses", "Das Ger\xC3\xA4t lehnt Baudrate %1 ab", {rate}) +
                   ": " + ErrnoText(err));
    // A driver may fall back to a rate of its own instead of failing; beyond
    // the usual line tolerance nothing readable would arrive.
    uint32_t in = 0, out = 0;
    if (GetLineRate(fd.Get(), in, out) == 0 && !RateClose(out, want))
      return refuse(EINVAL,
                    LangText("userialio.scannotrun",
                             "Das Ger\xC3\xA4t kann nicht mit Baudrate %1 laufen (es bietet %2)",
                             {rate, std::to_string(out)}));
  }
  tcflush(fd.Get(), TCIOFLUSH);
  fd_ = std::move(fd);
  return true;
}

TSerialStatus TSerialDevice::Read(char* buf, size_t cap, size_t& got, int timeoutMs,
                                  const TWakeEvent* wake) {
  got = 0;
  if (!fd_.Valid()) return Fail(EBADF, TSerialStatus::Gone);
  const auto deadline = DeadlineIn(timeoutMs);
  for (;;) {
    const ssize_t n = ::read(fd_.Get(), buf, cap);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return TSerialStatus::Ok;
    }
    // The line is non-blocking, so a zero-byte read means hang-up.
    if (n == 0 && cap > 0) return Fail(ENXIO, TSerialStatus::Gone);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK)
        return Fail(errno, IsDeviceGoneErrno(errno) ? TSerialStatus::Gone : TSerialStatus::Error);
    }
    short rev = 0;
    switch (WaitFd(fd_.Get(), POLLIN, RemainingMs(deadline), wake, &rev, &lastError_)) {
      case TIoStatus::Ok:
        break;
      case TIoStatus::Woken:
        return TSerialStatus::Woken;
      case TIoStatus::Timeout:
        return TSerialStatus::Timeout;
      default:
        // EBADF: the descriptor was closed under us, as good as unplugged.
        return lastError_.load() == EBADF ? TSerialStatus::Gone : TSerialStatus::Error;
    }
    if ((rev & (POLLHUP | POLLERR)) && !(rev & POLLIN)) return Fail(ENXIO, TSerialStatus::Gone);
    // Readable (or hang-up with data left): read again.
  }
}

TSerialStatus TSerialDevice::Write(std::string_view data, int timeoutMs) {
  if (!fd_.Valid()) return Fail(EBADF, TSerialStatus::Gone);
  const auto deadline = DeadlineIn(timeoutMs);
  while (!data.empty()) {
    const ssize_t n = ::write(fd_.Get(), data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
      return Fail(errno, IsDeviceGoneErrno(errno) ? TSerialStatus::Gone : TSerialStatus::Error);
    const int left = RemainingMs(deadline);
    if (left == 0) return Fail(ETIMEDOUT, TSerialStatus::Timeout);
    pollfd p{fd_.Get(), POLLOUT, 0};
    const int r = poll(&p, 1, left);
    if (r < 0 && errno != EINTR) return Fail(errno, TSerialStatus::Error);
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
      return Fail(ENXIO, TSerialStatus::Gone);
  }
  return TSerialStatus::Ok;
}

uint32_t TSerialDevice::LineRate() const {
  uint32_t in = 0, out = 0;
  return fd_.Valid() && GetLineRate(fd_.Get(), in, out) == 0 ? out : 0;
}

void TSerialDevice::Close() {
  fd_.Reset();  // closing also drops the flock
}

std::vector<std::string> ListSerialDevices(size_t maxCount) {
  std::vector<std::string> names;
  sp_port** ports = nullptr;
  if (sp_list_ports(&ports) != SP_OK || !ports) return names;
  for (size_t i = 0; ports[i] && names.size() < maxCount; ++i)
    if (const char* n = sp_get_port_name(ports[i])) names.emplace_back(n);
  sp_free_port_list(ports);
  return names;
}

}  // namespace qx
