// The Interface page as a user works it: real clicks and keys through the X
// server, checked on the program's state and on the screen.
#include <X11/keysym.h>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

#include "channels/uComPort.h"
#include "channels/uQXPorts.h"
#include "channels/uSocketIO.h"
#include "channels/uTerminal.h"
#include "channels/uUDPPort.h"
#include "foundation/drawing/uGraphicsUtilQt.h"
#include "shell/uInterfaceSheet.h"
#include "shell/uPortBox.h"
#include "shell/uStatusFrame.h"
#include "widgets/uRibbonButton.h"
#include "widgets/uTabBar.h"
#include "xserver/XFixture.h"

namespace qx::test {
namespace {

class InterfacePage : public XAppFixture {
 protected:
  void OpenInterfacePage() {
    Click(form->TabBar->Tabs[4]);
    ASSERT_TRUE(InterfaceSheet->isVisible());
  }
  TPortBox* AddUdpPort() {
    const size_t before = TPortBox::PortBoxList.size();
    Click(form->BitBtnUDP);
    EXPECT_EQ(TPortBox::PortBoxList.size(), before + 1);
    return TPortBox::PortBoxList.empty() ? nullptr : TPortBox::PortBoxList.back();
  }
  // Replaces an edit's text as a user does: click, select all, type, Return.
  void Retype(QWidget* edit, const std::string& text) {
    Click(edit);
    Key(XK_a, ModCtrl);
    Type(text);
    Key(XK_Return);
  }
  static QColor Pixel(const QWidget* w, QPoint p) { return OnScreen(w).pixelColor(p); }
};

TEST_F(InterfacePage, BackgroundFillsThePageAndShowsTheBoxes) {
  OpenInterfacePage();
  Shot("interface-empty");
  TInterfaceSheet* page = InterfaceSheet;
  EXPECT_EQ(page->Background->geometry(), page->rect());
  // The box column and its first box are on the screen in the box colour.
  ASSERT_FALSE(TPortBox::PortBoxList.empty());
  TPortBox* box = TPortBox::PortBoxList.front();
  EXPECT_TRUE(box->isVisible());
  EXPECT_FALSE(box->visibleRegion().isEmpty());
  EXPECT_EQ(Pixel(box, QPoint(box->width() / 2, 2)), ColorToQColor(kPortBoxColor));
  // Far from the column the page shows its background colour.
  EXPECT_EQ(Pixel(page, QPoint(page->width() - 30, page->height() - 30)), ColorToQColor(0xD2EAEC));
  // After a resize the page still fills.
  form->resize(1000, 700);
  ProcessFor(50);
  EXPECT_EQ(page->Background->geometry(), page->rect());
}

TEST_F(InterfacePage, UdpPortAddedConfiguredTestedAndRemoved) {
  OpenInterfacePage();
  TPortBox* box = AddUdpPort();
  ASSERT_TRUE(box);
  auto* port = dynamic_cast<TUDPPort*>(box->Port);
  ASSERT_TRUE(port);

  // A click highlights the box and opens the UDP settings.
  Click(box, QPoint(box->width() / 2, 10));
  EXPECT_EQ(TPortBox::HighlightedBox, box);
  EXPECT_EQ(box->Color(), kPortBoxHighlightColor);
  ASSERT_TRUE(InterfaceSheet->NotebookPorts->isVisible());
  EXPECT_EQ(InterfaceSheet->NotebookPorts->currentIndex(), PortKindUDP - 1);
  EXPECT_EQ(Pixel(box, QPoint(box->width() / 2, 2)), ColorToQColor(kPortBoxHighlightColor));
  Shot("interface-udp-selected");

  // A free port number, typed into the settings.
  TUdpSocket probe;
  std::string err;
  ASSERT_TRUE(probe.Bind("127.0.0.1", "0", err)) << err;
  const std::string free = std::to_string(probe.LocalPort());
  probe.Close();
  Retype(InterfaceSheet->ComboBoxUDPLocalIP, "127.0.0.1");
  Retype(InterfaceSheet->EditUDPLocalPort, free);
  Retype(InterfaceSheet->ComboBoxUDPClientIP, "127.0.0.1");
  EXPECT_EQ(port->LocalIp, "127.0.0.1");
  EXPECT_EQ(port->LocalPort, free);
  EXPECT_EQ(port->ClientIp, "127.0.0.1");
  EXPECT_TRUE(box->InfoLabel->text().contains(QString::fromStdString(free)));
  // A click on a label or an empty spot of the settings keeps them open.
  Click(InterfaceSheet->UDPPanel, QPoint(30, 10));
  EXPECT_TRUE(InterfaceSheet->NotebookPorts->isVisible());
  Click(InterfaceSheet->UDPPanel, QPoint(200, 250));
  EXPECT_TRUE(InterfaceSheet->NotebookPorts->isVisible());
  EXPECT_EQ(TPortBox::HighlightedBox, box);

  // The connection test lights the box green (the serial default port fails
  // beside it, which does not matter here).
  Click(form->ButtonTest);
  EXPECT_FALSE(Terminal->Connected.load());
  ASSERT_TRUE(box->StatusLight->isVisible());
  EXPECT_EQ(Pixel(box->StatusLight, QPoint(3, 20)), ColorToQColor(kLightGreen));
  Shot("interface-udp-tested");

  // "Entfernen" deletes the highlighted box's port.
  const int32_t ports = PortList->Count();
  Click(form->BitBtnEntf);
  EXPECT_EQ(PortList->Count(), ports - 1);
  EXPECT_EQ(PortList->IndexOf(*port), -1);
  EXPECT_FALSE(InterfaceSheet->NotebookPorts->isVisible());
}

TEST_F(InterfacePage, DeleteKeyRemovesTheClickedBox) {
  OpenInterfacePage();
  TPortBox* box = AddUdpPort();
  ASSERT_TRUE(box);
  const int32_t ports = PortList->Count();
  Click(box, QPoint(20, 40));
  ASSERT_EQ(TPortBox::HighlightedBox, box);
  Key(XK_Delete);
  EXPECT_EQ(PortList->Count(), ports - 1);
  EXPECT_EQ(TPortBox::PortBoxList.size(), static_cast<size_t>(ports - 1));
}

TEST_F(InterfacePage, ClickOnTheBackgroundDeselects) {
  OpenInterfacePage();
  TPortBox* box = TPortBox::PortBoxList.front();
  Click(box);
  ASSERT_TRUE(InterfaceSheet->NotebookPorts->isVisible());
  // Below the boxes in the column, then far right on the page.
  Click(InterfaceSheet->PanelPB, QPoint(100, 400));
  EXPECT_FALSE(InterfaceSheet->NotebookPorts->isVisible());
  EXPECT_EQ(TPortBox::HighlightedBox, nullptr);
  Click(box);
  ASSERT_TRUE(InterfaceSheet->NotebookPorts->isVisible());
  Click(InterfaceSheet, QPoint(InterfaceSheet->width() - 30, InterfaceSheet->height() - 30));
  EXPECT_FALSE(InterfaceSheet->NotebookPorts->isVisible());
  EXPECT_EQ(box->Color(), kPortBoxColor);
}

// More ports than the column holds: after a connection test every light is
// on the screen beside the scroll bar, scrolled to or not; a taller window
// gives the column more room.
TEST_F(InterfacePage, LightsOfManyPortsShowBesideTheScrollBar) {
  OpenInterfacePage();
  TInterfaceSheet* page = InterfaceSheet;
  QScrollArea* column = page->ScrollBoxPB;
  QScrollBar* bar = column->verticalScrollBar();
  while (TPortBox::PortBoxList.size() < 9 || !bar->isVisible()) {
    ASSERT_LT(TPortBox::PortBoxList.size(), 40u);
    ASSERT_TRUE(AddUdpPort());
    ProcessFor(20);
  }
  Click(form->ButtonTest);  // the default addresses are not this machine's: all red
  auto lightsShown = [&](const char* when) {
    int seen = 0;
    for (TPortBox* box : TPortBox::PortBoxList) {
      ASSERT_TRUE(box->StatusLight->isVisible()) << when;
      const QPoint at = box->StatusLight->mapTo(column->viewport(), QPoint(3, 20));
      if (at.y() < 0 || at.y() >= column->viewport()->height()) continue;  // scrolled away
      EXPECT_LE(box->mapTo(column, QPoint(box->width(), 0)).x(),
                bar->mapTo(column, QPoint(0, 0)).x())
          << when;
      EXPECT_EQ(Pixel(box->StatusLight, QPoint(3, 20)), ColorToQColor(kLightRed)) << when;
      ++seen;
    }
    EXPECT_GE(seen, 3) << when;
  };
  lightsShown("top");
  Shot("interface-many-tested");
  bar->setValue(bar->maximum());
  ProcessFor(50);
  lightsShown("scrolled");

  // A taller window: the column grows with the page.
  const int before = page->PanelPB->height();
  form->resize(1200, 1000);
  ASSERT_TRUE(ProcessUntil([&] { return page->PanelPB->height() == before + 200; }))
      << page->PanelPB->height();
  ProcessFor(100);  // painted
  EXPECT_EQ(column->height(), page->PanelPB->height());
  lightsShown("tall");
  Shot("interface-many-tall");
}

// One port opens, the serial port's device is missing: the run starts and
// the serial box shows its red light and reason on the page throughout.
TEST_F(InterfacePage, PartlyFailedConnectShowsTheFailedBoxDuringTheRun) {
  OpenInterfacePage();
  TPortBox* serial = TPortBox::PortBoxList.front();
  auto* com = dynamic_cast<TComPort*>(serial->Port);
  ASSERT_TRUE(com);
  com->PortName = "/dev/qx-no-such-tty";
  TPortBox* box = AddUdpPort();
  ASSERT_TRUE(box);
  auto* udp = dynamic_cast<TUDPPort*>(box->Port);
  TUdpSocket peer;
  std::string err;
  ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
  udp->LocalIp = udp->ClientIp = "127.0.0.1";
  udp->LocalPort = "0";
  udp->ClientPort = std::to_string(peer.LocalPort());

  Click(form->TabBar->Tabs[0]);
  Click(form->ButtonConnect);
  ASSERT_TRUE(Terminal->Connected.load()) << udp->LastErrorText;
  ASSERT_FALSE(com->Connected.load());
  for (int via : {4, 0, 3}) {  // straight there, from the Run and Terminal pages
    const int round = via;
    Click(form->TabBar->Tabs[via]);
    Click(form->TabBar->Tabs[4]);
    ASSERT_TRUE(serial->StatusLight->isVisible()) << round;
    EXPECT_EQ(Pixel(serial->StatusLight, QPoint(3, 20)), ColorToQColor(kLightRed)) << round;
    ASSERT_TRUE(serial->ErrorLabel->isVisible()) << round;
    EXPECT_EQ(serial->ErrorLabel->text().toStdString(), com->LastErrorText);
    EXPECT_FALSE(box->StatusLight->isVisible()) << round;
  }
  Shot("interface-partly-connected");
  Click(form->TabBar->Tabs[0]);
  Click(form->ButtonDisconnect);
  EXPECT_FALSE(Terminal->Connected.load());
}

}  // namespace
}  // namespace qx::test
