// Resident memory of the benchmark process, from /proc.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace qx {

// In bytes: field "VmRSS:" now, or "VmHWM:" the peak since the last
// ResetPeakRss.
inline int64_t RssBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  int64_t kb = 0;
  while (status >> key) {
    if (key == field) {
      status >> kb;
      return kb * 1024;
    }
  }
  return 0;
}

inline bool ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

}  // namespace qx
