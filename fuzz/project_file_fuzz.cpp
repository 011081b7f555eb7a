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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;  // keep each input's work bounded
  const std::string input(reinterpret_cast<const char*>(data), size);
  qx::fake::FakeProject first;
  qx::TFileLoad fl(first.Sets, &first);
  fl.LoadProjectText(input);
  const std::string saved = fl.ProjectText();

  qx::fake::FakeProject second;
  qx::TFileLoad fl2(second.Sets, &second);
  fl2.LoadProjectText(saved);
  const std::string again = fl2.ProjectText();
  if (again != saved) {
    std::fprintf(stderr, "saved:\n%s\nread back and saved:\n%s\n", saved.c_str(), again.c_str());
    std::abort();
  }
  return 0;
}
