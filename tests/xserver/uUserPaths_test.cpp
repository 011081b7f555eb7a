// A user's main paths through real input: open the example project, run it
// against a loopback UDP peer, use the instruments, edit a sheet.
#include <X11/keysym.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"
#include "editing/uEditPanel.h"
#include "editing/uQXControls.h"
#include "editing/uSheet.h"
#include "editing/uSheetTabs.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXNumericOut.h"
#include "instruments/uQXRemoteLabel.h"
#include "shell/EmbeddedModalForm.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uPortBox.h"
#include "shell/uStatusFrame.h"
#include "widgets/IconButton.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"
#include "xserver/XFixture.h"

namespace qx::test {
namespace {

class UserPaths : public XAppFixture {
 protected:
  void SetUp() override {
    XAppFixture::SetUp();
    std::string err;
    ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
  }
  std::string PeerPort() const { return std::to_string(peer.LocalPort()); }
  // "Öffnen" and the file dialog's answer.
  void OpenProject(const std::string& path) {
    dialogs.Files.push_back(path);
    Click(form->IconButtonOeffnen);
    ASSERT_TRUE(dialogs.Files.empty()) << "the file dialog was not asked";
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.Messages.front().toStdString();
  }
  void ConnectOnRunPage() {
    Click(form->TabBar->Tabs[0]);
    Click(form->ButtonConnect);
    ASSERT_TRUE(ProcessUntil([] { return Terminal->Connected.load(); }));
  }
  TUDPPort* AppPort() const { return dynamic_cast<TUDPPort*>(PortList->At(0)); }
  void Feed(std::string_view datagram) {
    TSockAddr to;
    std::string err;
    ASSERT_TRUE(ResolveAddress("127.0.0.1", std::to_string(AppPort()->BoundPort()), SOCK_DGRAM,
                               false, to, err))
        << err;
    ASSERT_EQ(peer.SendTo(to, datagram), TIoStatus::Ok);
  }
  // Everything the program sent to the peer within ms, in order.
  std::string SentWithin(int ms, size_t enough = SIZE_MAX) {
    std::string all;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && all.size() < enough) {
      char buf[256];
      size_t got = 0;
      if (peer.Receive(buf, sizeof buf, got, 20, nullptr) == TIoStatus::Ok) all.append(buf, got);
      QCoreApplication::processEvents();
    }
    return all;
  }
  static TQXElement* Element(const std::string& denom) {
    for (TSheet* s : SheetList)
      for (TQXElement* e : s->ElementList)
        if (e->GetDenom() == denom) return e;
    return nullptr;
  }
  static QPushButton* ButtonOf(TQXElement* e) { return e ? e->findChild<QPushButton*>() : nullptr; }
  // The displays paint their texts themselves; other elements use labels.
  static bool ShowsText(QWidget* w, const QString& text) {
    if (auto* n = dynamic_cast<TQXNumericDisp*>(w)) return n->ValueLabel()->text().contains(text);
    if (auto* r = dynamic_cast<TQXRemoteLabel*>(w)) return r->Label()->text().contains(text);
    for (QLabel* l : w->findChildren<QLabel*>())
      if (l->isVisible() && l->text().contains(text)) return true;
    return false;
  }
  TUdpSocket peer;
};

TEST_F(UserPaths, ExampleProjectShowsReceivedFramesAndSendsClicks) {
  OpenProject(ExampleCopy("0", PeerPort()));
  ASSERT_EQ(SheetList.size(), 2u);
  TQXElement* pressure = Element("Druck");
  ASSERT_TRUE(pressure);
  ConnectOnRunPage();
  ASSERT_TRUE(pressure->isVisible());
  const QImage before = OnScreen(pressure);
  Feed("#1F4.25;#3SPumpe l\xC3\xA4uft;");
  EXPECT_TRUE(ProcessUntil([&] { return ShowsText(pressure, "4,25"); }));
  TQXElement* status = Element("Status");
  ASSERT_TRUE(status);
  EXPECT_TRUE(ProcessUntil([&] { return ShowsText(status, "Pumpe l\xC3\xA4uft"); }));
  ProcessFor(50);
  EXPECT_NE(OnScreen(pressure), before) << "the value is not on the screen";
  Shot("run-example-connected");

  Click(ButtonOf(Element("Start")));
  EXPECT_EQ(SentWithin(3000, 6), "#10F1;");
}

TEST_F(UserPaths, FailedConnectSaysWhichPortFailedAndWhy) {
  // The peer holds the port the project wants: the bind fails.
  OpenProject(ExampleCopy(PeerPort(), PeerPort()));
  Click(form->TabBar->Tabs[0]);
  Click(form->ButtonConnect);
  EXPECT_FALSE(Terminal->Connected.load());
  ASSERT_EQ(form->TabBar->ItemIndex, 4) << "the Interface page is not shown";
  auto* port = AppPort();
  ASSERT_TRUE(port);
  ASSERT_FALSE(port->LastErrorText.empty());
  const QString why = QString::fromStdString(port->LastErrorText);
  auto* box = TPortBox::PortBoxList.front();
  ASSERT_EQ(box->Port, port);
  EXPECT_TRUE(box->StatusLight->isVisible());
  // The port's box says why ...
  EXPECT_TRUE(box->ErrorLabel->isVisible());
  EXPECT_TRUE(box->ErrorLabel->text().contains(why)) << box->ErrorLabel->text().toStdString();
  EXPECT_FALSE(box->ErrorLabel->visibleRegion().isEmpty());
  // ... and the page says which port failed.
  QLabel* msg = InterfaceSheet->ConnectMessage;
  ASSERT_TRUE(msg->isVisible());
  EXPECT_FALSE(msg->visibleRegion().isEmpty());
  EXPECT_TRUE(msg->text().contains(box->TitleLabel->text())) << msg->text().toStdString();
  EXPECT_TRUE(msg->text().contains(box->InfoLabel->text())) << msg->text().toStdString();
  EXPECT_TRUE(msg->text().contains(why)) << msg->text().toStdString();
  Shot("interface-connect-failed");
  // Opening the port's settings keeps both readable.
  Click(box, QPoint(20, 10));
  ASSERT_TRUE(InterfaceSheet->NotebookPorts->isVisible());
  EXPECT_TRUE(msg->isVisible());
  const auto onScreen = [](const QWidget* w) { return QRect(w->mapToGlobal(QPoint()), w->size()); };
  EXPECT_FALSE(onScreen(msg).intersects(onScreen(InterfaceSheet->UDPPanel)));
  EXPECT_FALSE(onScreen(msg).intersects(onScreen(InterfaceSheet->PanelUDPAddresses)));
  Shot("interface-connect-failed-settings");

  // Once the port is free again the next connect runs and the report goes.
  peer.Close();
  Click(form->TabBar->Tabs[0]);
  Click(form->ButtonConnect);
  EXPECT_TRUE(Terminal->Connected.load());
  EXPECT_FALSE(box->ErrorLabel->isVisible());
  EXPECT_FALSE(msg->isVisible());
}

TEST_F(UserPaths, SettingsAndAboutAreGreyWhileConnected) {
  OpenProject(ExampleCopy("0", PeerPort()));
  ConnectOnRunPage();
  QMenu* menu = form->Popup_Extras;
  Click(form->IconButtonExtras);
  ASSERT_TRUE(ProcessUntil([&] { return menu->isVisible(); }));
  QAction* settings = form->MenuItem_Settings;
  QAction* about = form->MenuItem_About;
  EXPECT_FALSE(settings->isEnabled());
  EXPECT_FALSE(about->isEnabled());
  Shot("extras-menu-connected");
  ClickMenuItem(menu, "Einstellungen");
  EXPECT_TRUE(ModalManager->isHidden());
  if (menu->isVisible()) Key(XK_Escape);
  EXPECT_TRUE(ProcessUntil([&] { return !menu->isVisible(); }));

  Click(form->ButtonDisconnect);
  ASSERT_FALSE(Terminal->Connected.load());
  EXPECT_TRUE(settings->isEnabled());
  EXPECT_TRUE(about->isEnabled());
}

TEST_F(UserPaths, NumericSenderTakesBackspaceDeleteAndReturn) {
  const std::string project =
      "QXUDPPORT\r\nip \"127.0.0.1\"\r\nport \"0\"\r\nclientIp \"127.0.0.1\"\r\nclientPort \"" +
      PeerPort() +
      "\"\r\nQXSHEET\r\nname \"Senden\"\r\nQXNUMERICOUT\r\ndenom \"Sollwert\"\r\nsource "
      "\"#20\"\r\nposition x=30 y=30\r\nsize x=220 y=40\r\n";
  OpenProject(TempFile("sender.qxproj", project));
  auto* sender = dynamic_cast<TQXNumericOut*>(Element("Sollwert"));
  ASSERT_TRUE(sender);
  ConnectOnRunPage();
  QLineEdit* edit = sender->Edit();
  Click(edit);
  Key(XK_a, ModCtrl);
  Type("1234");
  Key(XK_BackSpace);
  EXPECT_EQ(edit->text(), "123");
  Key(XK_Home);
  Key(XK_Delete);
  EXPECT_EQ(edit->text(), "23");
  Key(XK_End);
  Type("5");
  Key(XK_Return);
  EXPECT_EQ(SentWithin(3000, 8), "#20F235;");
}

TEST_F(UserPaths, DoubleClickOnDoubleNotifyButtonSendsTwoPressReleasePairs) {
  OpenProject(ExampleCopy("0", PeerPort()));
  ConnectOnRunPage();
  DoubleClick(ButtonOf(Element("Tippen")));
  const std::string sent = SentWithin(5000, 24);
  EXPECT_EQ(sent, "#11F1;#11F0;#11F1;#11F0;");
}

TEST_F(UserPaths, ElementDraggedAndMovedWithArrowKeys) {
  OpenProject(ExampleCopy("0", PeerPort()));
  ASSERT_EQ(form->TabBar->ItemIndex, 1);  // Open shows the Edit page
  TQXElement* e = Element("Start");
  ASSERT_TRUE(e);
  const QPoint start = e->pos();
  const QPoint grab(e->width() / 2, e->height() / 2);
  const QPoint delta(43, 27);
  Drag(e, grab, grab + delta);
  EXPECT_EQ(e->pos(), DragPosition(start, delta, false));
  Shot("edit-dragged");
  const QPoint dropped = e->pos();
  Key(XK_Right);
  EXPECT_EQ(e->pos(), ArrowKeyTarget(dropped, Qt::Key_Right));
  Key(XK_Down);
  EXPECT_EQ(e->pos(), ArrowKeyTarget(ArrowKeyTarget(dropped, Qt::Key_Right), Qt::Key_Down));
}

TEST_F(UserPaths, SheetTabRenamedWhileArrowKeysMoveNoElement) {
  OpenProject(ExampleCopy("0", PeerPort()));
  TQXElement* e = Element("Start");
  ASSERT_TRUE(e);
  Click(e);
  ASSERT_EQ(TEditPanel::SelectionCount(), 1);
  const QPoint at = e->pos();
  TTab* tab = SheetTabs->Tabs.at(0);
  Click(tab, std::nullopt, 3);
  ClickMenuItem(SheetTabs->PopupMenu(), "Umbenennen");
  QLineEdit* edit = SheetTabs->RenameEdit();
  ASSERT_TRUE(ProcessUntil([&] { return edit->isVisible() && edit->hasFocus(); }));
  Key(XK_a, ModCtrl);
  Type("Kessel");
  for (unsigned long k : {XK_Left, XK_Right, XK_Up, XK_Down}) Key(k);
  EXPECT_EQ(e->pos(), at);
  Key(XK_Return);
  EXPECT_EQ(SheetTabs->GetTabCaption(0), "Kessel");
  EXPECT_FALSE(edit->isVisible());
  EXPECT_EQ(e->pos(), at);
  EXPECT_EQ(TEditPanel::SelectionCount(), 1);
}

}  // namespace
}  // namespace qx::test
