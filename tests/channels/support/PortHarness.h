// A hub, a port list and a terminal sink that records what the ports
// deliver: the frames a port hands to the hub, in order, as the terminal page
// would show them.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "channels/uLossNotify.h"
#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"
#include "channels/uTerminal.h"

namespace qx::test {

class TRecordingTerm : public TTermSink {
 public:
  void AddBytes(std::span<const uint8_t> bytes) override;
  void AddPacketMark() override;
  void AddCloseMark() override;
  void AddRecvCommand(std::string_view quotedFrame, bool used) override;
  void AddSendCommand(std::string_view quotedFrame) override;

  std::vector<std::string> Received() const;  // frames without the quotes
  std::vector<std::string> Sent() const;
  size_t ReceivedCount() const;
  size_t CloseMarks() const;
  size_t Bytes() const;
  void Clear();

 private:
  mutable std::mutex lock_;
  std::vector<std::string> received_, sent_;
  size_t closeMarks_ = 0, bytes_ = 0, packets_ = 0;
};

// A status box that remembers its light (0 while hidden).
class TRecordingBox : public TPortStatusBox {
 public:
  void ShowStatusLight(uint32_t color) override { light_.store(color); }
  void HideStatusLight() override { light_.store(0); }
  uint32_t Light() const { return light_.load(); }

 private:
  std::atomic<uint32_t> light_{0};
};

// The three loss labels; lit = enabled.
class TRecordingLabels : public TLossLabels {
 public:
  void SetLabelEnabled(TLossKind kind, bool enabled) override {
    lit_[static_cast<int>(kind)].store(enabled);
  }
  bool Lit(TLossKind kind) const { return lit_[static_cast<int>(kind)].load(); }

 private:
  std::atomic<bool> lit_[3] = {false, false, false};
};

// Polls pred until it holds or the (generous) deadline passes.
bool WaitUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds deadline = std::chrono::seconds(30));

// Reads from a client socket until text holds want or the deadline passes.
bool ReadUntil(TTcpSocket& s, std::string& text, const std::string& want);

struct THarness {
  THarness() {
    hub.SetTermSink(&term);
    loss.SetLabels(&labels);
    ports.SetBoxFactory([](TQXPort&) { return std::make_unique<TRecordingBox>(); });
  }
  static uint32_t Light(const TQXPort& port) {
    return static_cast<const TRecordingBox&>(*port.PortBox).Light();
  }
  // Marks port as the terminal port so its traffic is recorded.
  void Record(TQXPort& port) { port.IsTerminalPort.store(true); }
  // A loss flag still set, or already shown on its label.
  bool LossSeen(TLossKind kind) const {
    const std::atomic<bool>& flag = kind == TLossKind::SendLoss   ? loss.SendLoss
                                    : kind == TLossKind::RecvLoss ? loss.RecvLoss
                                                                  : loss.ConnLost;
    return flag.load() || labels.Lit(kind);
  }
  // Runs the hub's poll tick until pred holds (a lost port is noticed there).
  bool PollUntil(const std::function<bool()>& pred);

  TRecordingLabels labels;
  TLossNotify loss;
  TTerminal hub{loss};
  TRecordingTerm term;
  TPortList ports{hub};  // last: freed first, while hub and term still live
};

// A bare hub and port list (no sinks), the key set of port class P defined
// and one new P: for checks of defaults and of the stored entries.
template <class P>
struct TKeySetRig {
  TLossNotify loss;
  TTerminal hub{loss};
  TPortList ports{hub};
  TFLSetList sets;
  TFLSet& set = P::DefineKeySet(sets, &ports);
  P& port = P::CreateInstance(ports);

  // The port's entries as the project file stores them.
  std::string SavedText() {
    TTextWriter out;
    port.KeySet->SaveSet(out, port);
    return out.Text();
  }
};

}  // namespace qx::test
