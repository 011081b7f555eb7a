// A linked pair of pseudo-terminals made by socat, started and stopped by the
// test: bytes written to one end come out of the other, and ending socat
// makes both ends hang up like an unplugged adapter.
#pragma once

#include <sys/types.h>

#include <string>

namespace qx::test {

// A fresh directory under $QX_TEST_TMP (or /tmp); empty on failure.
std::string MakeTempDir(const char* prefix);

class TPtyPair {
 public:
  TPtyPair() = default;
  ~TPtyPair() { Stop(); }
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  // Starts socat and waits (generously) until both links exist.
  [[nodiscard]] bool Start(std::string& error);
  // Ends socat and waits for it; both ends hang up.
  void Stop();
  bool Running() const { return pid_ > 0; }

  const std::string& A() const { return a_; }
  const std::string& B() const { return b_; }

 private:
  std::string dir_, a_, b_;
  pid_t pid_ = -1;
};

}  // namespace qx::test
