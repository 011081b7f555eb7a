// The real main window through the X server: the normal start-up on the
// xcb platform, and input only through XTest, as a user's mouse and
// keyboard make it. Every step waits (bounded) until the X server's events
// have reached the program's windows, then lets the posted work run, so a
// test asserts on what the user would see next.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/uMain.h"
#include "widgets/uDialogs.h"

struct _XDisplay;

namespace qx::test {

// Keyboard modifiers held while a key is pressed.
enum TMod : unsigned { ModNone = 0, ModShift = 1, ModCtrl = 2, ModAlt = 4 };

// Dialog answers given by the test; nothing blocks.
class TXDialogs final : public TDialogProvider {
 public:
  std::deque<std::string> Files;  // next answers of the file dialog
  std::vector<QString> Messages;  // every message shown
  bool Answer = true;             // to every question
  void Message(QWidget*, const QString& text) override { Messages.push_back(text); }
  bool Question(QWidget*, const QString&) override { return Answer; }
  std::optional<TColor> ChooseColor(QWidget*, TColor) override { return std::nullopt; }
  std::optional<TFontDesc> ChooseFont(QWidget*, const TFontDesc&) override { return std::nullopt; }
  std::optional<std::string> ChooseFile(QWidget*, const TFileDialogRequest&) override {
    if (Files.empty()) return std::nullopt;
    std::string f = Files.front();
    Files.pop_front();
    return f;
  }
};

class XAppFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // ---- input (global screen positions come from the widget) ----
  // pos defaults to the widget's middle.
  void Click(QWidget* w, std::optional<QPoint> pos = std::nullopt, int button = 1);
  void DoubleClick(QWidget* w, std::optional<QPoint> pos = std::nullopt);
  void Drag(QWidget* w, QPoint from, QPoint to, int steps = 6);
  // Waits for the open menu, then clicks the item with this text.
  void ClickMenuItem(QMenu* menu, const QString& text);
  void MoveTo(QWidget* w, QPoint pos);
  void Press(int button = 1);
  void Release(int button = 1);
  // One key by its keysym (XK_Tab, XK_Delete, 'a' ...) with modifiers held.
  void Key(unsigned long keysym, unsigned mods = ModNone);
  // Printable ASCII text, key by key (Shift where the keymap needs it).
  void Type(const std::string& text);

  // A modal page waits in an event loop of its own: open() opens it, body
  // then runs inside that loop (input and checks as anywhere else), and the
  // page is answered "not OK" afterwards if body left it open. False when
  // no page came.
  bool WhileModal(const std::function<void()>& open, const std::function<void()>& body);

  // ---- waiting ----
  static bool ProcessUntil(const std::function<bool()>& pred, int ms = 10000);
  static void ProcessFor(int ms);
  // Gives the main window the keyboard (there is no window manager).
  void Activate();

  // ---- the screen ----
  // The X server's picture of w's area (what is really shown, popups too).
  static QImage OnScreen(const QWidget* w);
  static QImage Screen();
  // Writes the screen to <QX_TEST_TMP>/xshots/<name>.png when QX_XSHOTS is
  // set (for looking at what a test did); returns the path or empty.
  static std::string Shot(const std::string& name);

  // A temporary file that holds text (CR LF lines as projects are written).
  std::string TempFile(const std::string& name, const std::string& text);
  // The example project with its UDP port rewritten (local, then remote).
  std::string ExampleCopy(const std::string& localPort, const std::string& clientPort);

  std::unique_ptr<TMainForm> form;
  TXDialogs dialogs;

 private:
  bool WaitInput(int type, int count);
  void Sync();
  _XDisplay* dpy_ = nullptr;
  QPoint pointer_{-1, -1};
};

// Counts the input events the X server delivered to the program's windows.
int DeliveredInput(int qeventType);

}  // namespace qx::test
