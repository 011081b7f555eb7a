#include "channels/uURLPort.h"

#include <span>

#include "channels/uFrameCollector.h"
#include "channels/uTerminal.h"
#include "foundation/uLangText.h"

namespace qx {

namespace {

constexpr int kIdleWaitMs = 10;

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace

// ---- TURLThread -----------------------------------------------------------

TURLThread::TURLThread(TURLPort& port)
    : Queue(TURLPort::kQueueCapacity),
      port_(port),
      url_(Trimmed(port.Url)),
      timeoutMs_(port.PostTimeoutMs()) {
  TTerminal* hub = port.Hub();
  TLossNotify* loss = hub ? &hub->Loss() : LossNotify;
  if (loss) Queue.OnOverflow = [loss](TBufferBase&) { loss->SendLossEvent(); };
  Http.SetCredentials(port.UserName, port.Password);
}

TURLThread::~TURLThread() {
  Stop();
}

void TURLThread::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TURLThread::Stop() {
  stop_.Wake();
  Http.Abort();
  if (thread_.joinable()) thread_.join();
}

void TURLThread::Send(std::string_view frame) {
  if (!stop_.IsWoken()) Queue.Put(frame);
}

void TURLThread::Execute() {
  std::string frame;
  while (!stop_.IsWoken()) {
    if (!Queue.Swap()) {
      if (stop_.WaitFor(kIdleWaitMs)) break;
      continue;
    }
    while (!stop_.IsWoken() && Queue.Get(frame)) {
      // A failed request loses its frame; the port stays open.
      const THttpResult r = Http.Post(url_, frame, timeoutMs_);
      if (r.Completed && !r.Body.empty()) {
        TFrameCollector collector(TCollectMode::Packet);
        port_.DeliverBytes(collector,
                           std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(r.Body.data()),
                                                    r.Body.size()));
      }
    }
    port_.NotePacketEnd();
  }
  port_.NoteReceiveEnd();
}

// ---- TURLPort -------------------------------------------------------------

TURLPort::TURLPort() {
  KeySet = classKeySet_;
}

TURLPort::~TURLPort() {
  Disconnect();
}

void TURLPort::Connect() {
  if (Connected.load()) return;
  Url = Trimmed(Url);
  if (Url.empty()) {
    // Nothing to open: counted as failed, the light is left as it was.
    LastErrorText = LangText("uurlport.snourl", "Keine URL angegeben");
    return;
  }
  Thread = std::make_unique<TURLThread>(*this);
  // Any answer of the server counts; only a failure to communicate fails.
  const THttpResult r = Thread->Http.Get(Url, kOpenTimeoutMs);
  LastErrorText = r.Completed ? std::string() : r.Error;
  Connected.store(r.Completed);
  TQXPort::Connect();
}

void TURLPort::Disconnect() {
  if (!Thread) return;
  Connected.store(false);
  Thread->Stop();
  Thread.reset();
}

void TURLPort::StartReceive() {
  if (Thread) Thread->Start();
}

void TURLPort::Send(std::string_view frame) {
  if (Connected.load() && Thread) Thread->Send(frame);
}

std::string TURLPort::GetInfo() const {
  return "URL " + Url;
}

TURLPort& TURLPort::CreateInstance(TPortList& list) {
  return list.Create<TURLPort>();
}

TFLSet& TURLPort::DefineKeySet(TFLSetList& sets, TPortList* list) {
  auto b = DefinePortSet<TURLPort>(sets, "QXURLPORT", list);
  b.String("url", &TURLPort::Url);
  b.Int("timeout", &TURLPort::Timeout);
  b.String("username", &TURLPort::UserName);
  b.String("passwort", &TURLPort::Password);
  TQXPort::AddTailKeys(b);
  classKeySet_ = &b.Set();
  return b.Set();
}

}  // namespace qx
