#include "shell/uWindowMode.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "shell/uMain.h"

namespace qx {

TWindowMode* WindowMode = nullptr;

void TWindowMode::Init(TMainForm* form) {
  InTray = false;
  form_ = form;
  if (form_) form_->installEventFilter(this);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s != Qt::ApplicationActive) AppDeactivate();
  });
}

bool TWindowMode::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && event->type() == QEvent::WindowStateChange &&
      form_->windowState().testFlag(Qt::WindowMinimized))
    QTimer::singleShot(0, this, [this] { AppMinimize(); });  // not inside the state change
  return false;
}

void TWindowMode::HideMenu() {
  form_->Menue->hide();
  form_->Arrange();
  QCoreApplication::processEvents();
}

void TWindowMode::ShowMenu() {
  form_->Menue->show();
  form_->Arrange();
}

void TWindowMode::MoveAlive(QWidget* bar) {
  QWidget* alive = form_->Alive;
  const bool shown = !alive->isHidden();
  if (bar) {
    alive->setParent(bar);
    alive->setGeometry(22, 2, 4, 4);
  } else {
    alive->setParent(form_->Menue);
    form_->Arrange();
  }
  alive->setVisible(shown);
}

void TWindowMode::FullWindowOn() {
  if (!form_ || Mode != WindowModeNormal) return;
  Mode = WindowModeFullWindow;
  HideMenu();
  form_->FullWindowMenu->show();
  form_->FullWindowMenu->raise();
  MoveAlive(form_->FullWindowMenu);
}

void TWindowMode::FullWindowOff() {
  if (!form_ || Mode == WindowModeNormal) return;
  Mode = WindowModeNormal;
  ShowMenu();
  form_->FullWindowMenu->hide();
  MoveAlive(nullptr);
}

void TWindowMode::FullScreenOn() {
  if (!form_ || InTray || Mode != WindowModeNormal) return;
  Mode = WindowModeFullScreen;
  HideMenu();
  ToggleFullScreen();
  form_->FullScreenMenu->show();
  form_->FullScreenMenu->raise();
  MoveAlive(form_->FullScreenMenu);
}

void TWindowMode::FullScreenOff() {
  if (!form_ || Mode == WindowModeNormal) return;
  Mode = WindowModeNormal;
  ToggleFullScreen();
  ShowMenu();
  form_->FullScreenMenu->hide();
  MoveAlive(nullptr);
}

void TWindowMode::ToggleFullScreen() {
  if (!form_->windowFlags().testFlag(Qt::FramelessWindowHint)) {
    SavedState = form_->windowState();
    SavedBounds = form_->geometry();
    const bool shown = form_->isVisible();
    form_->setWindowFlag(Qt::FramelessWindowHint, true);
    QScreen* screen = form_->screen() ? form_->screen() : QGuiApplication::primaryScreen();
    if (screen) form_->setGeometry(screen->geometry());
    if (shown) form_->show();
  } else {
    const bool shown = form_->isVisible();
    form_->setWindowFlag(Qt::FramelessWindowHint, false);
    if (SavedState.testFlag(Qt::WindowMaximized)) {
      form_->setWindowState(Qt::WindowMaximized);
    } else {
      form_->setWindowState(Qt::WindowNoState);
      form_->setGeometry(SavedBounds);
    }
    if (shown) form_->show();
  }
}

void TWindowMode::Maximize() {
  if (form_) form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
}

void TWindowMode::Minimize() {
  if (form_) form_->setWindowState(form_->windowState() | Qt::WindowMinimized);
}

void TWindowMode::TrayModeOn() {
  InTray = true;
  // A tool window has no task-bar entry.
  if (form_) {
    const bool shown = form_->isVisible();
    form_->setWindowFlag(Qt::Tool, true);
    if (shown) form_->show();
  }
}

void TWindowMode::TrayModeOff() {
  InTray = false;
  if (form_) {
    const bool shown = form_->isVisible();
    form_->setWindowFlag(Qt::Tool, false);
    if (shown) form_->show();
  }
}

void TWindowMode::MinimizeToTray() {
  if (InTray && form_) form_->hide();
}

void TWindowMode::RestoreFromTray() {
  if (!InTray || !form_) return;
  form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
  form_->show();
  form_->raise();
  form_->activateWindow();
}

void TWindowMode::AppDeactivate() {
  if (InTray) MinimizeToTray();
}

void TWindowMode::AppMinimize() {
  if (!InTray || !form_) return;
  form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
}

}  // namespace qx
