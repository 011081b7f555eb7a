// Fakes shared by the channel tests, benchmarks and fuzz targets: formula
// hooks, elements, page sinks, the main window's run view and ports.
// Header-only so that bench/ and fuzz/ can use them without the test library.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "channels/uElementCore.h"
#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"

namespace qx::fakes {

// "#<ch><type><value>;" (built by appending: GCC 12 warns falsely on chains of +).
inline std::string MakeFrame(int ch, char type, std::string_view value) {
  std::string f = "#";
  f += std::to_string(ch);
  f += type;
  f.append(value);
  f += ';';
  return f;
}

// An element that reads one channel; the fake formula gives it that channel's
// number times Factor, or the channel's text.
class FakeElement : public TElementCore {
 public:
  explicit FakeElement(int32_t channel = 1, int32_t role = RoleNumberIn) : Channel(channel) {
    ChannelRole = role;
    SourceValid = true;
  }
  int32_t Channel;
  double Factor = 1.0;
  bool ThrowOnCalculate = false;
  std::function<void()> OnCalculate;  // runs inside the receive lock
  std::atomic<int> Calculations{0};
  std::atomic<int> StringCalculations{0};
};

// Stands in for the formula module: Calculate sets Channel value * Factor.
class FakeFormula : public TFormulaHooks {
 public:
  explicit FakeFormula(TTerminal& hub) : hub_(hub) {}
  void Calculate(TElementCore& element) override {
    auto& e = static_cast<FakeElement&>(element);
    e.Calculations.fetch_add(1, std::memory_order_relaxed);
    if (e.ThrowOnCalculate) throw std::runtime_error("evaluation failed");
    e.SetValue(hub_.ChannelValue(e.Channel) * e.Factor);
    order.push_back(e.Serial());  // under the receive lock
    if (e.OnCalculate) e.OnCalculate();
  }
  void CalculateString(TElementCore& element) override {
    auto& e = static_cast<FakeElement&>(element);
    e.StringCalculations.fetch_add(1, std::memory_order_relaxed);
    if (e.ThrowOnCalculate) throw std::runtime_error("evaluation failed");
    e.SetStrValue(hub_.Kanal(e.Channel).StrValue);
    order.push_back(e.Serial());
  }
  std::vector<uint64_t> order;  // serials in evaluation order

 private:
  TTerminal& hub_;
};

// Cheapest possible evaluation, for the benchmarks.
class NullFormula : public TFormulaHooks {
 public:
  void Calculate(TElementCore&) override { count.fetch_add(1, std::memory_order_relaxed); }
  void CalculateString(TElementCore&) override { count.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<uint64_t> count{0};
};

class FakeTermSink : public TTermSink {
 public:
  void AddBytes(std::span<const uint8_t> bytes) override {
    std::lock_guard l(m);
    chars.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ++byteCalls;
  }
  void AddPacketMark() override {
    std::lock_guard l(m);
    chars += "<P>";
  }
  void AddCloseMark() override {
    std::lock_guard l(m);
    chars += "<C>";
  }
  void AddRecvCommand(std::string_view text, bool used) override {
    std::lock_guard l(m);
    recv.emplace_back(std::string(text) + (used ? "+" : "-"));
  }
  void AddSendCommand(std::string_view text) override {
    std::lock_guard l(m);
    sent.emplace_back(text);
  }
  bool PageActive() const override { return active; }
  void Flush() override { ++flushes; }
  void ShowStatus() override { ++statusShown; }

  std::mutex m;
  std::string chars;
  std::vector<std::string> recv, sent;
  bool active = false;
  int flushes = 0, statusShown = 0, byteCalls = 0;
};

class FakeConsSink : public TConsSink {
 public:
  bool Receive(std::string_view text) override {
    texts.emplace_back(text);  // under the receive lock
    return accept;
  }
  bool ActiveOrRecording() const override { return accept; }
  void Flush() override { ++flushes; }
  void Connected() override { ++connected; }
  void Disconnected() override { ++disconnected; }

  std::atomic<bool> accept{false};
  std::vector<std::string> texts;
  int flushes = 0, connected = 0, disconnected = 0;
};

class FakeRunView : public TRunView {
 public:
  void ShowState(int32_t state) override { states.push_back(state); }
  void SetAliveColor(uint32_t color) override { alive.push_back(color); }
  void SetEditTabEnabled(bool enabled) override { editTab = enabled; }
  void SelectPage(int32_t index) override { page = index; }
  void ProcessMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
  void SetRunTimersEnabled(bool enabled) override { timers = enabled; }

  std::vector<int32_t> states;
  std::vector<uint32_t> alive;
  bool editTab = true;
  int32_t page = -1;
  int pumps = 0;
  bool timers = false;
  std::function<void()> onPump;
};

class FakeLossLabels : public TLossLabels {
 public:
  void SetLabelEnabled(TLossKind kind, bool enabled) override {
    lit[static_cast<int>(kind)] = enabled;
  }
  bool lit[3] = {false, false, false};
};

class FakeBox : public TPortStatusBox {
 public:
  void ShowStatusLight(uint32_t c) override {
    color = c;
    visible = true;
  }
  void HideStatusLight() override { visible = false; }
  void SetControlsEnabled(bool e) override { enabled = e; }
  uint32_t color = 0;
  bool visible = false;
  bool enabled = true;
};

// A port with a real receive thread that delivers a scripted byte stream
// through the stream collector, and a Send that records frames. It checks
// that Send never overlaps Disconnect and never runs on a closed port.
class FakePort : public TQXPort {
 public:
  FakePort() = default;
  ~FakePort() override { FakePort::Disconnect(); }

  void Connect() override {
    connects.fetch_add(1);
    if (opens) {
      closed.store(false);
      {
        std::lock_guard l(m_);
        startLatch_ = false;
      }
      receiver_ = std::thread([this] { Receive(); });
      Connected.store(true);
    }
    TQXPort::Connect();
  }
  void Disconnect() override {
    inDisconnect.store(true);
    disconnects.fetch_add(1);
    {
      std::lock_guard l(m_);
      stop_ = true;
    }
    cv_.notify_all();
    if (receiver_.joinable()) receiver_.join();
    {
      std::lock_guard l(m_);
      stop_ = false;
    }
    closed.store(true);
    Connected.store(false);
    lost.store(false);
    inDisconnect.store(false);
  }
  void StartReceive() override {
    starts.fetch_add(1);
    {
      std::lock_guard l(m_);
      startLatch_ = true;
    }
    cv_.notify_all();
  }
  bool IsLost() override { return lost.load(); }
  void Send(std::string_view frame) override {
    if (inDisconnect.load() || closed.load()) violations.fetch_add(1);
    std::lock_guard l(sentLock);
    sent.emplace_back(frame);
  }
  std::string GetInfo() const override { return "fake"; }

  std::vector<std::string> Sent() {
    std::lock_guard l(sentLock);
    return sent;
  }

  bool opens = true;
  std::string script;  // bytes the receive thread delivers once started
  size_t chunk = 3;    // bytes per read
  std::atomic<bool> lost{false};
  std::atomic<bool> closed{true};
  std::atomic<bool> inDisconnect{false};
  std::atomic<int> connects{0}, disconnects{0}, starts{0}, violations{0};
  std::atomic<bool> scriptDone{false};
  std::mutex sentLock;
  std::vector<std::string> sent;

 private:
  void Receive() {
    std::unique_lock l(m_);
    cv_.wait(l, [this] { return startLatch_ || stop_; });
    if (stop_) return;
    l.unlock();
    TFrameCollector collector(TCollectMode::Stream);
    for (size_t at = 0; at < script.size(); at += chunk) {
      const std::string_view piece = std::string_view(script).substr(at, chunk);
      DeliverBytes(collector,
                   std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()));
    }
    scriptDone.store(true);
    NoteReceiveEnd();
  }

  std::thread receiver_;
  std::mutex m_;
  std::condition_variable cv_;
  bool stop_ = false;
  bool startLatch_ = false;
};

// A hub with its sinks and a port list, wired like start-up does it.
struct HubRig {
  TLossNotify loss;
  FakeLossLabels labels;
  TTerminal hub{loss};
  FakeFormula formula{hub};
  FakeTermSink term;
  FakeConsSink cons;
  FakeRunView view;
  TPortList ports{hub};
  int updateDisplayAll = 0, clearCompile = 0, streamStart = 0, streamStop = 0, streamPrepare = 0;

  HubRig() {
    loss.SetLabels(&labels);
    hub.SetFormulaHooks(&formula);
    hub.SetTermSink(&term);
    hub.SetConsSink(&cons);
    hub.SetRunView(&view);
    hub.SetElementRoutines({[this] { ++updateDisplayAll; }, [this] { ++clearCompile; },
                            [this] { ++streamStart; }, [this] { ++streamStop; },
                            [this] { ++streamPrepare; }});
    ports.SetBoxFactory([](TQXPort&) { return std::make_unique<FakeBox>(); });
  }
  FakePort& AddPort() { return ports.Create<FakePort>(); }
  static FakeBox& Box(TQXPort& p) { return static_cast<FakeBox&>(*p.PortBox); }
};

}  // namespace qx::fakes
