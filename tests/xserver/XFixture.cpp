#include "xserver/XFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <map>

#include "foundation/uSettingLoader.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uInit.h"

// Xlib last: its macros (KeyPress, None, Bool ...) would break the Qt headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef KeyPress
#undef KeyRelease

namespace qx::test {

namespace {

// Input events as they reach the program's windows from the X server.
class TInputCounter final : public QObject {
 public:
  std::map<int, int> Count;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched->isWindowType()) {
      switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
          ++Count[event->type()];
          break;
        default:
          break;
      }
    }
    return false;
  }
};

TInputCounter* Counter() {
  static TInputCounter* counter = [] {
    auto* c = new TInputCounter;
    qApp->installEventFilter(c);
    return c;
  }();
  return counter;
}

constexpr int kInputWaitMs = 10000;

}  // namespace

int DeliveredInput(int qeventType) {
  return Counter()->Count[qeventType];
}

void XAppFixture::SetUp() {
  Counter();
  dpy_ = XOpenDisplay(nullptr);
  ASSERT_NE(dpy_, nullptr) << "no X display";
  int ev = 0, err = 0, major = 0, minor = 0;
  ASSERT_TRUE(XTestQueryExtension(dpy_, &ev, &err, &major, &minor)) << "no XTest";
  SetDialogProvider(&dialogs);
  form = std::make_unique<TMainForm>();
  GlobalInit(*form);
  form->move(0, 0);
  form->resize(1200, 800);
  form->show();
  SecondInit();  // the settings file of an earlier test may say otherwise:
  GlobalSettings->SetDecimalSeparator(2);
  ASSERT_TRUE(ProcessUntil([this] {
    return form->windowHandle() && form->windowHandle()->isExposed();
  })) << "the main window was never shown";
  Activate();
}

void XAppFixture::TearDown() {
  // Buttons and keys left down by a failed test would reach the next one.
  if (dpy_) {
    for (int b = 1; b <= 3; ++b) XTestFakeButtonEvent(dpy_, b, False, CurrentTime);
    XSync(dpy_, False);
  }
  ProcessFor(20);
  GlobalFree();
  form.reset();
  SetDialogProvider(nullptr);
  ProcessFor(20);
  if (dpy_) XCloseDisplay(dpy_);
  dpy_ = nullptr;
}

void XAppFixture::Activate() {
  form->raise();
  form->activateWindow();
  XSetInputFocus(dpy_, static_cast<Window>(form->winId()), RevertToParent, CurrentTime);
  XSync(dpy_, False);
  EXPECT_TRUE(ProcessUntil([this] { return QApplication::activeWindow() == form.get(); }))
      << "the main window did not get the keyboard";
}

bool XAppFixture::WhileModal(const std::function<void()>& open, const std::function<void()>& body) {
  bool ran = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (ran || !ModalManager || !ModalManager->Waiting()) return;
    ran = true;
    poll.stop();
    body();
    if (ModalManager && ModalManager->Waiting() && !ModalManager->Done) ModalManager->Answer(false);
  });
  poll.start();
  open();
  ProcessUntil([&] { return ran && !(ModalManager && ModalManager->Waiting()); }, 3000);
  poll.stop();
  return ran;
}

bool XAppFixture::ProcessUntil(const std::function<bool()>& pred, int ms) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

void XAppFixture::ProcessFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void XAppFixture::Sync() {
  XSync(dpy_, False);
}

bool XAppFixture::WaitInput(int type, int count) {
  const bool arrived = ProcessUntil([&] { return DeliveredInput(type) >= count; }, kInputWaitMs);
  // What the event started (posted calls, repaints) runs before the next step.
  ProcessFor(15);
  return arrived;
}

void XAppFixture::MoveTo(QWidget* w, QPoint pos) {
  const QPoint g = w->mapToGlobal(pos);
  // Where the pointer really is (an earlier test may have left it here).
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  if (XQueryPointer(dpy_, DefaultRootWindow(dpy_), &root, &child, &rx, &ry, &wx, &wy, &mask))
    pointer_ = QPoint(rx, ry);
  if (g == pointer_) return;  // no motion, no event
  const int before = DeliveredInput(QEvent::MouseMove);
  XTestFakeMotionEvent(dpy_, -1, g.x(), g.y(), CurrentTime);
  Sync();
  pointer_ = g;
  // The first motion may land outside every window of ours.
  if (QGuiApplication::topLevelAt(g)) {
    EXPECT_TRUE(WaitInput(QEvent::MouseMove, before + 1)) << "motion to " << g.x() << "," << g.y();
  } else {
    ProcessFor(20);
  }
}

void XAppFixture::Press(int button) {
  const int before = DeliveredInput(QEvent::MouseButtonPress);
  XTestFakeButtonEvent(dpy_, static_cast<unsigned>(button), True, CurrentTime);
  Sync();
  EXPECT_TRUE(WaitInput(QEvent::MouseButtonPress, before + 1)) << "button press not delivered";
}

void XAppFixture::Release(int button) {
  const int before = DeliveredInput(QEvent::MouseButtonRelease);
  XTestFakeButtonEvent(dpy_, static_cast<unsigned>(button), False, CurrentTime);
  Sync();
  EXPECT_TRUE(WaitInput(QEvent::MouseButtonRelease, before + 1)) << "button release not delivered";
}

void XAppFixture::Click(QWidget* w, std::optional<QPoint> pos, int button) {
  ASSERT_TRUE(w);
  MoveTo(w, pos.value_or(w->rect().center()));
  Press(button);
  Release(button);
}

void XAppFixture::DoubleClick(QWidget* w, std::optional<QPoint> pos) {
  ASSERT_TRUE(w);
  MoveTo(w, pos.value_or(w->rect().center()));
  // Both clicks well inside the double-click interval: no waiting between.
  const int presses = DeliveredInput(QEvent::MouseButtonPress);
  const int releases = DeliveredInput(QEvent::MouseButtonRelease);
  for (int i = 0; i < 2; ++i) {
    XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
  }
  Sync();
  // The second press reaches the window as a double-click event.
  EXPECT_TRUE(WaitInput(QEvent::MouseButtonRelease, releases + 2));
  EXPECT_GE(DeliveredInput(QEvent::MouseButtonPress), presses + 1);
}

void XAppFixture::Drag(QWidget* w, QPoint from, QPoint to, int steps) {
  ASSERT_TRUE(w);
  MoveTo(w, from);
  Press(1);
  for (int i = 1; i <= steps; ++i) MoveTo(w, from + (to - from) * i / steps);
  Release(1);
}

void XAppFixture::ClickMenuItem(QMenu* menu, const QString& text) {
  ASSERT_TRUE(menu);
  ASSERT_TRUE(ProcessUntil([menu] { return menu->isVisible(); })) << "the menu did not open";
  for (QAction* a : menu->actions()) {
    if (a->text() == text) {
      Click(menu, menu->actionGeometry(a).center());
      return;
    }
  }
  FAIL() << "no menu item " << text.toStdString();
}

void XAppFixture::Key(unsigned long keysym, unsigned mods) {
  const KeyCode code = XKeysymToKeycode(dpy_, keysym);
  ASSERT_NE(code, 0) << "keysym " << keysym << " not in the keymap";
  std::vector<KeyCode> held;
  if (mods & ModShift) held.push_back(XKeysymToKeycode(dpy_, XK_Shift_L));
  if (mods & ModCtrl) held.push_back(XKeysymToKeycode(dpy_, XK_Control_L));
  if (mods & ModAlt) held.push_back(XKeysymToKeycode(dpy_, XK_Alt_L));
  const int presses = DeliveredInput(QEvent::KeyPress);
  const int releases = DeliveredInput(QEvent::KeyRelease);
  for (KeyCode m : held) XTestFakeKeyEvent(dpy_, m, True, CurrentTime);
  XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
  XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
  for (auto it = held.rbegin(); it != held.rend(); ++it)
    XTestFakeKeyEvent(dpy_, *it, False, CurrentTime);
  Sync();
  const int n = static_cast<int>(held.size()) + 1;
  EXPECT_TRUE(WaitInput(QEvent::KeyRelease, releases + n))
      << "key " << keysym << " not delivered (no focus window?)";
  EXPECT_GE(DeliveredInput(QEvent::KeyPress), presses + n);
}

void XAppFixture::Type(const std::string& text) {
  for (const char c : text) {
    const auto sym = static_cast<KeySym>(static_cast<unsigned char>(c));
    const KeyCode code = XKeysymToKeycode(dpy_, sym);
    ASSERT_NE(code, 0) << "'" << c << "' not in the keymap";
    const bool shifted = XkbKeycodeToKeysym(dpy_, code, 0, 0) != sym;
    Key(sym, shifted ? ModShift : ModNone);
  }
}

QImage XAppFixture::Screen() {
  return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

QImage XAppFixture::OnScreen(const QWidget* w) {
  return Screen().copy(QRect(w->mapToGlobal(QPoint(0, 0)), w->size()));
}

std::string XAppFixture::Shot(const std::string& name) {
  if (!std::getenv("QX_XSHOTS")) return {};
  const char* tmp = std::getenv("QX_TEST_TMP");
  const QString dir = QString(tmp ? tmp : "/tmp") + "/xshots";
  QDir().mkpath(dir);
  const QString path = dir + "/" + QString::fromStdString(name) + ".png";
  Screen().copy(0, 0, 1200, 800).save(path);
  return path.toStdString();
}

std::string XAppFixture::TempFile(const std::string& name, const std::string& text) {
  const char* tmp = std::getenv("QX_TEST_TMP");
  QString base = QString(tmp ? tmp : "/tmp") + "/xserver";
  QDir().mkpath(base);
  std::string tmpl = (base + "/XXXXXX").toStdString();
  const char* dir = mkdtemp(tmpl.data());
  EXPECT_TRUE(dir);
  const std::string path = std::string(dir ? dir : "/tmp") + "/" + name;
  QFile f(QString::fromStdString(path));
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray::fromStdString(text));
  return path;
}

std::string XAppFixture::ExampleCopy(const std::string& localPort, const std::string& clientPort) {
  QFile f(QString(QX_SOURCE_DIR) + "/examples/first-panel.qxproj");
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  QString text = QString::fromUtf8(f.readAll());
  text.replace("port \"15005\"", QString("port \"%1\"").arg(QString::fromStdString(localPort)));
  text.replace("clientPort \"15006\"",
               QString("clientPort \"%1\"").arg(QString::fromStdString(clientPort)));
  return TempFile("first-panel.qxproj", text.toStdString());
}

}  // namespace qx::test
