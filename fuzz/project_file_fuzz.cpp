// Feeds arbitrary bytes to the project-file reader with fake ports, sheets
// and elements registered, then checks that what it saved reads back to the
// same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/support/FakeProject.h"
#include "foundation/uFileLoader.h"
#include "foundation/uNumText.h"

namespace {

// Two projects with their sets and loaders, built once. Each input ends by
// resetting them to a new project: what an input allocates it also frees, so
// libFuzzer never takes the kept state for a leak and re-runs the input.
struct Fixture {
  qx::fake::FakeProject first, second;
  qx::TFileLoad fl{first.Sets, &first};
  qx::TFileLoad fl2{second.Sets, &second};

  struct ResetAtEnd {
    Fixture& f;
    ~ResetAtEnd() {
      f.first.Reset();
      f.second.Reset();
    }
  };
};

Fixture& TheFixture() {
  static Fixture* f = new Fixture;  // never freed: outlives every input
  return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;  // keep each input's work bounded
  Fixture& fx = TheFixture();
  const Fixture::ResetAtEnd reset{fx};
  fx.fl.LoadProjectText(std::string(reinterpret_cast<const char*>(data), size));
  const std::string saved = fx.fl.ProjectText();

  fx.fl2.LoadProjectText(saved);
  const std::string again = fx.fl2.ProjectText();
  if (again != saved) {
    std::fprintf(stderr, "saved:\n%s\nread back and saved:\n%s\n", saved.c_str(), again.c_str());
    std::abort();
  }
  return 0;
}
