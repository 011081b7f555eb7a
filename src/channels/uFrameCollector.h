// Cutting received bytes into channel frames (module uFrameCollector).
//
// One rule for every port: a '#' always starts a new frame wherever it stands;
// bytes outside frames are ignored; a frame longer than 255 characters is
// thrown away; a '/' immediately before the '#' makes the frame silent
// (evaluate false). Control bytes: CR is stored, LF is stored unless the last
// stored character is CR, every other byte below 32 is dropped.
//
// Two variants:
//  - Stream: the state carries over from one Feed to the next (serial lines
//    and TCP connections, where the division into reads means nothing).
//    After an over-long frame the collector hunts for the next '#'.
//  - Packet: every Feed is one packet (a UDP datagram, an HTTP response):
//    it starts hunting afresh, an incomplete frame at its end is dropped, and
//    an over-long frame ends the scan of that packet.
// A half-collected frame is never completed artificially: Reset drops it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

namespace qx {

// Longest frame, '#' and ';' included.
inline constexpr int kMaxFrameLen = 255;

// Non-owning reference to a callable void(std::string_view frame, bool
// evaluate). The frame view is valid only during the call.
class TFrameSinkRef {
 public:
  template <class F,
            class = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<F>, TFrameSinkRef>>>
  TFrameSinkRef(F&& f)  // NOLINT: implicit on purpose; only used within one call
      : obj_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        call_([](void* o, std::string_view fr, bool ev) {
          (*static_cast<std::remove_reference_t<F>*>(o))(fr, ev);
        }) {}
  void operator()(std::string_view frame, bool evaluate) const { call_(obj_, frame, evaluate); }

 private:
  void* obj_;
  void (*call_)(void*, std::string_view, bool);
};

enum class TCollectMode { Stream, Packet };

class TFrameCollector {
 public:
  explicit TFrameCollector(TCollectMode mode = TCollectMode::Stream) : mode_(mode) {}

  // Scans bytes and calls sink once per complete frame, in order. Answers the
  // number of bytes scanned: all of them, except in packet mode after an
  // over-long frame, where the scan stops behind the byte that ended it.
  size_t Feed(std::span<const uint8_t> bytes, TFrameSinkRef sink);
  size_t Feed(std::string_view bytes, TFrameSinkRef sink) {
    return Feed(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
        sink);
  }

  // Drops a half-collected frame and hunts again, as at the start (the
  // previous byte counts as a blank). Used after a read error.
  void Reset();

  TCollectMode Mode() const { return mode_; }
  bool Collecting() const { return collecting_; }
  // Stored length of the frame being collected (0 while hunting).
  int PendingLength() const { return collecting_ ? len_ : 0; }

  // The control-byte rule for a byte below 32: true when it is not stored.
  static bool DropControlChar(uint8_t ch, char lastStored) {
    if (ch == 13) return false;
    if (ch == 10) return lastStored == '\r';
    return true;
  }

 private:
  TCollectMode mode_;
  bool collecting_ = false;
  bool evaluate_ = true;
  uint8_t prev_ = ' ';
  int len_ = 0;
  char frame_[kMaxFrameLen];
};

}  // namespace qx
