#include "channels/support/PortHarness.h"

#include <thread>

namespace qx::test {

void TRecordingTerm::AddBytes(std::span<const uint8_t> bytes) {
  std::lock_guard g(lock_);
  bytes_ += bytes.size();
}

void TRecordingTerm::AddPacketMark() {
  std::lock_guard g(lock_);
  ++packets_;
}

void TRecordingTerm::AddCloseMark() {
  std::lock_guard g(lock_);
  ++closeMarks_;
}

namespace {
std::string Unquote(std::string_view q) {
  if (q.size() >= 2 && q.front() == '\'' && q.back() == '\'') q = q.substr(1, q.size() - 2);
  return std::string(q);
}
}  // namespace

void TRecordingTerm::AddRecvCommand(std::string_view quotedFrame, bool) {
  std::lock_guard g(lock_);
  received_.push_back(Unquote(quotedFrame));
}

void TRecordingTerm::AddSendCommand(std::string_view quotedFrame) {
  std::lock_guard g(lock_);
  sent_.push_back(Unquote(quotedFrame));
}

std::vector<std::string> TRecordingTerm::Received() const {
  std::lock_guard g(lock_);
  return received_;
}

std::vector<std::string> TRecordingTerm::Sent() const {
  std::lock_guard g(lock_);
  return sent_;
}

size_t TRecordingTerm::ReceivedCount() const {
  std::lock_guard g(lock_);
  return received_.size();
}

size_t TRecordingTerm::CloseMarks() const {
  std::lock_guard g(lock_);
  return closeMarks_;
}

size_t TRecordingTerm::Bytes() const {
  std::lock_guard g(lock_);
  return bytes_;
}

void TRecordingTerm::Clear() {
  std::lock_guard g(lock_);
  received_.clear();
  sent_.clear();
  closeMarks_ = bytes_ = packets_ = 0;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool ReadUntil(TTcpSocket& s, std::string& text, const std::string& want) {
  return WaitUntil([&] {
    char buf[4096];
    size_t got = 0;
    if (s.Receive(buf, sizeof buf, got, 50, nullptr) == TIoStatus::Ok) text.append(buf, got);
    return text.find(want) != std::string::npos;
  });
}

bool THarness::PollUntil(const std::function<bool()>& pred) {
  return WaitUntil([&] {
    hub.PollTimerTick();
    return pred();
  });
}

}  // namespace qx::test
