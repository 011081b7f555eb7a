// An X server of the test program's own: Xvfb on a display number it picks
// itself (-displayfd), so test programs running side by side never collide
// and no display number is fixed anywhere. Stopped when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

namespace qx::test {

class TXvfb {
 public:
  TXvfb() = default;
  ~TXvfb();
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;

  // Starts the server with one screen of the given size and sets DISPLAY.
  // False (and why in error) when it did not come up within a few seconds.
  [[nodiscard]] bool Start(const std::string& screen, std::string& error);
  void Stop();

 private:
  pid_t pid_ = -1;
};

}  // namespace qx::test
