// What a tray icon element needs of the window: tray mode on and off and the
// way back from the tray. The shell's window modes fill it in at start-up, so
// the instruments never reach up into the shell.
#pragma once

namespace qx {

class TTrayHost {
 public:
  virtual ~TTrayHost() = default;
  virtual bool InTrayMode() const = 0;
  virtual void TrayModeOn() = 0;
  virtual void TrayModeOff() = 0;
  virtual void RestoreFromTray() = 0;
};

// Null until start-up binds the window (and in tests without one).
inline TTrayHost* TrayHost = nullptr;

}  // namespace qx
