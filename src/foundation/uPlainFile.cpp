#include "foundation/uPlainFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace qx {

namespace {

class TFdGuard {
 public:
  explicit TFdGuard(int fd) : fd_(fd) {}
  ~TFdGuard() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFdGuard(const TFdGuard&) = delete;
  TFdGuard& operator=(const TFdGuard&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

TPlainFileStatus Classify(const struct stat& st, int64_t maxBytes) {
  if (S_ISDIR(st.st_mode)) return TPlainFileStatus::OpenError;
  if (!S_ISREG(st.st_mode)) return TPlainFileStatus::NotRegular;
  if (maxBytes >= 0 && st.st_size > maxBytes) return TPlainFileStatus::TooLarge;
  return TPlainFileStatus::Ok;
}

}  // namespace

TPlainFileStatus ReadPlainFile(const std::string& path, uint32_t maxBytes, std::string& text) {
  text.clear();
  if (path.empty()) return TPlainFileStatus::OpenError;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return TPlainFileStatus::OpenError;
  if (const auto s = Classify(st, maxBytes); s != TPlainFileStatus::Ok) return s;
  const TFdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.Get() < 0) return TPlainFileStatus::OpenError;
  if (::fstat(fd.Get(), &st) != 0) return TPlainFileStatus::OpenError;
  if (const auto s = Classify(st, maxBytes); s != TPlainFileStatus::Ok) return s;
  const size_t limit = maxBytes;
  text.resize(static_cast<size_t>(st.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == text.size()) {
      if (got > limit) {
        text.clear();
        return TPlainFileStatus::TooLarge;
      }
      // Grown since fstat: on in steps, at most one byte past the limit.
      text.resize(std::min(text.size() * 2, limit + 1));
    }
    const ssize_t n = ::read(fd.Get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      text.clear();
      return TPlainFileStatus::ReadError;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  text.resize(got);
  return TPlainFileStatus::Ok;
}

TPlainFileStatus OpenPlainFileForWrite(const std::string& path, bool append, std::FILE*& file) {
  file = nullptr;
  if (path.empty()) return TPlainFileStatus::OpenError;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (const auto s = Classify(st, -1); s != TPlainFileStatus::Ok) return s;
  }
  // No O_TRUNC: a FIFO or device put in place meanwhile is not touched
  // before fstat has seen what was opened.
  TFdGuard fd(::open(
      path.c_str(),
      O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (append ? O_APPEND : 0), 0666));
  if (fd.Get() < 0)
    return errno == ENXIO ? TPlainFileStatus::NotRegular : TPlainFileStatus::OpenError;
  if (::fstat(fd.Get(), &st) != 0) return TPlainFileStatus::OpenError;
  if (const auto s = Classify(st, -1); s != TPlainFileStatus::Ok) return s;
  if (!append && ::ftruncate(fd.Get(), 0) != 0) return TPlainFileStatus::OpenError;
  // A regular file never waits; the flag only mattered for the open.
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) (void)::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  file = ::fdopen(fd.Get(), append ? "ab" : "wb");
  if (!file) return TPlainFileStatus::OpenError;
  fd.Release();
  return TPlainFileStatus::Ok;
}

}  // namespace qx
