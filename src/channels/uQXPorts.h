// Port base class, port list and routing (module uQXPorts).
//
// TQXPort is the base of the five port kinds. The hub drives a port only
// through the virtual operations below; a port's receive loop hands raw
// bytes to DeliverBytes / DeliverPacket, which cut them into frames
// (TFrameCollector) and dispatch them to the hub.
//
// TPortList owns the ports in creation order and runs the class-level
// operations over them (connect all, route a frame, supervise). Threads:
//  - list changes, Connect/Disconnect/StartReceive of ports: GUI thread;
//  - SendToPorts: the transmit thread; HasPortFor: any thread.
// A port is never disconnected or freed while the transmit thread is inside
// its Send: the list serialises the two (UseLock). The list's own lock is a
// leaf, so HasPortFor may run inside the hub's send lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "channels/uFrameCollector.h"
#include "foundation/uFileLoadSet.h"

namespace qx {

class TTerminal;
class TPortList;

// Status-light colours ($00BBGGRR).
inline constexpr uint32_t kLightGreen = 0x008000;
inline constexpr uint32_t kLightRed = 0x0000FF;

// Default channel filter bounds. Channels below 50 are common to all ports.
inline constexpr int32_t kFilterFloor = 50;
inline constexpr int32_t kDefaultFilterLow = 50;
inline constexpr int32_t kDefaultFilterHigh = 999;

// The port's status box on the interface page (the GUI implements it).
// GUI thread only.
class TPortStatusBox {
 public:
  virtual ~TPortStatusBox() = default;
  virtual void ShowStatusLight(uint32_t /*color*/) {}  // brush and pen colour; visible
  virtual void HideStatusLight() {}
  virtual void SetControlsEnabled(bool /*enabled*/) {}  // false while the port is disabled
  // Why the port did not open (after the red light); hidden with the light.
  virtual void ShowFailure(const std::string& /*why*/) {}
  // The open port was lost during a run (after the red light): the system's
  // reason, empty when the peer ended the connection; hidden with the light.
  virtual void ShowLost(const std::string& /*why*/) {}
};

class TQXPort : public TFLObject {
 public:
  TQXPort();
  // Subclass destructors must stop their own threads (call their Disconnect):
  // the base cannot reach them any more.
  ~TQXPort() override;
  TQXPort(const TQXPort&) = delete;
  TQXPort& operator=(const TQXPort&) = delete;

  // ---- virtual operations, in this order ----
  // Subclasses open the device, create their receive thread(s) without
  // starting them, set Connected, then call TQXPort::Connect: the common
  // ending, which releases a half-opened port and shows the status light.
  virtual void Connect();
  // Stops and joins the port's threads, closes the device, Connected := false.
  // Must be safe on a port that is not open. Base: nothing.
  virtual void Disconnect();
  // Starts the receive thread(s) created by Connect. Base: nothing.
  virtual void StartReceive();
  // Whether the open port lost its device or connection. Base: false.
  virtual bool IsLost();
  // Why it was lost: the system's error text, empty when the peer ended the
  // connection. Asked before Disconnect. Base: empty.
  virtual std::string LostReason() const;
  // Transmits one frame; called on the transmit thread only. Base: nothing.
  virtual void Send(std::string_view frame);
  // Ends a send or receive that waits for the peer, as the first step of
  // Disconnect: a send holds the port list while it waits. GUI thread.
  // Base: nothing.
  virtual void CancelIo() {}
  // One-line description for the port box and the terminal's port choice.
  virtual std::string GetInfo() const;

  // Never reused, so a choice that outlives its port cannot pass for a new
  // port that happens to take its place in the list.
  uint64_t Serial() const { return serial_; }

  // ---- fields ----
  // Why the last Connect failed (empty after a good one). GUI thread.
  std::string LastErrorText;
  bool Disabled = false;  // GUI thread; use SetDisabled to follow the box
  std::atomic<bool> Connected{false};
  std::unique_ptr<TPortStatusBox> PortBox;  // may be none (tests, before the GUI)
  std::atomic<bool> IsTerminalPort{false};
  const TFLSet* KeySet = nullptr;
  std::atomic<bool> FilterActive{false};
  std::atomic<int32_t> FilterLow{kDefaultFilterLow};
  std::atomic<int32_t> FilterHigh{kDefaultFilterHigh};

  // The routing rule, used in both directions: channels below 50 always,
  // otherwise when the filter is off or FilterLow <= channel <= FilterHigh.
  bool Accepts(int32_t channel) const {
    if (channel < kFilterFloor || !FilterActive.load(std::memory_order_relaxed)) return true;
    return channel >= FilterLow.load(std::memory_order_relaxed) &&
           channel <= FilterHigh.load(std::memory_order_relaxed);
  }

  void ShowStatusLight(bool on);
  void HideStatusLight();

  // ---- key-set accessors ("disabled", "filterActive", "filterBounds") ----
  bool GetDisabled() const { return Disabled; }
  void SetDisabled(bool value);  // also enables/disables the box's controls
  bool GetFilterActive() const { return FilterActive.load(); }
  void SetFilterActive(bool value) { FilterActive.store(value); }
  int32_t GetFilterLow() const { return FilterLow.load(); }
  void SetFilterLow(int32_t value) { FilterLow.store(value); }
  int32_t GetFilterHigh() const { return FilterHigh.load(); }
  void SetFilterHigh(int32_t value) { FilterHigh.store(value); }

  // Entries every port key set begins with ("disabled") and ends with
  // ("filterActive", "filterBounds"); C is the port class of the set.
  template <class C>
  static void AddHeadKeys(TFLSetBuilder<C>& b) {
    b.Bool("disabled", &TQXPort::GetDisabled, &TQXPort::SetDisabled);
  }
  template <class C>
  static void AddTailKeys(TFLSetBuilder<C>& b) {
    b.Bool("filterActive", &TQXPort::GetFilterActive, &TQXPort::SetFilterActive);
    b.IntXY("filterBounds", &TQXPort::GetFilterLow, &TQXPort::SetFilterLow, &TQXPort::GetFilterHigh,
            &TQXPort::SetFilterHigh);
  }

  // Defines the set of port class C (its factory appends a new C to list,
  // the program's PortList when none is given) and adds the head entries.
  template <class C>
  static TFLSetBuilder<C> DefinePortSet(TFLSetList& sets, std::string_view name, TPortList* list);

  // Start-up: defines the key sets of the five port classes in the order
  // serial, UDP, URL, TCP server, TCP client; their factories append new
  // ports to list (the program's PortList when none is given).
  static void RegisterKeySets(TFLSetList& sets, TPortList* list = nullptr);

  // ---- receive side, for the port's receive threads ----
  // The list the port belongs to and its hub (none while not in a list).
  TPortList* List() const { return list_; }
  TTerminal* Hub() const;
  // One complete frame to the hub; logged on the terminal page when this is
  // the terminal port. Answers Used.
  bool DeliverFrame(std::string_view frame, bool evaluate);
  // Cuts bytes with the caller's collector (one per serial line or TCP
  // connection, kept across reads) and delivers each frame; every scanned
  // byte is copied to the terminal page when this is the terminal port.
  // Answers the number of bytes scanned.
  size_t DeliverBytes(TFrameCollector& collector, std::span<const uint8_t> bytes);
  // One packet (datagram, HTTP response) cut on its own, then a packet mark.
  size_t DeliverPacket(std::span<const uint8_t> packet);
  size_t DeliverPacket(std::string_view packet) {
    return DeliverPacket(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(packet.data()), packet.size()));
  }
  // Terminal marks: end of one read / batch, and end of a receive thread.
  void NotePacketEnd();
  void NoteReceiveEnd();
  // Terminal copy of raw bytes, one sink call per read (when the port
  // delivers without cutting).
  void NoteBytes(std::span<const uint8_t> bytes);

 private:
  friend class TPortList;
  TPortList* list_ = nullptr;
  const uint64_t serial_;
};

class TPortList {
 public:
  // Makes the box of a new port (the GUI: a box of the port's kind on the
  // interface page, told its port). None: ports get no box.
  using TBoxFactory = std::function<std::unique_ptr<TPortStatusBox>(TQXPort&)>;

  // Attaches itself to the hub (hub.SetPortList(this)).
  explicit TPortList(TTerminal& hub);
  // Ends a run of the hub, frees every port and detaches. A port list goes
  // before its hub (its ports' receive threads dispatch into the hub).
  ~TPortList();
  TPortList(const TPortList&) = delete;
  TPortList& operator=(const TPortList&) = delete;

  TTerminal& Hub() const { return hub_; }
  void SetBoxFactory(TBoxFactory factory) { boxFactory_ = std::move(factory); }
  // GUI hooks of FreeAll: before (hide the settings notebook, forget the
  // selected box) and after (re-stack the remaining boxes).
  std::function<void()> OnBeforeFreeAll;
  std::function<void()> OnAfterFreeAll;

  // ---- list (GUI thread) ----
  // Appends the port (creation order), gives it its box. Returns it.
  TQXPort& Add(std::unique_ptr<TQXPort> port);
  template <class P, class... A>
  P& Create(A&&... args) {
    return static_cast<P&>(Add(std::make_unique<P>(std::forward<A>(args)...)));
  }
  // Closes the port (joining its threads) and frees it. False if not listed
  // or while a connection test runs (it pumps messages mid-walk).
  bool Remove(TQXPort& port);
  // Frees every port from the last to the first; nothing while a test runs.
  void FreeAll();
  int32_t Count() const;
  TQXPort* At(int32_t index) const;  // 0-based; none outside the list
  int32_t IndexOf(const TQXPort& port) const;

  // ---- class operations ----
  // Opens every enabled port in list order; sets ConnLost for each that did
  // not open. PortsConnected: at least one opened, or none failed (also when
  // there is no enabled port). When false, every port is closed again.
  bool ConnectAll();
  void DisconnectAll();  // every port, enabled or not, open or not
  void StartAll();       // StartReceive of every enabled, open port
  // Closes every open port that reports itself lost and sets ConnLost;
  // answers whether one was lost.
  bool CheckLost();
  bool AnyConnected() const;
  // Transmit thread: Send on every open port that accepts the channel, in
  // list order; a terminal port also logs the frame as sent.
  void SendToPorts(int32_t channel, std::string_view frame);
  // Any thread: whether an open port accepts the channel now.
  bool HasPortFor(int32_t channel) const;
  // index: 1-based position in the list, or 0 for none.
  void SetTerminalPort(int32_t index);
  // While the hub runs, an enabled port that is not open keeps its light.
  void HideAllStatusLights();
  // Opens and closes every enabled port once to show its light; only while
  // the hub is not connected and no test runs.
  void TestConnection();

  bool PortsConnected() const { return portsConnected_; }
  bool PortTestRunning() const { return portTestRunning_; }

 private:
  void DisconnectPort(TQXPort& port);  // under UseLock

  TTerminal& hub_;
  TBoxFactory boxFactory_;
  // UseLock: held around each Send (transmit thread) and around closing or
  // freeing a port, so the two never overlap. Taken before listLock_.
  std::mutex useLock_;
  // Leaf lock of the vector itself; readers on other threads (HasPortFor)
  // take it, writers hold useLock_ too.
  mutable std::mutex listLock_;
  std::vector<std::unique_ptr<TQXPort>> ports_;
  bool portsConnected_ = false;
  bool portTestRunning_ = false;
};

// The program's single port list; set by start-up, none before.
extern TPortList* PortList;

template <class C>
TFLSetBuilder<C> TQXPort::DefinePortSet(TFLSetList& sets, std::string_view name, TPortList* list) {
  auto b = sets.Define<C>(name, [list]() -> TFLObject* {
    TPortList* l = list ? list : PortList;
    return l ? &C::CreateInstance(*l) : nullptr;
  });
  AddHeadKeys(b);
  return b;
}

}  // namespace qx
