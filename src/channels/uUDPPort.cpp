#include "channels/uUDPPort.h"

#include <span>

namespace qx {

namespace {
constexpr int kReceiveWaitMs = 250;  // the wake event ends a wait at once
constexpr int kErrorPauseMs = 10;
constexpr size_t kMaxDatagram = 65536;
}  // namespace

// ---- TUDPThread -----------------------------------------------------------

TUDPThread::TUDPThread(TUDPPort& port) : port_(port) {}

TUDPThread::~TUDPThread() {
  Stop();
}

void TUDPThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TUDPThread::Stop() {
  stopping_.store(true);
  stop_.Wake();
  if (thread_.joinable()) thread_.join();
}

void TUDPThread::Send(std::string_view frame) {
  if (stopping_.load()) return;
  std::lock_guard lock(sendLock_);
  (void)Socket.Send(frame);
}

void TUDPThread::Execute() {
  std::vector<char> buf(kMaxDatagram);
  while (!stopping_.load(std::memory_order_relaxed)) {
    size_t got = 0;
    const TIoStatus st = Socket.Receive(buf.data(), buf.size(), got, kReceiveWaitMs, &stop_);
    if (st == TIoStatus::Woken) break;
    if (st == TIoStatus::Ok) {
      // Each datagram is cut on its own: frames never span datagrams.
      port_.DeliverPacket(
          std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(buf.data()), got));
      continue;
    }
    if (st == TIoStatus::Timeout) continue;
    // A datagram socket has no connection to lose: pause and go on.
    if (stop_.WaitFor(kErrorPauseMs)) break;
  }
  port_.NoteReceiveEnd();
}

// ---- TUDPPort -------------------------------------------------------------

TUDPPort::TUDPPort() {
  KeySet = classKeySet_;
}

TUDPPort::~TUDPPort() {
  Disconnect();
}

void TUDPPort::Connect() {
  if (Connected.load()) return;
  Thread = std::make_unique<TUDPThread>(*this);
  std::string err;
  if (Thread->Socket.Bind(LocalIp, LocalPort, err) &&
      Thread->Socket.SetDestination(ClientIp, ClientPort, err)) {
    LastErrorText.clear();
    boundPort_.store(Thread->Socket.LocalPort());
    Connected.store(true);
  } else {
    LastErrorText = err;
  }
  TQXPort::Connect();
}

void TUDPPort::Disconnect() {
  if (!Thread) return;
  Connected.store(false);
  Thread->Stop();
  Thread->Socket.Close();
  Thread.reset();
  boundPort_.store(0);
}

void TUDPPort::StartReceive() {
  if (Thread) Thread->Start();
}

void TUDPPort::Send(std::string_view frame) {
  if (Connected.load() && Thread) Thread->Send(frame);
}

std::string TUDPPort::GetInfo() const {
  return "UDP " + ClientIp + " /" + ClientPort;
}

TUDPPort& TUDPPort::CreateInstance(TPortList& list) {
  return list.Create<TUDPPort>();
}

std::vector<std::string> TUDPPort::ListLocalAddresses() {
  return qx::ListLocalAddresses();
}

TFLSet& TUDPPort::DefineKeySet(TFLSetList& sets, TPortList* list) {
  auto b = DefinePortSet<TUDPPort>(sets, "QXUDPPORT", list);
  b.String("ip", &TUDPPort::LocalIp);
  b.String("port", &TUDPPort::LocalPort);
  b.String("clientIp", &TUDPPort::ClientIp);
  b.String("clientPort", &TUDPPort::ClientPort);
  TQXPort::AddTailKeys(b);
  classKeySet_ = &b.Set();
  return b.Set();
}

}  // namespace qx
