// Feeds arbitrary bytes to the settings-file reader, then checks that what
// it saved reads back to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/uNumText.h"
#include "foundation/uSettingLoader.h"

namespace {

// The settings, their file loader and set list, built once; every load starts
// from the defaults a fresh TGlobalSettings has.
struct Fixture {
  qx::TFLSetList projectSets;
  qx::TFileLoad fl{projectSets};
  qx::TFLSetList sets;
  qx::TGlobalSettings settings{fl};

  Fixture() {
    settings.OnSetLanguage = [](const std::string& code) {
      if (code.size() > 2) std::abort();
    };
    settings.DefineSet(sets);
  }

  void Reset() {
    settings.SepChoice = 0;
    settings.SepChar = ',';
    settings.SystemSepChar = ',';
    settings.AutoLoadProject = false;
    settings.StartInRunMode = false;
    settings.LanguageCode = "nn";
    fl.ProjectPath.clear();
    fl.ProjectFile.clear();
    qx::SetFloatSeparator(',');
    qx::SetDisplaySeparator(',');
  }

  std::string LoadAndSave(const std::string& text) {
    Reset();
    qx::TTextLines lines(text);
    qx::LoadBlocks(sets, lines);
    qx::TTextWriter out;
    for (const auto& set : sets) set->SaveSet(out, *set->Factory());
    return out.TakeText();
  }
};

Fixture& TheFixture() {
  static Fixture* f = new Fixture;  // never freed: outlives every input
  return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  Fixture& fx = TheFixture();
  const std::string saved = fx.LoadAndSave(std::string(reinterpret_cast<const char*>(data), size));
  const std::string again = fx.LoadAndSave(saved);
  if (again != saved) {
    std::fprintf(stderr, "saved:\n%s\nread back and saved:\n%s\n", saved.c_str(), again.c_str());
    std::abort();
  }
  return 0;
}
