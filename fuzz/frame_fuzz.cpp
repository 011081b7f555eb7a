// Arbitrary bytes through both frame collectors into the hub's dispatch, and
// straight into ReceiveFrame. Checks the collector's output shape.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "channels/support/HubFakes.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;  // keeps every input's work bounded
  using namespace qx;
  fakes::HubRig rig;
  fakes::FakeElement readers[] = {fakes::FakeElement(1), fakes::FakeElement(7),
                                  fakes::FakeElement(150, RoleTextIn)};
  readers[1].ThrowOnCalculate = true;
  for (auto& e : readers) rig.hub.AddReader(e.Channel, &e);
  rig.cons.accept = size % 2 == 0;
  auto& port = rig.AddPort();
  port.FilterActive = true;
  port.FilterLow = 100;
  port.FilterHigh = 200;
  rig.ports.SetTerminalPort(1);

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
