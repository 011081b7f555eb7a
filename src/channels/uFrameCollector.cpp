#include "channels/uFrameCollector.h"

#include <cstring>

namespace qx {

void TFrameCollector::Reset() {
  collecting_ = false;
  evaluate_ = true;
  prev_ = ' ';
  len_ = 0;
}

size_t TFrameCollector::Feed(std::span<const uint8_t> bytes, TFrameSinkRef sink) {
  const bool packet = mode_ == TCollectMode::Packet;
  if (packet) Reset();
  const uint8_t* p = bytes.data();
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    if (!collecting_) {
      // Hunting: only a '#' matters.
      const void* hit = std::memchr(p + i, '#', n - i);
      if (!hit) {
        prev_ = p[n - 1];
        i = n;
        break;
      }
      const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - p);
      const uint8_t before = at > i ? p[at - 1] : prev_;
      evaluate_ = before != '/';
      frame_[0] = '#';
      len_ = 1;
      collecting_ = true;
      prev_ = '#';
      i = at + 1;
      continue;
    }
    const uint8_t c = p[i];
    if (len_ == kMaxFrameLen) {
      // Over-long: drop it. A stream hunts again from this very byte, so a
      // '#' here still opens the next frame; a packet ends its scan.
      collecting_ = false;
      len_ = 0;
      if (packet) {
        ++i;
        Reset();
        return i;
      }
      continue;
    }
    if (c == '#') {
      evaluate_ = prev_ != '/';
      len_ = 1;
    } else if (c < 32 && DropControlChar(c, frame_[len_ - 1])) {
      // not stored, not counted
    } else {
      frame_[len_++] = static_cast<char>(c);
      if (c == ';') {
        collecting_ = false;
        const int len = len_;
        len_ = 0;
        prev_ = c;
        ++i;
        sink(std::string_view(frame_, static_cast<size_t>(len)), evaluate_);
        continue;
      }
    }
    prev_ = c;
    ++i;
  }
  if (packet) Reset();
  return i;
}

}  // namespace qx
