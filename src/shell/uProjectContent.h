// What a project consists of, for the project file: the project settings,
// the port list, the sheets and their elements.
#pragma once

#include "foundation/uFileLoader.h"
#include "foundation/uProjectSettings.h"

class QCheckBox;

namespace qx {

class TProjectContentImpl final : public TProjectContent {
 public:
  TPersistItem GeneralSettings() override;
  int32_t PortCount() override;
  TPersistItem Port(int32_t index) override;
  int32_t SheetCount() override;
  TPersistItem Sheet(int32_t index) override;
  int32_t ElementCount(int32_t sheet) override;
  TPersistElement Element(int32_t sheet, int32_t index) override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void UpdateFrames() override;
  void Loaded() override;
};

// The project settings, with the compile-state flag kept by the main
// window's check box (one place holds it).
class TShellProjectSettings final : public TProjectGeneralSettings {
 public:
  explicit TShellProjectSettings(QCheckBox* compileState) : compileState_(compileState) {}
  bool CompileStateVisible() override;
  void SetCompileStateVisible(bool value) override;
  // The console's switches, file, font and background live in the console
  // (and its ribbon check boxes) once it exists.
  bool ConsoleActive() override;
  void SetConsoleActive(bool value) override;
  bool ConsoleRecActive() override;
  void SetConsoleRecActive(bool value) override;
  std::string ConsoleRecFile() override;
  void SetConsoleRecFile(const std::string& value) override;
  TFontDesc ConsoleFont() override;
  void SetConsoleFont(const TFontDesc& value) override;
  uint32_t ConsoleBackColor() override;
  void SetConsoleBackColor(uint32_t value) override;

 private:
  QCheckBox* compileState_;
};

}  // namespace qx
