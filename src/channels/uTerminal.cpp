#include "channels/uTerminal.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

#include "channels/uQXPorts.h"
#include "foundation/uNumText.h"

namespace qx {

TTerminal* Terminal = nullptr;

namespace {

constexpr int32_t kSendQueueCapacity = 15;
constexpr int32_t kSendQueueMaxCount = 100;
constexpr auto kTransmitPeriod = std::chrono::milliseconds(10);

}  // namespace

// ---- TTransmitThread ----------------------------------------------------------

TTransmitThread::TTransmitThread(TTerminal& hub) : hub_(hub) {}

TTransmitThread::~TTransmitThread() {
  Stop();
}

void TTransmitThread::Start() {
  if (thread_.joinable()) return;
  {
    std::lock_guard lock(wakeLock_);
    stop_ = false;
  }
  thread_ = std::thread([this] { Execute(); });
}

void TTransmitThread::Stop() {
  {
    std::lock_guard lock(wakeLock_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TTransmitThread::Execute() {
  std::unique_lock lock(wakeLock_);
  for (;;) {
    // The sleep of each period, cut short by Stop.
    if (wake_.wait_for(lock, kTransmitPeriod, [this] { return stop_; })) return;
    lock.unlock();
    hub_.TransmitQueued();
    lock.lock();
  }
}

// ---- TTerminal: channels and dispatch ------------------------------------------

TTerminal::TTerminal(TLossNotify& loss) : SendQueue(kSendQueueCapacity), loss_(loss) {
  for (auto& v : values_) v.store(0.0, std::memory_order_relaxed);
  kanal_.reserve(kChannelCount);
  for (auto& v : values_) kanal_.emplace_back(v);
  ClearChannels();
  SendQueue.MaxCount.store(kSendQueueMaxCount);
  SendQueue.OnOverflow = [this](TBufferBase&) { loss_.SendLossEvent(); };
}

TTerminal::~TTerminal() {
  if (transmit_) transmit_->Stop();
  transmit_.reset();
}

bool TTerminal::ReceiveFrame(std::string_view frame, TQXPort* port, bool evaluate) {
  const size_t n = frame.size();
  if (n < 2 || frame.front() != '#' || frame.back() != ';') return false;
  // Type letter at position 3, 4 or 5 (1-based), before the final ';'; the
  // first hit decides.
  size_t letter = 0;
  for (size_t at = 2; at <= 4 && at < n - 1; ++at) {
    if (frame[at] == 'F' || frame[at] == 'S') {
      letter = at;
      break;
    }
  }
  if (letter == 0) return false;
  int32_t ch = 0;
  for (size_t i = 1; i < letter; ++i) {
    const char c = frame[i];
    if (c < '0' || c > '9') return false;
    ch = ch * 10 + (c - '0');
  }
  if (port && !port->Accepts(ch)) return false;
  const std::string_view value = frame.substr(letter + 1, n - letter - 2);

  std::lock_guard lock(ReceiveLock);
  if (ch == 0) {
    // The console channel: handed over with its letter, never stored.
    return cons_->Receive(frame.substr(letter, n - letter - 1));
  }
  TKanal& k = kanal_[static_cast<size_t>(ch)];
  return frame[letter] == 'F' ? DispatchNumber(k, value, evaluate)
                              : DispatchText(k, value, evaluate);
}

// An element whose evaluation throws is skipped; the others still run and the
// receive thread lives on (the lock is released by the caller's guard).
bool TTerminal::DispatchNumber(TKanal& k, std::string_view text, bool evaluate) {
  bool ok = false;
  const double v = TextToReal(text, ok);
  if (!ok) return false;
  k.Value.store(v, std::memory_order_relaxed);
  if (!evaluate || !formula_) return false;
  bool used = false;
  for (TElementCore* e : k.Readers) {
    try {
      formula_->Calculate(*e);
      used = true;
    } catch (...) {
    }
  }
  return used;
}

bool TTerminal::DispatchText(TKanal& k, std::string_view text, bool evaluate) {
  k.StrValue.assign(text);
  if (!evaluate || !formula_) return false;
  bool used = false;
  for (TElementCore* e : k.Readers) {
    try {
      formula_->CalculateString(*e);
      used = true;
    } catch (...) {
    }
  }
  return used;
}

void TTerminal::CalculateLocked(TElementCore& element) {
  std::lock_guard lock(ReceiveLock);
  if (!formula_) return;
  try {
    formula_->Calculate(element);
  } catch (...) {
    // The sampling thread or the GUI thread goes on.
  }
}

void TTerminal::AddReader(int32_t channel, TElementCore* element) {
  const auto& r = kanal_[static_cast<size_t>(channel)].Readers;
  if (std::find(r.begin(), r.end(), element) != r.end()) return;
  AddNewReader(channel, element);
}

void TTerminal::AddNewReader(int32_t channel, TElementCore* element) {
  auto& r = kanal_[static_cast<size_t>(channel)].Readers;
  // Registration order, except that the elements reading last stay behind:
  // they stand at the end, so their start is found from the back.
  auto at = r.end();
  if (!element->ReadsLast)
    while (at != r.begin() && (*std::prev(at))->ReadsLast) --at;
  r.insert(at, element);
}

void TTerminal::AddWriter(int32_t channel, TElementCore* element) {
  TKanal& k = kanal_[static_cast<size_t>(channel)];
  if (std::find(k.Readers.begin(), k.Readers.end(), element) == k.Readers.end()) {
    k.Writers.push_back(element);
  }
}

template <class Gone>
void TTerminal::EraseUsers(const Gone& gone) {
  std::lock_guard lock(ReceiveLock);
  // Most channels have no users: a thousand empty searches per element
  // were a good part of the program's end with thousands of elements.
  for (auto& k : kanal_) {
    if (!k.Readers.empty()) std::erase_if(k.Readers, gone);
    if (!k.Writers.empty()) std::erase_if(k.Writers, gone);
  }
}

void TTerminal::RemoveElement(const TElementCore* element) {
  EraseUsers([element](const TElementCore* e) { return e == element; });
}

void TTerminal::RemoveElements(std::span<const TElementCore* const> elements) {
  const std::unordered_set<const TElementCore*> gone(elements.begin(), elements.end());
  EraseUsers([&gone](const TElementCore* e) { return gone.contains(e); });
}

void TTerminal::ClearReaders() {
  for (auto& k : kanal_) k.Readers.clear();
}

void TTerminal::ClearWriters() {
  for (auto& k : kanal_) k.Writers.clear();
}

void TTerminal::ClearChannels() {
  for (auto& k : kanal_) {
    k.Value.store(0.0, std::memory_order_relaxed);
    k.Readers.clear();
  }
}

void TTerminal::ResetValues() {
  for (auto& v : values_) v.store(0.0, std::memory_order_relaxed);
}

// ---- TTerminal: send side ----------------------------------------------------------

bool TTerminal::SendFrame(int32_t channel, std::string_view frame) {
  if (!Connected.load(std::memory_order_acquire)) return false;
  std::lock_guard lock(SendLock);
  SendQueue.Put(frame, channel);
  TPortList* ports = Ports();
  return ports && ports->HasPortFor(channel);
}

void TTerminal::TransmitQueued() {
  if (!SendQueue.Swap()) return;
  TPortList* ports = Ports();
  std::string frame;
  int32_t channel = 0;
  while (SendQueue.Get(frame, channel)) {
    if (ports) ports->SendToPorts(channel, frame);
  }
}

// ---- TTerminal: run control ----------------------------------------------------------

void TTerminal::Connect() {
  TPortList* ports = Ports();
  if (Connected.load() || connecting_.load()) return;
  if (ports && ports->PortTestRunning()) return;
  connecting_.store(true);
  cancelConnect_ = false;

  loss_.Reset();
  if (routines_.ClearCompileStateAll) routines_.ClearCompileStateAll();
  ShowState(StateConnecting);
  view_->ProcessMessages();  // may re-enter; guarded by connecting_

  bool ok = false;
  if (!cancelConnect_) {
    SendQueue.Clear();
    transmit_ = std::make_unique<TTransmitThread>(*this);
    ok = ports ? ports->ConnectAll() : true;
    if (ok && cancelConnect_ && ports) ports->DisconnectAll();
  }
  if (cancelConnect_) {
    // Disconnect was asked for while we waited: no run, no error page.
    Connected.store(false);
    if (transmit_) transmit_->Stop();
    transmit_.reset();
    ShowState(StateDisconnected);
  } else if (ok) {
    Connected.store(true);
    StartRun();
    ShowState(StateConnected);
    view_->SetEditTabEnabled(false);
  } else {
    Connected.store(false);
    StopRun();
    ShowState(StateDisconnected);
    view_->SelectPage(kInterfacePageIndex);
    view_->ShowConnectFailed();
  }
  connecting_.store(false);
}

void TTerminal::Disconnect() {
  view_->SetEditTabEnabled(true);
  if (connecting_.load()) {
    cancelConnect_ = true;
    return;
  }
  if (!Connected.load()) return;
  if (TPortList* ports = Ports()) ports->DisconnectAll();
  Connected.store(false);
  StopRun();
  ShowState(StateDisconnected);
}

void TTerminal::StartRun() {
  // Before the ports start: a value that arrives at once is already part of
  // the run that the stream elements record.
  if (routines_.StreamPrepareAll) routines_.StreamPrepareAll();
  TPortList* ports = Ports();
  if (ports) ports->HideAllStatusLights();
  term_->ShowStatus();
  cons_->Connected();
  if (transmit_) transmit_->Start();
  if (ports) ports->StartAll();
  if (routines_.StreamStartAll) routines_.StreamStartAll();
  view_->SetRunTimersEnabled(true);
}

void TTerminal::StopRun() {
  term_->ShowStatus();
  cons_->Disconnected();
  view_->SetRunTimersEnabled(false);
  DisplayTimerTick();  // the last values received are shown
  PollTimerTick();     // the last buffered traffic reaches the pages
  if (routines_.StreamStopAll) routines_.StreamStopAll();
  if (transmit_) transmit_->Stop();
  transmit_.reset();
}

void TTerminal::DisplayTimerTick() {
  if (routines_.UpdateDisplayAll) routines_.UpdateDisplayAll();
  ToggleAlive();
  loss_.ShowFlags();
}

void TTerminal::PollTimerTick() {
  if (term_->PageActive()) term_->Flush();
  if (cons_->ActiveOrRecording()) cons_->Flush();
  TPortList* ports = Ports();
  if (ports && ports->CheckLost() && !ports->AnyConnected()) Disconnect();
}

void TTerminal::ToggleAlive() {
  AliveBlink = !AliveBlink;
  view_->SetAliveColor(AliveBlink ? kAliveWhite : kAliveBlack);
}

void TTerminal::ShowState(int32_t state) {
  view_->ShowState(state);
}

}  // namespace qx
