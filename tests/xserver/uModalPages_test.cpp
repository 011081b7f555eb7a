// Pages shown inside the main window (settings, about, help): the keyboard
// stays inside the page while it is shown, with real keys from the X server.
#include <X11/keysym.h>

#include <QApplication>
#include <QMenu>
#include <QPushButton>

#include "channels/uQXPorts.h"
#include "channels/uTerminal.h"
#include "shell/EmbeddedModalForm.h"
#include "widgets/IconButton.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"
#include "xserver/XFixture.h"

namespace qx::test {
namespace {

// Key presses that reach a widget of the main window outside the page.
class TOutsideKeys final : public QObject {
 public:
  int Count = 0;
  QString Last;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !ModalManager || ModalManager->isHidden())
      return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->window() == ModalManager->window() && w != ModalManager &&
        !ModalManager->isAncestorOf(w)) {
      ++Count;
      Last = w->metaObject()->className();
    }
    return false;
  }
};

struct TPageCase {
  const char* name;
  int tab;           // page the user is on when opening it
  const char* item;  // Extras menu item; none: the Interface help button
};

class ModalPage : public XAppFixture, public ::testing::WithParamInterface<TPageCase> {
 protected:
  void Open(const TPageCase& c) {
    if (!c.item) {
      Click(form->ButtonHelpInterf);
      return;
    }
    Click(form->IconButtonExtras);
    ClickMenuItem(form->Popup_Extras, QString::fromUtf8(c.item));
  }
  static bool FocusInside() {
    QWidget* f = QApplication::focusWidget();
    return f && ModalManager->isAncestorOf(f);
  }
};

TEST_P(ModalPage, TabAndShiftTabCycleInsideThePage) {
  const TPageCase c = GetParam();
  Click(form->TabBar->Tabs[c.tab]);
  const int32_t ports = PortList->Count();
  TOutsideKeys outside;
  qApp->installEventFilter(&outside);
  const bool shown = WhileModal([&] { Open(c); },
                                [&] {
                                  Shot(std::string("modal-") + c.name);
                                  EXPECT_TRUE(FocusInside());
                                  for (int i = 0; i < 12; ++i) {
                                    Key(XK_Tab);
                                    EXPECT_TRUE(FocusInside()) << "Tab " << i + 1;
                                  }
                                  for (int i = 0; i < 12; ++i) {
                                    Key(XK_Tab, ModShift);
                                    EXPECT_TRUE(FocusInside()) << "Shift+Tab " << i + 1;
                                  }
                                  Key(XK_Return);
                                });
  qApp->removeEventFilter(&outside);
  EXPECT_TRUE(shown);
  EXPECT_EQ(outside.Count, 0) << "a key reached " << outside.Last.toStdString();
  // Nothing behind the page acted on Return: no run, same page, same ports.
  EXPECT_FALSE(Terminal->Connected.load());
  EXPECT_EQ(form->TabBar->ItemIndex, c.tab);
  EXPECT_EQ(PortList->Count(), ports);
  EXPECT_TRUE(ModalManager->isHidden());
}

INSTANTIATE_TEST_SUITE_P(Pages, ModalPage,
                         ::testing::Values(TPageCase{"settings", 0, "Einstellungen"},
                                           TPageCase{"about", 0,
                                                     "\xC3\x9C"
                                                     "ber Quillex"},
                                           TPageCase{"help", 4, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TEnterCase {
  const char* name;
  const char* item;     // Extras menu item
  unsigned long key;    // XK_Return or XK_KP_Enter
  int tabs;             // Tab presses from the first button before the key
  bool confirmed;       // the answer the key gives
};

void PrintTo(const TEnterCase& c, std::ostream* os) {
  *os << c.name;
}

class EnterOnPage : public XAppFixture, public ::testing::WithParamInterface<TEnterCase> {};

// Return or keypad Enter clicks the focused button; the first button has the
// focus when the page opens and answers OK.
TEST_P(EnterOnPage, ClicksTheFocusedButton) {
  const TEnterCase c = GetParam();
  Click(form->TabBar->Tabs[0]);
  bool answered = false;
  const bool shown = WhileModal(
      [&] {
        Click(form->IconButtonExtras);
        ClickMenuItem(form->Popup_Extras, QString::fromUtf8(c.item));
      },
      [&] {
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(ModalManager->OKButton));
        for (int i = 0; i < c.tabs; ++i) Key(XK_Tab);
        if (c.tabs > 0) {
          EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(ModalManager->CloseButton));
        }
        Key(c.key);
        answered = ModalManager->Done;
      });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(answered) << "the key left the page open";
  EXPECT_EQ(ModalManager->Confirmed, c.confirmed);
  EXPECT_TRUE(ModalManager->isHidden());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EnterOnPage,
    ::testing::Values(TEnterCase{"settings_return", "Einstellungen", XK_Return, 0, true},
                      TEnterCase{"settings_kp_enter", "Einstellungen", XK_KP_Enter, 0, true},
                      TEnterCase{"settings_cancel", "Einstellungen", XK_Return, 1, false},
                      TEnterCase{"about_return", "\xC3\x9C" "ber Quillex", XK_Return, 0, true},
                      TEnterCase{"about_kp_enter", "\xC3\x9C" "ber Quillex", XK_KP_Enter, 0,
                                 true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qx::test
