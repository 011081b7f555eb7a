// Serial-line port: one receive thread per open port cuts the byte stream
// into frames; the transmit thread writes frames whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "channels/uQXPorts.h"
#include "channels/uSerialIO.h"
#include "channels/uSocketIO.h"

namespace qx {

class TComPort;

// What the receive loop does after one read.
enum class TReadAction { Deliver, Retry, Pause, Lost, End };

class TComThread {
 public:
  // A failed read that is not "device gone" pauses kErrorPauseMs; after
  // kErrorsUntilLost of them in a row the port counts as lost.
  static constexpr int kErrorPauseMs = 100;
  static constexpr int kErrorsUntilLost = 10;
  // The loop's rule; failures counts failed reads in a row.
  static TReadAction NextAction(TSerialStatus status, int& failures);

  explicit TComThread(TComPort& port);  // created, not running
  ~TComThread();                        // Stop
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  void Start();
  // Ends the loop at once (wake event) and joins it.
  void Stop();
  // Transmit thread: writes the frame whole.
  void Send(std::string_view frame);

  TSerialDevice Serial;
  // Set when the device went away or kept failing; read by IsLost.
  std::atomic<bool> Lost{false};

 private:
  void Execute();

  TComPort& port_;
  // Checked after every read: a line that never runs dry never lets the wait
  // see stop_.
  std::atomic<bool> stopping_{false};
  TWakeEvent stop_;
  std::mutex sendLock_;  // device lock of the sender side
  std::thread thread_;
};

class TComPort : public TQXPort {
 public:
  TComPort();
  ~TComPort() override;

  void Connect() override;
  void Disconnect() override;
  void StartReceive() override;
  bool IsLost() override;
  std::string LostReason() const override;
  void Send(std::string_view frame) override;
  std::string GetInfo() const override;

  // A new serial port with the defaults, appended to list.
  static TComPort& CreateInstance(TPortList& list);
  // The machine's serial device names, at most 100; a single "-" when none.
  static std::vector<std::string> ListPortNames();
  // Defines "QXCOMPORT"; its factory appends a new port to list (the
  // program's PortList when none is given).
  static TFLSet& DefineKeySet(TFLSetList& sets, TPortList* list = nullptr);

  std::unique_ptr<TComThread> Thread;
  std::string PortName = "/dev/ttyUSB0";
  char Parity = 'N';
  int32_t BaudRate = 115200;
  int32_t DataBits = 8;
  int32_t StopBits = 0;

  // Key-set accessors. Reading an empty "parity" text keeps the parity.
  std::string GetParity() const { return std::string(1, Parity); }
  void SetParity(const std::string& text) {
    if (!text.empty()) Parity = text[0];
  }

 private:
  static inline const TFLSet* classKeySet_ = nullptr;
};

}  // namespace qx
