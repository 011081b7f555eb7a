#include "channels/support/PtyPair.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

extern char** environ;

namespace qx::test {

std::string MakeTempDir(const char* prefix) {
  const char* root = std::getenv("QX_TEST_TMP");
  std::string base = root && *root ? root : "/tmp";
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  std::string tmpl = base + "/" + prefix + "-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) return {};
  return std::string(buf.data());
}

bool TPtyPair::Start(std::string& error) {
  Stop();
  dir_ = MakeTempDir("qxpty");
  if (dir_.empty()) {
    error = "cannot make a temporary directory";
    return false;
  }
  a_ = dir_ + "/a";
  b_ = dir_ + "/b";
  const std::string argA = "pty,raw,echo=0,link=" + a_;
  const std::string argB = "pty,raw,echo=0,link=" + b_;
  const std::string log = dir_ + "/socat.log";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  char* argv[] = {const_cast<char*>("socat"),      const_cast<char*>("-d"),
                  const_cast<char*>("-d"),         const_cast<char*>(argA.c_str()),
                  const_cast<char*>(argB.c_str()), nullptr};
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "socat", &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    error = "cannot start socat";
    return false;
  }
  pid_ = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  struct stat st {};
  while (std::chrono::steady_clock::now() < deadline) {
    if (lstat(a_.c_str(), &st) == 0 && lstat(b_.c_str(), &st) == 0) {
      // socat makes the links before it enters its transfer loop; the pty
      // buffers whatever is written meanwhile.
      return true;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error = "socat ended early";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  error = "socat made no pty links";
  Stop();
  return false;
}

void TPtyPair::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  if (!dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    dir_.clear();
  }
}

}  // namespace qx::test
