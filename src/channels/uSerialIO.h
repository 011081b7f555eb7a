// Thin serial-line layer over termios and poll(). Opening takes an exclusive
// flock on the device, so a second open of the same device fails.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channels/uSocketIO.h"

namespace qx {

enum class TSerialStatus {
  Ok,
  Timeout,  // no byte within the time-out
  Woken,    // the wake event fired
  Gone,     // the device went away (unplugged adapter, pty peer ended)
  Error,    // any other failure; LastError holds errno
};

enum class TFlowControl { None, Hardware, Software };

struct TSerialSettings {
  int BaudRate = 115200;  // any positive rate; the driver may refuse it
  int DataBits = 8;       // 5..8
  char Parity = 'N';      // N, O, E, M (mark), S (space); either case
  int StopBits = 0;       // 0 one, 1 one and a half (refused on Linux), 2 two
  TFlowControl Flow = TFlowControl::None;
};

class TSerialDevice {
 public:
  TSerialDevice() = default;
  TSerialDevice(const TSerialDevice&) = delete;
  TSerialDevice& operator=(const TSerialDevice&) = delete;

  // Opens and configures; on failure the device stays closed and LastErrorText
  // says why.
  [[nodiscard]] bool Open(std::string_view name, const TSerialSettings& s);
  // Reads what is available (up to cap bytes), waiting at most timeoutMs.
  TSerialStatus Read(char* buf, size_t cap, size_t& got, int timeoutMs,
                     const TWakeEvent* wake = nullptr);
  // Writes all bytes, waiting at most timeoutMs for room in the line buffer.
  TSerialStatus Write(std::string_view data, int timeoutMs);
  void Close();
  bool IsOpen() const { return fd_.Valid(); }
  // The rate the driver reports for the open line; 0 when closed.
  uint32_t LineRate() const;
  // errno of the last failure; reads and writes may run on two threads.
  int LastError() const { return lastError_.load(); }
  // Why Open failed, else the text of LastError.
  std::string LastErrorText() const;

 private:
  TSerialStatus Fail(int err, TSerialStatus st);

  TFd fd_;
  std::atomic<int> lastError_{0};
  std::string openError_;  // written by Open only
};

// True for the errno values that mean the device has gone away.
bool IsDeviceGoneErrno(int err);

// The machine's serial device names (libserialport), at most maxCount.
std::vector<std::string> ListSerialDevices(size_t maxCount = 100);

}  // namespace qx
