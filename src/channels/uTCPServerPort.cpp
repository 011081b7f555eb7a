#include "channels/uTCPServerPort.h"

#include <span>
#include <system_error>
#include <vector>

namespace qx {

namespace {
constexpr int kAcceptWaitMs = 100;   // also the period for freeing ended clients
constexpr int kReceiveWaitMs = 250;  // the wake event ends a wait at once
constexpr size_t kReadSize = 65536;
}  // namespace

// ---- TTCPScanner ----------------------------------------------------------

TTCPScanner::TTCPScanner(TTCPServer& port) : port_(port) {}

TTCPScanner::~TTCPScanner() {
  Stop();
}

bool TTCPScanner::Connect(std::string& error) {
  // Linger 0: closing a client drops its pending data at once.
  return Socket.Listen(port_.ListenIp, port_.ListenPort, error, true);
}

void TTCPScanner::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TTCPScanner::Stop() {
  port_.stopping_.store(true);
  port_.stop_.Wake();
  if (thread_.joinable()) thread_.join();
  port_.EndAllClients();
  Socket.Close();
}

void TTCPScanner::Execute() {
  while (!port_.stopping_.load(std::memory_order_relaxed)) {
    TTcpSocket client;
    const TIoStatus st = Socket.Accept(client, kAcceptWaitMs, &port_.stop_);
    if (st == TIoStatus::Woken) break;
    if (st == TIoStatus::Ok) port_.AddClient(std::move(client));
    port_.ReapClients();
    if (st == TIoStatus::Error && port_.stop_.WaitFor(kAcceptWaitMs)) break;
  }
  port_.NoteReceiveEnd();
}

// ---- TTCPServer::TTCPThread -------------------------------------------------

TTCPServer::TTCPThread::TTCPThread(TTCPServer& port, TTcpSocket socket)
    : port_(port), socket_(std::move(socket)) {
  thread_ = port_.StartThread([this] { Execute(); });
}

TTCPServer::TTCPThread::~TTCPThread() {
  End();
  Join();
}

void TTCPServer::TTCPThread::End() {
  if (!ending_.exchange(true)) socket_.Shutdown();
}

void TTCPServer::TTCPThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TTCPServer::TTCPThread::Send(std::string_view frame) {
  if (ending_.load() || finished_.load()) return;
  // A client that stops reading must not stall the transmit thread (and with
  // it every port): drop it after the time-out.
  if (socket_.SendAll(frame, kSendTimeoutMs, &port_.stop_) != TIoStatus::Ok) End();
}

void TTCPServer::TTCPThread::Execute() {
  // Frames may span reads on a stream.
  TFrameCollector collector(TCollectMode::Stream);
  std::vector<char> buf(kReadSize);
  while (!ending_.load(std::memory_order_relaxed) &&
         !port_.stopping_.load(std::memory_order_relaxed)) {
    size_t got = 0;
    const TIoStatus st = socket_.Receive(buf.data(), buf.size(), got, kReceiveWaitMs, &port_.stop_);
    if (st == TIoStatus::Timeout) continue;
    if (st != TIoStatus::Ok) break;  // closed, failed or asked to end
    port_.DeliverBytes(collector,
                       std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(buf.data()), got));
    port_.NotePacketEnd();
  }
  port_.NoteReceiveEnd();
  finished_.store(true);
}

// ---- TTCPServer -----------------------------------------------------------

TTCPServer::TTCPServer() {
  KeySet = classKeySet_;
}

TTCPServer::~TTCPServer() {
  Disconnect();
}

void TTCPServer::Connect() {
  if (Connected.load()) return;
  stop_.Clear();
  stopping_.store(false);
  Scanner = std::make_unique<TTCPScanner>(*this);
  std::string err;
  if (Scanner->Connect(err)) {
    LastErrorText.clear();
    boundPort_.store(Scanner->LocalPort());
    Connected.store(true);
  } else {
    LastErrorText = err;
  }
  TQXPort::Connect();
}

void TTCPServer::Disconnect() {
  if (!Scanner) return;
  Connected.store(false);
  Scanner->Stop();
  Scanner.reset();
  boundPort_.store(0);
}

void TTCPServer::CancelIo() {
  if (!Scanner) return;
  stopping_.store(true);
  stop_.Wake();
}

void TTCPServer::StartReceive() {
  if (Scanner) Scanner->Start();
}

void TTCPServer::Send(std::string_view frame) {
  if (!Connected.load()) return;
  std::lock_guard lock(clientsLock_);
  for (auto& c : Clients) c->Send(frame);
}

std::string TTCPServer::GetInfo() const {
  return "TCP Server on " + ListenIp + " /" + ListenPort;
}

int32_t TTCPServer::ClientCount() const {
  std::lock_guard lock(clientsLock_);
  return static_cast<int32_t>(Clients.size());
}

void TTCPServer::AddClient(TTcpSocket socket) {
  std::unique_ptr<TTCPThread> client;
  try {
    client = std::make_unique<TTCPThread>(*this, std::move(socket));
  } catch (const std::system_error&) {
    // Out of threads (a flood of connections): the socket went with the
    // half-built client, which closes this connection; the port goes on.
    return;
  }
  std::lock_guard lock(clientsLock_);
  Clients.push_back(std::move(client));
}

void TTCPServer::ReapClients() {
  std::list<std::unique_ptr<TTCPThread>> ended;
  {
    std::lock_guard lock(clientsLock_);
    for (auto it = Clients.begin(); it != Clients.end();) {
      auto next = std::next(it);
      if ((*it)->Finished()) ended.splice(ended.end(), Clients, it);
      it = next;
    }
  }
  ended.clear();  // joins threads that have already ended
}

void TTCPServer::EndAllClients() {
  std::list<std::unique_ptr<TTCPThread>> all;
  {
    std::lock_guard lock(clientsLock_);
    all.swap(Clients);
  }
  for (auto& c : all) c->End();
  all.clear();  // joins
}

TTCPServer& TTCPServer::CreateInstance(TPortList& list) {
  return list.Create<TTCPServer>();
}

TFLSet& TTCPServer::DefineKeySet(TFLSetList& sets, TPortList* list) {
  auto b = DefinePortSet<TTCPServer>(sets, "QXTCPSERVER", list);
  b.String("ip", &TTCPServer::ListenIp);
  b.String("port", &TTCPServer::ListenPort);
  TQXPort::AddTailKeys(b);
  classKeySet_ = &b.Set();
  return b.Set();
}

}  // namespace qx
