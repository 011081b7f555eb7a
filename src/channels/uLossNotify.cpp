#include "channels/uLossNotify.h"

namespace qx {

TLossNotify* LossNotify = nullptr;

void TLossNotify::ShowFlags() {
  // exchange: a flag set between the test and the clear is not dropped.
  const auto light = [this](std::atomic<bool>& flag, TLossKind kind) {
    if (flag.exchange(false, std::memory_order_relaxed) && labels_) {
      labels_->SetLabelEnabled(kind, true);
    }
  };
  light(SendLoss, TLossKind::SendLoss);
  light(RecvLoss, TLossKind::RecvLoss);
  light(ConnLost, TLossKind::ConnLost);
}

void TLossNotify::Reset() {
  SendLoss.store(false, std::memory_order_relaxed);
  RecvLoss.store(false, std::memory_order_relaxed);
  ConnLost.store(false, std::memory_order_relaxed);
  if (labels_) {
    labels_->SetLabelEnabled(TLossKind::SendLoss, false);
    labels_->SetLabelEnabled(TLossKind::RecvLoss, false);
    labels_->SetLabelEnabled(TLossKind::ConnLost, false);
  }
}

}  // namespace qx
