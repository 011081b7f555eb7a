#include "channels/uComPort.h"

#include <cerrno>
#include <chrono>
#include <span>

#include "channels/uFrameCollector.h"

namespace qx {

namespace {

constexpr int kReadWaitMs = 250;  // the wake event ends a wait at once
constexpr int kWriteTimeoutMs = 2000;
constexpr int kSettleMs = 100;  // let the device settle after opening

}  // namespace

// ---- TComThread -----------------------------------------------------------

TComThread::TComThread(TComPort& port) : port_(port) {}

TComThread::~TComThread() {
  Stop();
}

void TComThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TComThread::Stop() {
  stopping_.store(true);
  stop_.Wake();
  if (thread_.joinable()) thread_.join();
}

void TComThread::Send(std::string_view frame) {
  if (stopping_.load() || Lost.load()) return;
  std::lock_guard lock(sendLock_);
  if (Serial.Write(frame, kWriteTimeoutMs) == TSerialStatus::Gone) Lost.store(true);
}

TReadAction TComThread::NextAction(TSerialStatus status, int& failures) {
  switch (status) {
    case TSerialStatus::Ok:
      failures = 0;
      return TReadAction::Deliver;
    case TSerialStatus::Timeout:
      failures = 0;  // the line answered normally: the errors were not in a row
      return TReadAction::Retry;
    case TSerialStatus::Woken:
      return TReadAction::End;
    case TSerialStatus::Gone:
      return TReadAction::Lost;
    case TSerialStatus::Error:
      break;
  }
  // Pause instead of spinning on a failing line; a persistent error is a loss.
  return ++failures >= kErrorsUntilLost ? TReadAction::Lost : TReadAction::Pause;
}

void TComThread::Execute() {
  TFrameCollector collector(TCollectMode::Stream);
  char buf[512];
  int failures = 0;
  for (bool running = true; running && !stopping_.load(std::memory_order_relaxed);) {
    size_t got = 0;
    const TSerialStatus st = Serial.Read(buf, sizeof buf, got, kReadWaitMs, &stop_);
    switch (NextAction(st, failures)) {
      case TReadAction::Deliver:
        port_.DeliverBytes(collector,
                           std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(buf), got));
        break;
      case TReadAction::Retry:
        break;
      case TReadAction::End:
        running = false;
        break;
      case TReadAction::Lost:
        // A failed read never completes the frame being collected.
        collector.Reset();
        Lost.store(true);
        running = false;
        break;
      case TReadAction::Pause:
        collector.Reset();
        running = !stop_.WaitFor(kErrorPauseMs);
        break;
    }
  }
  port_.NoteReceiveEnd();
}

// ---- TComPort -------------------------------------------------------------

TComPort::TComPort() {
  KeySet = classKeySet_;
}

TComPort::~TComPort() {
  Disconnect();
}

void TComPort::Connect() {
  if (Connected.load()) return;
  Thread = std::make_unique<TComThread>(*this);
  TSerialSettings s;
  s.BaudRate = BaudRate;
  s.DataBits = DataBits;
  s.Parity = Parity;
  s.StopBits = StopBits;
  s.Flow = TFlowControl::None;
  if (Thread->Serial.Open(PortName, s)) {
    LastErrorText.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
    Connected.store(true);
  } else {
    LastErrorText = Thread->Serial.LastErrorText();
  }
  TQXPort::Connect();
}

void TComPort::Disconnect() {
  if (!Thread) return;
  Connected.store(false);
  Thread->Stop();
  Thread->Serial.Close();
  Thread.reset();
}

void TComPort::StartReceive() {
  if (Thread) Thread->Start();
}

bool TComPort::IsLost() {
  return Thread && Thread->Lost.load();
}

std::string TComPort::LostReason() const {
  // A line has no peer that could end it: some error always applies.
  const std::string why = Thread ? Thread->Serial.LastErrorText() : std::string();
  return why.empty() ? ErrnoText(EIO) : why;
}

void TComPort::Send(std::string_view frame) {
  if (Connected.load() && Thread) Thread->Send(frame);
}

std::string TComPort::GetInfo() const {
  return PortName + " | " + std::to_string(BaudRate);
}

TComPort& TComPort::CreateInstance(TPortList& list) {
  return list.Create<TComPort>();
}

std::vector<std::string> TComPort::ListPortNames() {
  std::vector<std::string> names = ListSerialDevices(100);
  if (names.empty()) names.emplace_back("-");
  return names;
}

TFLSet& TComPort::DefineKeySet(TFLSetList& sets, TPortList* list) {
  auto b = DefinePortSet<TComPort>(sets, "QXCOMPORT", list);
  b.String("port", &TComPort::PortName);
  b.Int("baudrate", &TComPort::BaudRate);
  b.Int("databit", &TComPort::DataBits);
  b.String("parity", &TComPort::GetParity, &TComPort::SetParity);
  b.Int("stopbit", &TComPort::StopBits);
  TQXPort::AddTailKeys(b);
  classKeySet_ = &b.Set();
  return b.Set();
}

}  // namespace qx
