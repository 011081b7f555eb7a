// Project settings (module uProjectSettings).
//
// The few project-wide settings not tied to a port, sheet or element: the
// compile-state display and the console's switches, record file, font and
// background colour. They live where the program uses them; this object is
// the target of the set "QXGENERAL", the first block of every project file.
// The values are kept here by default; the shell derives from the class and
// forwards them to the main window's check boxes, the console and its memo.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/uFileLoadSet.h"

namespace qx {

class TProjectGeneralSettings : public TFLObject {
 public:
  TProjectGeneralSettings();

  virtual bool CompileStateVisible() { return compileState_; }
  virtual void SetCompileStateVisible(bool value) { compileState_ = value; }
  virtual bool ConsoleActive() { return consActive_; }
  virtual void SetConsoleActive(bool value) { consActive_ = value; }
  virtual bool ConsoleRecActive() { return consRec_; }
  virtual void SetConsoleRecActive(bool value) { consRec_ = value; }
  virtual std::string ConsoleRecFile() { return consFile_; }
  virtual void SetConsoleRecFile(const std::string& value) { consFile_ = value; }
  virtual TFontDesc ConsoleFont() { return consFont_; }
  virtual void SetConsoleFont(const TFontDesc& value) { consFont_ = value; }
  virtual uint32_t ConsoleBackColor() { return consBack_; }
  virtual void SetConsoleBackColor(uint32_t value) { consBack_ = value; }

  // Defines "QXGENERAL" in the list; its factory yields `instance`.
  static TFLSet& DefineSet(TFLSetList& list, TProjectGeneralSettings& instance);
  // Factory of the program-wide set: ProjectGeneralSettings.
  static TProjectGeneralSettings* GetInstance();

 private:
  bool compileState_ = true;
  bool consActive_ = false;
  bool consRec_ = false;
  std::string consFile_ = "ConsoleLog.txt";
  TFontDesc consFont_;
  uint32_t consBack_ = 0x474747;
};

// Program-wide instance and its set, created by start-up.
extern TProjectGeneralSettings* ProjectGeneralSettings;
extern TFLSet* ProjectGeneralSet;
// Start-up (after the sheet's set, before the port sets): creates the
// instance (the shell's subclass when given) and defines its set in list.
void InitProjectGeneralSettings(TFLSetList& list,
                                std::unique_ptr<TProjectGeneralSettings> instance = nullptr);

}  // namespace qx
