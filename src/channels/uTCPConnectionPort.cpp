#include "channels/uTCPConnectionPort.h"

#include <cerrno>
#include <span>
#include <vector>

#include "channels/uFrameCollector.h"

namespace qx {

namespace {
constexpr int kReceiveWaitMs = 250;  // the wake event ends a wait at once
constexpr int kRetryPauseMs = 100;
constexpr size_t kReadSize = 65536;
}  // namespace

// ---- TTCPConnection::TTCPThread ---------------------------------------------

TTCPConnection::TTCPThread::TTCPThread(TTCPConnection& port) : port_(port) {}

TTCPConnection::TTCPThread::~TTCPThread() {
  Stop();
  Close();
}

bool TTCPConnection::TTCPThread::DoReconnect() {
  {
    std::lock_guard lock(socketLock_);
    socket_.Abort();
  }
  TTcpSocket fresh;
  std::string err;
  const TIoStatus st = fresh.Connect(port_.LocalIp, port_.LocalPort, port_.ClientIp,
                                     port_.ClientPort, kConnectTimeoutMs, &stop_, err);
  if (st != TIoStatus::Ok) {
    errorText_ = err;
    return false;
  }
  std::lock_guard lock(socketLock_);
  socket_ = std::move(fresh);
  return true;
}

void TTCPConnection::TTCPThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TTCPConnection::TTCPThread::Cancel() {
  stopping_.store(true);
  stop_.Wake();
}

void TTCPConnection::TTCPThread::Stop() {
  Cancel();
  {
    // Ends a receive or send in progress at once.
    std::lock_guard lock(socketLock_);
    socket_.Shutdown();
  }
  if (thread_.joinable()) thread_.join();
}

void TTCPConnection::TTCPThread::Close() {
  std::lock_guard lock(socketLock_);
  socket_.Abort();
}

void TTCPConnection::TTCPThread::Send(std::string_view frame) {
  if (stopping_.load() || ReconnectPending.load()) return;
  std::lock_guard lock(socketLock_);
  if (!socket_.IsOpen()) return;
  // Without a time-out one stalled peer would hold the transmit thread (and
  // every port) for good; breaking the connection lets the receive side
  // notice and reconnect or report the port lost.
  if (socket_.SendAll(frame, kSendTimeoutMs, &stop_) != TIoStatus::Ok) socket_.Shutdown();
}

void TTCPConnection::TTCPThread::Execute() {
  TFrameCollector collector(TCollectMode::Stream);
  std::vector<char> buf(kReadSize);
  while (!stopping_.load(std::memory_order_relaxed)) {
    if (ReconnectPending.load()) {
      if (!DoReconnect()) {
        if (stop_.WaitFor(kRetryPauseMs)) break;
        continue;
      }
      ReconnectPending.store(false);
      collector.Reset();  // nothing of the old connection carries over
    }
    size_t got = 0;
    // Only this thread replaces socket_, so it reads it without the lock.
    const TIoStatus st = socket_.Receive(buf.data(), buf.size(), got, kReceiveWaitMs, &stop_);
    if (st == TIoStatus::Woken) break;
    if (st == TIoStatus::Timeout) continue;
    if (st == TIoStatus::Ok) {
      port_.DeliverBytes(
          collector, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(buf.data()), got));
      port_.NotePacketEnd();
      continue;
    }
    // Closed or failed.
    int err = socket_.LastError();
    if (st != TIoStatus::Closed && err == 0) err = EIO;
    LostError.store(err);
    ReconnectPending.store(true);
    if (!port_.AutoReconnect) break;
  }
  port_.NoteReceiveEnd();
}

// ---- TTCPConnection -------------------------------------------------------

TTCPConnection::TTCPConnection() {
  KeySet = classKeySet_;
}

TTCPConnection::~TTCPConnection() {
  Disconnect();
}

void TTCPConnection::Connect() {
  if (Connected.load()) return;
  Thread = std::make_unique<TTCPThread>(*this);
  const bool up = Thread->DoReconnect();
  LastErrorText = up ? std::string() : Thread->ErrorText();
  Thread->ReconnectPending.store(!up);
  // With AutoReconnect the thread keeps trying, so the port counts as open.
  Connected.store(up || AutoReconnect);
  TQXPort::Connect();
}

void TTCPConnection::Disconnect() {
  if (!Thread) return;
  Connected.store(false);
  Thread->Stop();
  Thread->Close();
  Thread.reset();
}

void TTCPConnection::CancelIo() {
  if (Thread) Thread->Cancel();
}

void TTCPConnection::StartReceive() {
  if (Thread) Thread->Start();
}

bool TTCPConnection::IsLost() {
  return !AutoReconnect && Thread && Thread->ReconnectPending.load();
}

std::string TTCPConnection::LostReason() const {
  const int err = Thread ? Thread->LostError.load() : 0;
  return err ? ErrnoText(err) : std::string();
}

void TTCPConnection::Send(std::string_view frame) {
  if (Connected.load() && Thread) Thread->Send(frame);
}

std::string TTCPConnection::GetInfo() const {
  return "TCP " + ClientIp + " /" + ClientPort;
}

TTCPConnection& TTCPConnection::CreateInstance(TPortList& list) {
  return list.Create<TTCPConnection>();
}

TFLSet& TTCPConnection::DefineKeySet(TFLSetList& sets, TPortList* list) {
  auto b = DefinePortSet<TTCPConnection>(sets, "QXTCPCONNECTION", list);
  b.String("ip", &TTCPConnection::LocalIp);
  b.String("port", &TTCPConnection::LocalPort);
  b.String("clientIp", &TTCPConnection::ClientIp);
  b.String("clientPort", &TTCPConnection::ClientPort);
  b.Bool("autoReconnect", &TTCPConnection::AutoReconnect);
  TQXPort::AddTailKeys(b);
  classKeySet_ = &b.Set();
  return b.Set();
}

}  // namespace qx
