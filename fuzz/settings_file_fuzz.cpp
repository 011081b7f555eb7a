// Feeds arbitrary bytes to the settings-file reader, then checks that what
// it saved reads back to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/uNumText.h"
#include "foundation/uSettingLoader.h"

namespace {

std::string LoadAndSave(const std::string& text) {
  qx::TFLSetList projectSets;
  qx::TFileLoad fl(projectSets);
  qx::TFLSetList sets;
  qx::TGlobalSettings settings(fl);
  settings.SystemSepChar = ',';
  settings.OnSetLanguage = [](const std::string& code) {
    if (code.size() > 2) std::abort();
  };
  settings.DefineSet(sets);
  qx::TTextLines lines(text);
  qx::LoadBlocks(sets, lines);
  qx::TTextWriter out;
  for (const auto& set : sets) set->SaveSet(out, *set->Factory());
  return out.TakeText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  const std::string saved = LoadAndSave(std::string(reinterpret_cast<const char*>(data), size));
  const std::string again = LoadAndSave(saved);
  if (again != saved) {
    std::fprintf(stderr, "saved:\n%s\nread back and saved:\n%s\n", saved.c_str(), again.c_str());
    std::abort();
  }
  qx::SetFloatSeparator(',');
  qx::SetDisplaySeparator(',');
  return 0;
}
