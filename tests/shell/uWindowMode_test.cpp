// Window modes: the mode field, which bars and menu strip show, where the
// heartbeat sits, and tray mode.
#include "shell/uWindowMode.h"

#include "gui_support/AppFixture.h"
#include "widgets/IconButton.h"
#include "widgets/uRibbonButton.h"

namespace qx {
namespace {

using test::AppFixture;

class WindowModeTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form->show();
  }
  void TearDown() override {
    WindowMode->TrayModeOff();
    AppFixture::TearDown();
  }
  // Mode, menu strip, full window bar, full screen bar.
  void ExpectState(int mode, bool menu, bool fwBar, bool fsBar) {
    EXPECT_EQ(WindowMode->Mode, mode);
    EXPECT_EQ(!form->Menue->isHidden(), menu);
    EXPECT_EQ(!form->FullWindowMenu->isHidden(), fwBar);
    EXPECT_EQ(!form->FullScreenMenu->isHidden(), fsBar);
    EXPECT_EQ(form->Panel1->y(), menu ? 121 : 0);
    QWidget* home = fwBar ? form->FullWindowMenu : fsBar ? form->FullScreenMenu : form->Menue;
    EXPECT_EQ(form->Alive->parentWidget(), home);
  }
};

TEST_F(WindowModeTest, TransitionsOnlyFromNormal) {
  struct Step {
    void (TWindowMode::*op)();
    int mode;
    bool menu, fwBar, fsBar;
  };
  const std::vector<Step> steps = {
      {&TWindowMode::FullWindowOn, 1, false, true, false},
      {&TWindowMode::FullScreenOn, 1, false, true, false},  // refused in full window
      {&TWindowMode::FullWindowOff, 0, true, false, false},
      {&TWindowMode::FullWindowOff, 0, true, false, false},
      {&TWindowMode::FullScreenOn, 2, false, false, true},
      {&TWindowMode::FullWindowOn, 2, false, false, true},  // refused in full screen
      {&TWindowMode::FullScreenOff, 0, true, false, false},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    (WindowMode->*steps[i].op)();
    ExpectState(steps[i].mode, steps[i].menu, steps[i].fwBar, steps[i].fsBar);
  }
}

TEST_F(WindowModeTest, RibbonAndBarButtonsSwitch) {
  emit form->ButtonFullWindow->clicked();
  ExpectState(1, false, true, false);
  EXPECT_EQ(form->Alive->geometry(), QRect(22, 2, 4, 4));
  EXPECT_EQ(form->FullWindowMenu->geometry(), QRect(form->width() - 90, 0, 90, 29));
  emit form->ButtonFWBack->clicked();
  ExpectState(0, true, false, false);
  emit form->ButtonFullScreen->clicked();
  ExpectState(2, false, false, true);
  EXPECT_EQ(form->FullScreenMenu->width(), 119);
  emit form->ButtonFSBack->clicked();
  ExpectState(0, true, false, false);
}

TEST_F(WindowModeTest, FullScreenRestoresTheEarlierBounds) {
  form->setGeometry(50, 60, 900, 700);
  const QRect before = form->geometry();
  WindowMode->FullScreenOn();
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(WindowMode->SavedBounds, before);
  WindowMode->FullScreenOff();
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(form->geometry(), before);
}

TEST_F(WindowModeTest, TrayModeRefusesFullScreenAndHidesOnDeactivate) {
  WindowMode->TrayModeOn();
  EXPECT_TRUE(WindowMode->InTray);
  WindowMode->FullScreenOn();
  EXPECT_EQ(WindowMode->Mode, 0);
  WindowMode->AppDeactivate();
  EXPECT_FALSE(form->isVisible());
  WindowMode->RestoreFromTray();
  EXPECT_TRUE(form->isVisible());
  WindowMode->TrayModeOff();
  WindowMode->AppDeactivate();  // not in tray mode: nothing
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(WindowMode->InTray);
}

}  // namespace
}  // namespace qx
