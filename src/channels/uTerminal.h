// The channel hub (module uTerminal).
//
// TTerminal keeps the last number and text of the 1000 channels, knows which
// elements read and write each channel, dispatches received frames to the
// formula hooks, queues outgoing frames for the transmit thread and runs the
// connect/disconnect sequence and the two run ticks.
//
// Locks: ReceiveLock is the outermost lock of the program; SendLock nests
// inside it and never the other way round. Nothing inside ReceiveLock waits
// for the GUI thread.
//
// Everything the hub drives outside the core (formula evaluation, the
// terminal and console pages, the main window's status controls, the element
// class routines) is reached through the interfaces below; start-up fills
// them in, tests use fakes. Each Set... call happens while no run is active.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "channels/uChannels.h"
#include "channels/uElementCore.h"
#include "channels/uLossNotify.h"
#include "foundation/uBuffer.h"

namespace qx {

class TQXPort;
class TPortList;
class TTerminal;

// Formula evaluation (the formula module). Called under the receive lock.
class TFormulaHooks {
 public:
  virtual ~TFormulaHooks() = default;
  // Evaluate the element's compiled formula and SetValue the result.
  virtual void Calculate(TElementCore& element) = 0;
  // Hand the element the text of its channel (SetStrValue) when it takes texts.
  virtual void CalculateString(TElementCore& element) = 0;
};

// The terminal page controller. The Add... calls come from port receive
// threads and the transmit thread; the rest from the GUI thread.
class TTermSink {
 public:
  virtual ~TTermSink() = default;
  // The raw bytes of one read, in one call (one buffer lock per read).
  virtual void AddBytes(std::span<const uint8_t> /*bytes*/) {}
  virtual void AddPacketMark() {}
  virtual void AddCloseMark() {}
  virtual void AddRecvCommand(std::string_view /*quotedFrame*/, bool /*used*/) {}
  virtual void AddSendCommand(std::string_view /*quotedFrame*/) {}
  // The terminal is switched on (its "Terminal aktiv" box): the poll tick
  // flushes it.
  virtual bool PageActive() const { return false; }
  virtual void Flush() {}
  virtual void ShowStatus() {}
};

// The console page controller. Receive runs on receive threads (inside the
// receive lock); the rest on the GUI thread.
class TConsSink {
 public:
  virtual ~TConsSink() = default;
  // Channel-0 text ("S..." or "F..."); true when taken (page active or
  // recording).
  virtual bool Receive(std::string_view /*text*/) { return false; }
  virtual bool ActiveOrRecording() const { return false; }
  virtual void Flush() {}
  virtual void Connected() {}
  virtual void Disconnected() {}
};

// Connection states shown by ShowState.
enum : int32_t { StateDisconnected = 0, StateConnecting = 1, StateConnected = 2 };
// ConnectStatus3 brush colours ($00BBGGRR) of the three states.
inline constexpr std::array<uint32_t, 3> kConnectStateColors = {0xC0C0C0, 0x00FFFF, 0x00FF00};
inline constexpr uint32_t kAliveBlack = 0x000000;
inline constexpr uint32_t kAliveWhite = 0xFFFFFF;
inline constexpr int32_t kInterfacePageIndex = 4;

// What the run control drives on the main window. GUI thread only.
class TRunView {
 public:
  virtual ~TRunView() = default;
  // ConnectStatus3 colour, StatusLabel caption ("Getrennt", "Verbinden...",
  // "Verbunden") and the Alive panel (shown only when connected).
  virtual void ShowState(int32_t /*state*/) {}
  virtual void SetAliveColor(uint32_t /*color*/) {}
  virtual void SetEditTabEnabled(bool /*enabled*/) {}
  virtual void SelectPage(int32_t /*index*/) {}
  // After a connect in which no port opened (the Interface page is shown).
  virtual void ShowConnectFailed() {}
  // Let the GUI process its pending messages (may re-enter Connect/Disconnect).
  virtual void ProcessMessages() {}
  // The 400 ms display timer and the 100 ms poll timer.
  virtual void SetRunTimersEnabled(bool /*enabled*/) {}
};

// One channel. Value lives in the hub's contiguous atomic array.
class TKanal {
 public:
  explicit TKanal(std::atomic<double>& value) : Value(value) {}
  std::atomic<double>& Value;          // last number; read lock-free
  std::string StrValue;                // last text; under the receive lock
  std::vector<TElementCore*> Readers;  // changed only while not connected
  std::vector<TElementCore*> Writers;
};

// The transmit thread of one run: every 10 ms it swaps the send queue and
// hands each queued frame to the ports, in queue order.
class TTransmitThread {
 public:
  explicit TTransmitThread(TTerminal& hub);  // created, not yet running
  ~TTransmitThread();                        // Stop
  TTransmitThread(const TTransmitThread&) = delete;
  TTransmitThread& operator=(const TTransmitThread&) = delete;
  void Start();
  // Asks the loop to end and joins it. Frames still queued are not sent.
  void Stop();
  bool Running() const { return thread_.joinable(); }

 private:
  void Execute();
  TTerminal& hub_;
  std::thread thread_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  bool stop_ = false;  // under wakeLock_
};

class TTerminal {
 public:
  explicit TTerminal(TLossNotify& loss);
  ~TTerminal();  // ends a run (joins the transmit thread)
  TTerminal(const TTerminal&) = delete;
  TTerminal& operator=(const TTerminal&) = delete;

  // ---- channels ----
  TKanal& Kanal(int32_t channel) { return kanal_[static_cast<size_t>(channel)]; }
  const TKanal& Kanal(int32_t channel) const { return kanal_[static_cast<size_t>(channel)]; }
  // The 1000 channel numbers, contiguous; readable without any lock.
  const std::atomic<double>* Values() const { return values_.data(); }
  double ChannelValue(int32_t channel) const {
    return values_[static_cast<size_t>(channel)].load(std::memory_order_relaxed);
  }

  // Parses and dispatches one frame ("#" .. ";"); port is none for the main
  // window's receive test; evaluate is false for a silent frame. Answers Used:
  // a reader was evaluated or the console took a channel-0 text. Any thread.
  bool ReceiveFrame(std::string_view frame, TQXPort* port, bool evaluate);
  // Calculate(element) under the receive lock (chart sampling, clock).
  void CalculateLocked(TElementCore& element);

  // Channel arguments lie in 0..999 (the compiler makes no others). Readers
  // run in registration order, those marked ReadsLast after all others.
  void AddReader(int32_t channel, TElementCore* element);
  // AddReader for an element known not to read the channel yet (a compile
  // pass after ClearReaders): no search of the channel's readers.
  void AddNewReader(int32_t channel, TElementCore* element);
  void AddWriter(int32_t channel, TElementCore* element);
  // Takes the elements out of every reader and writer list in one pass.
  void RemoveElements(std::span<const TElementCore* const> elements);
  void ClearReaders();
  void ClearWriters();
  // Takes a vanishing element out of every reader and writer list, under the
  // receive lock, so no frame dispatched afterwards reaches it. GUI thread.
  void RemoveElement(const TElementCore* element);
  void ClearChannels();  // numbers 0 and readers emptied
  void ResetValues();    // numbers 0; texts kept

  // ---- send side and run control ----
  std::atomic<bool> Connected{false};
  TStringIntExtendBuffer SendQueue;
  bool AliveBlink = false;
  std::mutex ReceiveLock;
  std::mutex SendLock;

  // Any thread. Queues (frame, channel) while connected; answers whether an
  // open port accepts the channel now (not whether the queue had room).
  bool SendFrame(int32_t channel, std::string_view frame);
  // GUI thread. Connect does nothing while connected or while a Connect is
  // still in progress (it may pump messages); a Disconnect that arrives while
  // Connect pumps makes that Connect end without a run.
  void Connect();
  void Disconnect();
  void DisplayTimerTick();
  void PollTimerTick();
  void ToggleAlive();
  void ShowState(int32_t state);
  bool Connecting() const { return connecting_.load(std::memory_order_relaxed); }
  // The transmit thread of the current run, if any (GUI thread).
  const TTransmitThread* TransmitThread() const { return transmit_.get(); }

  // Transmit thread: swap the send queue and hand every frame to the ports.
  void TransmitQueued();

  // ---- wiring ----
  void SetPortList(TPortList* ports) { ports_.store(ports, std::memory_order_release); }
  TPortList* Ports() const { return ports_.load(std::memory_order_acquire); }
  void SetFormulaHooks(TFormulaHooks* hooks) { formula_ = hooks; }
  void SetElementRoutines(TElementRoutines routines) { routines_ = std::move(routines); }
  void SetTermSink(TTermSink* sink) { term_ = sink ? sink : &noTerm_; }
  void SetConsSink(TConsSink* sink) { cons_ = sink ? sink : &noCons_; }
  void SetRunView(TRunView* view) { view_ = view ? view : &noView_; }
  TTermSink& Term() const { return *term_; }
  TConsSink& Cons() const { return *cons_; }
  TRunView& View() const { return *view_; }
  TLossNotify& Loss() const { return loss_; }

 private:
  void StartRun();
  void StopRun();
  bool DispatchNumber(TKanal& k, std::string_view text, bool evaluate);
  bool DispatchText(TKanal& k, std::string_view text, bool evaluate);
  // Takes the elements gone(e) holds for out of every reader and writer list.
  template <class Gone>
  void EraseUsers(const Gone& gone);

  TLossNotify& loss_;
  std::array<std::atomic<double>, kChannelCount> values_;
  std::vector<TKanal> kanal_;
  std::atomic<TPortList*> ports_{nullptr};
  TFormulaHooks* formula_ = nullptr;
  TElementRoutines routines_;
  TTermSink noTerm_;
  TConsSink noCons_;
  TRunView noView_;
  TTermSink* term_ = &noTerm_;
  TConsSink* cons_ = &noCons_;
  TRunView* view_ = &noView_;
  std::unique_ptr<TTransmitThread> transmit_;
  std::atomic<bool> connecting_{false};
  bool cancelConnect_ = false;  // GUI thread only
};

// The program's single hub; set by start-up, none before.
extern TTerminal* Terminal;

}  // namespace qx
