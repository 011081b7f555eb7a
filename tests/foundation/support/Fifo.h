// A FIFO in a fresh temporary folder, named as a picture, table or record
// file. Should the code under test open it blocking, a helper thread opens
// the other end after kUnblockAfter, so the test fails on its clock instead
// of hanging.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace qx::test {

class TFifo {
 public:
  static constexpr auto kUnblockAfter = std::chrono::seconds(3);
  static constexpr auto kPromptly = std::chrono::seconds(1);

  explicit TFifo(const std::string& name) {
    std::string pattern = "/tmp/qx-fifo-XXXXXX";
    if (const char* t = std::getenv("QX_TEST_TMP")) {
      ::mkdir(t, 0755);
      pattern = std::string(t) + "/qx-fifo-XXXXXX";
    }
    if (::mkdtemp(pattern.data())) dir_ = pattern;
    path_ = dir_ + "/" + name;
    ok_ = !dir_.empty() && ::mkfifo(path_.c_str(), 0600) == 0;
    watchdog_ = std::thread([this] {
      const auto end = std::chrono::steady_clock::now() + kUnblockAfter;
      while (!done_.load() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (done_.load()) return;
      // Both ends, without waiting ourselves: a reader for a blocked
      // writer, then a writer (closed at once: end of file) for a reader.
      const int r = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
      const int w = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
      if (w >= 0) ::close(w);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (r >= 0) ::close(r);
    });
  }
  ~TFifo() {
    done_.store(true);
    watchdog_.join();
    ::unlink(path_.c_str());
    ::rmdir(dir_.c_str());
  }
  TFifo(const TFifo&) = delete;
  TFifo& operator=(const TFifo&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Path() const { return path_; }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_, path_;
  bool ok_ = false;
  std::atomic<bool> done_{false};
  std::thread watchdog_;
};

// Runs f and answers whether it returned promptly.
template <class F>
bool ReturnsPromptly(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::steady_clock::now() - start < TFifo::kPromptly;
}

}  // namespace qx::test
