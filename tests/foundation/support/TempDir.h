// A unique temporary folder under $QX_TEST_TMP (or /tmp), removed at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace qx::fake {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("QX_TEST_TMP");
    std::string root = (base && *base) ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string pattern = root + "/qxfl-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace qx::fake
