#include "xserver/XServer.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace qx::test {

TXvfb::~TXvfb() {
  Stop();
}

bool TXvfb::Start(const std::string& screen, std::string& error) {
  int fds[2];
  if (pipe(fds) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid == 0) {
    // The server goes with the test program, even when that one crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-ac", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  pid_ = pid;
  close(fds[1]);
  // The server writes its display number once it accepts clients.
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    char c = 0;
    const ssize_t got = read(fds[0], &c, 1);
    if (got <= 0) break;  // the server ended
    if (c == '\n') break;
    number.push_back(c);
  }
  close(fds[0]);
  if (number.empty()) {
    error = "Xvfb did not start (is the xvfb package installed?)";
    Stop();
    return false;
  }
  setenv("DISPLAY", (":" + number).c_str(), 1);
  return true;
}

void TXvfb::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace qx::test
