#include "channels/uQXPorts.h"

#include <algorithm>

#include "channels/uComPort.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"
#include "channels/uURLPort.h"

namespace qx {

TPortList* PortList = nullptr;

namespace {
std::atomic<uint64_t> nextPortSerial{1};
}  // namespace

// ---- TQXPort ----------------------------------------------------------------

TQXPort::TQXPort() : serial_(nextPortSerial.fetch_add(1, std::memory_order_relaxed)) {}

TQXPort::~TQXPort() = default;

void TQXPort::Connect() {
  // Common ending: release what a failed open left behind, then the light.
  const bool opened = Connected.load();
  if (!opened) Disconnect();
  ShowStatusLight(opened);
  if (!opened && PortBox) PortBox->ShowFailure(LastErrorText);
  if (list_ && list_->PortTestRunning()) list_->Hub().View().ProcessMessages();
}

void TQXPort::Disconnect() {}

void TQXPort::StartReceive() {}

bool TQXPort::IsLost() {
  return false;
}

std::string TQXPort::LostReason() const {
  return {};
}

void TQXPort::Send(std::string_view /*frame*/) {}

std::string TQXPort::GetInfo() const {
  return {};
}

void TQXPort::ShowStatusLight(bool on) {
  if (PortBox) PortBox->ShowStatusLight(on ? kLightGreen : kLightRed);
}

void TQXPort::HideStatusLight() {
  if (PortBox) PortBox->HideStatusLight();
}

void TQXPort::SetDisabled(bool value) {
  Disabled = value;
  if (PortBox) PortBox->SetControlsEnabled(!value);
}

void TQXPort::RegisterKeySets(TFLSetList& sets, TPortList* list) {
  TComPort::DefineKeySet(sets, list);
  TUDPPort::DefineKeySet(sets, list);
  TURLPort::DefineKeySet(sets, list);
  TTCPServer::DefineKeySet(sets, list);
  TTCPConnection::DefineKeySet(sets, list);
}

TTerminal* TQXPort::Hub() const {
  return list_ ? &list_->Hub() : nullptr;
}

bool TQXPort::DeliverFrame(std::string_view frame, bool evaluate) {
  TTerminal* hub = Hub();
  if (!hub) return false;
  const bool used = hub->ReceiveFrame(frame, this, evaluate);
  if (IsTerminalPort.load(std::memory_order_relaxed)) {
    char quoted[kMaxFrameLen + 2];
    if (frame.size() <= kMaxFrameLen) {
      quoted[0] = '\'';
      frame.copy(quoted + 1, frame.size());
      quoted[frame.size() + 1] = '\'';
      hub->Term().AddRecvCommand(std::string_view(quoted, frame.size() + 2), used);
    } else {
      hub->Term().AddRecvCommand("'" + std::string(frame) + "'", used);
    }
  }
  return used;
}

size_t TQXPort::DeliverBytes(TFrameCollector& collector, std::span<const uint8_t> bytes) {
  const size_t scanned = collector.Feed(
      bytes, [this](std::string_view frame, bool evaluate) { DeliverFrame(frame, evaluate); });
  NoteBytes(bytes.first(scanned));
  return scanned;
}

size_t TQXPort::DeliverPacket(std::span<const uint8_t> packet) {
  TFrameCollector collector(TCollectMode::Packet);
  const size_t scanned = DeliverBytes(collector, packet);
  NotePacketEnd();
  return scanned;
}

void TQXPort::NoteBytes(std::span<const uint8_t> bytes) {
  if (!IsTerminalPort.load(std::memory_order_relaxed)) return;
  if (bytes.empty()) return;
  if (TTerminal* hub = Hub()) hub->Term().AddBytes(bytes);
}

void TQXPort::NotePacketEnd() {
  if (!IsTerminalPort.load(std::memory_order_relaxed)) return;
  if (TTerminal* hub = Hub()) hub->Term().AddPacketMark();
}

void TQXPort::NoteReceiveEnd() {
  if (!IsTerminalPort.load(std::memory_order_relaxed)) return;
  if (TTerminal* hub = Hub()) hub->Term().AddCloseMark();
}

// ---- TPortList ----------------------------------------------------------------

TPortList::TPortList(TTerminal& hub) : hub_(hub) {
  hub_.SetPortList(this);
}

TPortList::~TPortList() {
  // The transmit thread of a run reads this list: end the run first.
  if (hub_.Ports() == this) hub_.Disconnect();
  FreeAll();
  if (hub_.Ports() == this) hub_.SetPortList(nullptr);
}

TQXPort& TPortList::Add(std::unique_ptr<TQXPort> port) {
  TQXPort& ref = *port;
  ref.list_ = this;
  if (boxFactory_ && !ref.PortBox) ref.PortBox = boxFactory_(ref);
  std::scoped_lock lock(useLock_, listLock_);
  ports_.push_back(std::move(port));
  return ref;
}

void TPortList::DisconnectPort(TQXPort& port) {
  // Before taking the lock: the transmit thread holds it while a send waits
  // for a peer that does not read (up to its time-out per client).
  port.CancelIo();
  std::lock_guard use(useLock_);
  port.Disconnect();
}

bool TPortList::Remove(TQXPort& port) {
  // A connection test pumps messages while it walks the list: freeing a port
  // then would leave the walk holding a dangling port.
  if (portTestRunning_) return false;
  std::unique_ptr<TQXPort> owned;
  {
    std::lock_guard use(useLock_);
    port.Disconnect();
    std::lock_guard list(listLock_);
    auto it = std::find_if(ports_.begin(), ports_.end(),
                           [&](const std::unique_ptr<TQXPort>& p) { return p.get() == &port; });
    if (it == ports_.end()) return false;
    owned = std::move(*it);
    ports_.erase(it);
  }
  owned->PortBox.reset();  // the box goes before its port
  owned.reset();
  return true;
}

void TPortList::FreeAll() {
  if (portTestRunning_) return;  // see Remove
  if (OnBeforeFreeAll) OnBeforeFreeAll();
  for (;;) {
    TQXPort* last = nullptr;
    {
      std::lock_guard list(listLock_);
      if (ports_.empty()) break;
      last = ports_.back().get();
    }
    Remove(*last);
  }
  if (OnAfterFreeAll) OnAfterFreeAll();
}

int32_t TPortList::Count() const {
  std::lock_guard list(listLock_);
  return static_cast<int32_t>(ports_.size());
}

TQXPort* TPortList::At(int32_t index) const {
  std::lock_guard list(listLock_);
  if (index < 0 || static_cast<size_t>(index) >= ports_.size()) return nullptr;
  return ports_[static_cast<size_t>(index)].get();
}

int32_t TPortList::IndexOf(const TQXPort& port) const {
  std::lock_guard list(listLock_);
  for (size_t i = 0; i < ports_.size(); ++i) {
    if (ports_[i].get() == &port) return static_cast<int32_t>(i);
  }
  return -1;
}

// The list changes only on the GUI thread, which is where the operations
// below run, so they walk it without the list lock.

bool TPortList::ConnectAll() {
  bool any = false;
  bool allOpened = true;
  for (size_t i = 0; i < ports_.size(); ++i) {
    TQXPort& port = *ports_[i];
    if (port.Disabled) continue;
    port.Connect();
    const bool opened = port.Connected.load();
    if (!opened) hub_.Loss().ConnLostEvent();
    any = any || opened;
    allOpened = allOpened && opened;
  }
  portsConnected_ = any || allOpened;
  if (!portsConnected_) DisconnectAll();
  return portsConnected_;
}

void TPortList::DisconnectAll() {
  for (size_t i = 0; i < ports_.size(); ++i) DisconnectPort(*ports_[i]);
}

void TPortList::StartAll() {
  for (size_t i = 0; i < ports_.size(); ++i) {
    TQXPort& port = *ports_[i];
    if (!port.Disabled && port.Connected.load()) port.StartReceive();
  }
}

bool TPortList::CheckLost() {
  bool lost = false;
  for (size_t i = 0; i < ports_.size(); ++i) {
    TQXPort& port = *ports_[i];
    if (port.Connected.load() && port.IsLost()) {
      hub_.Loss().ConnLostEvent();
      const std::string why = port.LostReason();  // the port's thread knows it
      DisconnectPort(port);
      // The box names the port and why, as after a failed connect.
      port.ShowStatusLight(false);
      if (port.PortBox) port.PortBox->ShowLost(why);
      lost = true;
    }
  }
  return lost;
}

bool TPortList::AnyConnected() const {
  std::lock_guard list(listLock_);
  return std::any_of(ports_.begin(), ports_.end(),
                     [](const std::unique_ptr<TQXPort>& p) { return p->Connected.load(); });
}

void TPortList::SendToPorts(int32_t channel, std::string_view frame) {
  std::lock_guard use(useLock_);
  for (const auto& p : ports_) {
    TQXPort& port = *p;
    if (!port.Connected.load(std::memory_order_acquire) || !port.Accepts(channel)) continue;
    port.Send(frame);
    if (port.IsTerminalPort.load(std::memory_order_relaxed)) {
      std::string quoted;
      quoted.reserve(frame.size() + 2);
      quoted.push_back('\'');
      quoted.append(frame);
      quoted.push_back('\'');
      hub_.Term().AddSendCommand(quoted);
    }
  }
}

bool TPortList::HasPortFor(int32_t channel) const {
  std::lock_guard list(listLock_);
  for (const auto& p : ports_) {
    if (p->Connected.load(std::memory_order_relaxed) && p->Accepts(channel)) return true;
  }
  return false;
}

void TPortList::SetTerminalPort(int32_t index) {
  std::lock_guard list(listLock_);
  for (size_t i = 0; i < ports_.size(); ++i) {
    ports_[i]->IsTerminalPort.store(static_cast<int32_t>(i) + 1 == index);
  }
}

void TPortList::HideAllStatusLights() {
  // During a run a port that failed to open or was lost keeps its red light
  // and reason: nothing else tells the user that the run goes on without it.
  const bool running = hub_.Connected.load();
  for (size_t i = 0; i < ports_.size(); ++i) {
    TQXPort& port = *ports_[i];
    if (running && !port.Disabled && !port.Connected.load()) continue;
    port.HideStatusLight();
  }
}

void TPortList::TestConnection() {
  if (hub_.Connected.load() || hub_.Connecting() || portTestRunning_) return;
  portTestRunning_ = true;
  HideAllStatusLights();
  hub_.View().ProcessMessages();
  ConnectAll();
  DisconnectAll();
  portTestRunning_ = false;
}

}  // namespace qx
