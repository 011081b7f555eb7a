#include "foundation/uProjectSettings.h"

namespace qx {

TProjectGeneralSettings* ProjectGeneralSettings = nullptr;
TFLSet* ProjectGeneralSet = nullptr;

namespace {
std::unique_ptr<TProjectGeneralSettings> gProjectGeneralSettings;
constexpr const char* kProjectVersion = "V1.6";
}  // namespace

TProjectGeneralSettings::TProjectGeneralSettings() {
  // The console memo's look as the console page starts.
  consFont_.Name = "Lucida Console";
  consFont_.Size = 13;
  consFont_.Color = 0xECFFFF;
}

TFLSet& TProjectGeneralSettings::DefineSet(TFLSetList& list, TProjectGeneralSettings& instance) {
  using P = TProjectGeneralSettings;
  TProjectGeneralSettings* target = &instance;
  auto b = list.Define<P>("QXGENERAL", [target]() -> TFLObject* { return target; });
  b.String(
      "version", [](P&) { return std::string(kProjectVersion); }, [](P&, const std::string&) {});
  b.Bool("showCompileState", &P::CompileStateVisible, &P::SetCompileStateVisible);
  b.Bool("consoleActive", &P::ConsoleActive, &P::SetConsoleActive);
  b.Bool("consoleRecActive", &P::ConsoleRecActive, &P::SetConsoleRecActive);
  b.String("consoleRecFile", &P::ConsoleRecFile, &P::SetConsoleRecFile);
  b.Font("consoleFont", &P::ConsoleFont, &P::SetConsoleFont);
  b.Color("consoleBackColor", &P::ConsoleBackColor, &P::SetConsoleBackColor);
  return b.Set();
}

TProjectGeneralSettings* TProjectGeneralSettings::GetInstance() {
  return ProjectGeneralSettings;
}

void InitProjectGeneralSettings(TFLSetList& list,
                                std::unique_ptr<TProjectGeneralSettings> instance) {
  gProjectGeneralSettings =
      instance ? std::move(instance) : std::make_unique<TProjectGeneralSettings>();
  ProjectGeneralSettings = gProjectGeneralSettings.get();
  ProjectGeneralSet = &TProjectGeneralSettings::DefineSet(list, *ProjectGeneralSettings);
}

}  // namespace qx
