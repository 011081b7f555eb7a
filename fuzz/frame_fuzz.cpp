// Arbitrary bytes through both frame collectors into the hub's dispatch, and
// straight into ReceiveFrame. Checks the collector's output shape.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "channels/support/HubFakes.h"

// Only clang instruments for coverage (the replay build uses GCC).
#if defined(__clang__)
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define NO_COVERAGE
#endif

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckFrame(std::string_view f) {
  Check(f.size() >= 2 && f.size() <= qx::kMaxFrameLen);
  Check(f.front() == '#' && f.back() == ';');
  Check(f.find('#', 1) == std::string_view::npos);
  Check(f.find(';') == f.size() - 1);
  for (size_t i = 0; i < f.size(); ++i) {
    const auto c = static_cast<unsigned char>(f[i]);
    Check(c >= 32 || c == '\r' || (c == '\n' && f[i - 1] != '\r'));
  }
}

// The terminal copy of every byte, counted: the recording sink's lock and
// growing text would cost more than the parsing under test.
struct CountingTerm : qx::TTermSink {
  void AddBytes(std::span<const uint8_t> bytes) override { chars += bytes.size(); }
  void AddRecvCommand(std::string_view, bool) override { ++frames; }
  size_t chars = 0, frames = 0;
};

// The hub, its readers and the port are built once; each input starts from
// the same state (cleared values, texts and sinks).
struct Fixture {
  qx::fakes::HubRig rig;
  CountingTerm term;
  qx::fakes::FakeElement readers[3]{qx::fakes::FakeElement(1), qx::fakes::FakeElement(7),
                                    qx::fakes::FakeElement(150, qx::RoleTextIn)};
  qx::fakes::FakePort& port = rig.AddPort();

  Fixture() {
    readers[1].ThrowOnCalculate = true;
    for (auto& e : readers) rig.hub.AddReader(e.Channel, &e);
    port.FilterActive = true;
    port.FilterLow = 100;
    port.FilterHigh = 200;
    rig.ports.SetTerminalPort(1);
    rig.hub.SetTermSink(&term);
  }

  // Not instrumented: the walk over every channel would otherwise cost more
  // than the input itself, and it never finds anything new.
  NO_COVERAGE void Reset(bool consoleAccepts) {
    qx::TKanal* k = &rig.hub.Kanal(0);  // the channels lie in one array
    for (int32_t ch = 0; ch < qx::kChannelCount; ++ch) {
      k[ch].Value.store(0.0, std::memory_order_relaxed);
      if (!k[ch].StrValue.empty()) k[ch].StrValue.clear();
    }
    term = CountingTerm();
    rig.cons.texts.clear();
    rig.formula.order.clear();
    rig.cons.accept = consoleAccepts;
  }
};

Fixture& TheFixture() {
  static Fixture* f = new Fixture;  // never freed: outlives every input
  return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;  // keeps every input's work bounded
  using namespace qx;
  Fixture& fx = TheFixture();
  fx.Reset(size % 2 == 0);
  auto& rig = fx.rig;
  auto& port = fx.port;

  const std::span<const uint8_t> bytes(data, size);
  const size_t chunk = size ? 1 + data[0] % 17 : 1;

  // Stream variant, in chunks; every frame goes to the hub.
  TFrameCollector stream(TCollectMode::Stream);
  for (size_t at = 0; at < size; at += chunk) {
    const auto piece = bytes.subspan(at, std::min(chunk, size - at));
    const size_t n = stream.Feed(piece, [&](std::string_view f, bool ev) {
      CheckFrame(f);
      rig.hub.ReceiveFrame(f, &port, ev);
    });
    Check(n == piece.size());
  }
  stream.Reset();

  // Packet variant through the port (terminal copy included).
  Check(port.DeliverPacket(bytes) <= size);

  // The parser alone on the raw text, with and without a port.
  const std::string_view text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 300));
  rig.hub.ReceiveFrame(text, nullptr, true);
  rig.hub.ReceiveFrame(text, &port, size % 3 == 0);
  return 0;
}
