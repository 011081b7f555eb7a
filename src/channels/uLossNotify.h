// Loss indicators (module uLossNotify).
//
// Three flags that any thread may set at any moment (buffer overflows, ports
// that fail to open or are lost). Only the GUI thread turns them into visible
// state: ShowFlags on the hub's display tick lights the label of each flag set
// since the last tick; Reset clears the flags and greys the labels. The labels
// belong to the main window and are reached through TLossLabels.
#pragma once

#include <atomic>

namespace qx {

enum class TLossKind { SendLoss = 0, RecvLoss = 1, ConnLost = 2 };

// The main window's three labels "Paketverlust (Senden)", "Paketverlust
// (Empfang)" and "Verbindungsabbruch" (LabelNotifySendLoss,
// LabelNotifyRecvLoss, LabelNotifyConnLost). Created disabled; an enabled
// label is a lit indicator. Called on the GUI thread only.
class TLossLabels {
 public:
  virtual ~TLossLabels() = default;
  virtual void SetLabelEnabled(TLossKind kind, bool enabled) = 0;
};

class TLossNotify {
 public:
  TLossNotify() = default;
  TLossNotify(const TLossNotify&) = delete;
  TLossNotify& operator=(const TLossNotify&) = delete;

  std::atomic<bool> SendLoss{false};
  std::atomic<bool> RecvLoss{false};
  std::atomic<bool> ConnLost{false};

  // Any thread; safe as a buffer's overflow event (only sets a flag).
  void SendLossEvent() { SendLoss.store(true, std::memory_order_relaxed); }
  void RecvLossEvent() { RecvLoss.store(true, std::memory_order_relaxed); }
  void ConnLostEvent() { ConnLost.store(true, std::memory_order_relaxed); }

  // GUI thread: for each flag set, in the order SendLoss, RecvLoss, ConnLost,
  // clear it and enable its label. The label stays lit until Reset.
  void ShowFlags();
  // GUI thread: clear the three flags and disable (grey) the three labels.
  void Reset();

  // The labels; none (the default) while no main window exists. Set on the
  // GUI thread before a run starts.
  void SetLabels(TLossLabels* labels) { labels_ = labels; }
  TLossLabels* Labels() const { return labels_; }

 private:
  TLossLabels* labels_ = nullptr;
};

// The program's single instance; set by start-up, none before.
extern TLossNotify* LossNotify;

}  // namespace qx
