// Window modes (module uWindowMode): normal, full window (menu strip hidden,
// the page area fills the window) and full screen (also borderless and as
// large as the monitor). Full window and full screen are entered from normal
// mode only. Tray mode is a separate flag held by a tray icon element: the
// window leaves the task bar and hides when the application loses focus.
#pragma once

#include <QObject>
#include <QRect>
#include <cstdint>

#include "widgets/uTrayHost.h"

namespace qx {

class TMainForm;

enum TWindowModeKind : int32_t {
  WindowModeNormal = 0,
  WindowModeFullWindow = 1,
  WindowModeFullScreen = 2
};

class TWindowMode : public QObject, public TTrayHost {
 public:
  int32_t Mode = WindowModeNormal;
  bool InTray = false;
  QRect SavedBounds;
  Qt::WindowStates SavedState = Qt::WindowNoState;

  // Binds to the main window and watches activation and minimising.
  void Init(TMainForm* form);
  void FullWindowOn();
  void FullWindowOff();
  void FullScreenOn();
  void FullScreenOff();
  void Maximize();
  void Minimize();
  bool InTrayMode() const override { return InTray; }
  void TrayModeOn() override;
  void TrayModeOff() override;
  void MinimizeToTray();
  void RestoreFromTray() override;
  void AppDeactivate();
  void AppMinimize();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void HideMenu();
  void ShowMenu();
  void ToggleFullScreen();
  // Alive into a bar (or back into the menu strip with bar null).
  void MoveAlive(QWidget* bar);
  TMainForm* form_ = nullptr;
};

extern TWindowMode* WindowMode;

}  // namespace qx
