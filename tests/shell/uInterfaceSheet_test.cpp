// Interface page and port boxes: adding, configuring and deleting ports of
// every kind, the write-back rules, the filter and range edits, the
// connection test and the references that must not outlive a box.
#include "shell/uInterfaceSheet.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QScrollBar>

#include "channels/uComPort.h"
#include "channels/uSocketIO.h"
#include "channels/uTCPConnectionPort.h"
#include "channels/uTCPServerPort.h"
#include "channels/uUDPPort.h"
#include "channels/uURLPort.h"
#include "shell/PageRig.h"

namespace qx {
namespace {

using test::TPageRig;

TPortBox& BoxOf(TQXPort& port) {
  EXPECT_FALSE(TPortBox::PortBoxList.empty());
  for (TPortBox* b : TPortBox::PortBoxList) {
    if (b->Port == &port) return *b;
  }
  throw std::runtime_error("port has no box");
}

// A UDP port on a free local port that sends to 127.0.0.1:clientPort.
TUDPPort& LocalUdp(TPortList& ports, const std::string& clientPort) {
  auto& port = TUDPPort::CreateInstance(ports);
  port.LocalIp = "127.0.0.1";
  port.LocalPort = "0";
  port.ClientIp = "127.0.0.1";
  port.ClientPort = clientPort;
  return port;
}

void Done(QLineEdit* e) {
  emit e->editingFinished();
}

void Done(QComboBox* c) {
  emit c->lineEdit()->editingFinished();
}

void Key(QWidget* w, Qt::Key key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
}

class InterfaceSheetTest : public ::testing::Test {
 protected:
  TPageRig rig;
  TInterfaceSheet& page = *rig.interf;
};

TEST_F(InterfaceSheetTest, EveryKindIsAddedConfiguredAndDeleted) {
  struct Case {
    std::function<TQXPort&(TPortList&)> create;
    int32_t kind;
    const char* title;
    // Edits one value control of the page and confirms it.
    std::function<void(TInterfaceSheet&)> edit;
    std::function<bool(TQXPort&)> written;
    const char* info;  // box info line afterwards
  };
  const Case cases[] = {
      {[](TPortList& l) -> TQXPort& { return TComPort::CreateInstance(l); }, PortKindCom,
       "Serielle Schnittstelle",
       [](TInterfaceSheet& s) {
         s.ComboBoxPort->setEditText("COM3");
         s.ComboBoxBaudrate->setEditText("9600");
         Done(s.ComboBoxPort);
       },
       [](TQXPort& p) {
         auto& c = static_cast<TComPort&>(p);
         return c.PortName == "COM3" && c.BaudRate == 9600;
       },
       "COM3 | 9600 |"},
      {[](TPortList& l) -> TQXPort& { return TUDPPort::CreateInstance(l); }, PortKindUDP,
       "IP/UDP Socket",
       [](TInterfaceSheet& s) {
         s.ComboBoxUDPLocalIP->setEditText("10.0.0.1");
         s.EditUDPClientPort->setText("4000");
         Done(s.EditUDPClientPort);
       },
       [](TQXPort& p) {
         auto& u = static_cast<TUDPPort&>(p);
         return u.LocalIp == "10.0.0.1" && u.ClientPort == "4000";
       },
       "10.0.0.1 /15005 | 192.168.0.101 /4000 |"},
      {[](TPortList& l) -> TQXPort& { return TURLPort::CreateInstance(l); }, PortKindURL,
       "URL-Anfrage",
       [](TInterfaceSheet& s) {
         s.EditBoxURL->setText("http://127.0.0.1:1/x");
         s.EditBoxPasswort->setText("geheim");
         Done(s.EditBoxURL);
       },
       [](TQXPort& p) {
         auto& u = static_cast<TURLPort&>(p);
         return u.Url == "http://127.0.0.1:1/x" && u.Password == "geheim";
       },
       "http://127.0.0.1:1/x"},
      {[](TPortList& l) -> TQXPort& { return TTCPServer::CreateInstance(l); }, PortKindTCPServer,
       "IP/TCP Server",
       [](TInterfaceSheet& s) {
         s.EditTCPServerLocalPort->setText("9100");
         Done(s.EditTCPServerLocalPort);
       },
       [](TQXPort& p) { return static_cast<TTCPServer&>(p).ListenPort == "9100"; },
       "0.0.0.0 /9100 | "},
      {[](TPortList& l) -> TQXPort& { return TTCPConnection::CreateInstance(l); }, PortKindTCPConn,
       "IP/TCP Verbindung",
       [](TInterfaceSheet& s) {
         s.ComboBoxTCPConnClientIP->setEditText("127.0.0.2");
         s.CheckBoxAutoReconnect->click();
       },
       [](TQXPort& p) {
         auto& t = static_cast<TTCPConnection&>(p);
         return t.ClientIp == "127.0.0.2" && t.AutoReconnect;
       },
       "127.0.0.1 /15005 | 127.0.0.2 /8008 |"},
  };
  for (const Case& c : cases) {
    TQXPort& port = c.create(*rig.ports);
    TPortBox& box = BoxOf(port);
    EXPECT_EQ(box.Kind, c.kind);
    EXPECT_EQ(box.TitleLabel->text(), c.title);
    EXPECT_EQ(box.height(), kPortBoxHeight);
    EXPECT_EQ(box.width(), page.PanelPB->width());
    EXPECT_FALSE(box.StatusLight->isVisible());

    TPortBox::Select(&box);
    EXPECT_EQ(TPortBox::HighlightedBox, &box);
    EXPECT_EQ(TPortBox::SelectedBox, &box);
    EXPECT_EQ(box.Color(), kPortBoxHighlightColor);
    EXPECT_EQ(page.NotebookPorts->currentIndex(), c.kind - 1);
    EXPECT_TRUE(page.NotebookPorts->isVisible());

    port.ShowStatusLight(true);
    EXPECT_TRUE(box.StatusLight->isVisible());
    c.edit(page);
    EXPECT_TRUE(c.written(port)) << c.title;
    EXPECT_EQ(box.InfoLabel->text(), c.info);
    EXPECT_FALSE(box.StatusLight->isVisible()) << "an edit hides the light";

    TPortBox::DeleteSelected();
    EXPECT_EQ(rig.ports->Count(), 0);
    EXPECT_TRUE(TPortBox::PortBoxList.empty());
    EXPECT_EQ(TPortBox::HighlightedBox, nullptr);
    EXPECT_EQ(TPortBox::SelectedBox, nullptr);
    EXPECT_FALSE(page.NotebookPorts->isVisible());
  }
}

TEST_F(InterfaceSheetTest, BoxesStackAndCloseGaps) {
  TQXPort& a = TUDPPort::CreateInstance(*rig.ports);
  TQXPort& b = TComPort::CreateInstance(*rig.ports);
  TQXPort& c = TURLPort::CreateInstance(*rig.ports);
  EXPECT_EQ(BoxOf(a).y(), 1);
  EXPECT_EQ(BoxOf(b).y(), 57);
  EXPECT_EQ(BoxOf(c).y(), 113);
  EXPECT_EQ(page.Frame->height(), 169);
  TPortBox::Select(&BoxOf(b));
  TPortBox::DeleteSelected();
  EXPECT_EQ(BoxOf(c).y(), 57);
  EXPECT_EQ(page.Frame->height(), 113);
  rig.ports->FreeAll();
  EXPECT_EQ(page.Frame->height(), 1);
}

// The box column follows the page's height, and whenever its scroll bar
// shows, the boxes fit beside it: status light and range text uncovered.
TEST_F(InterfaceSheetTest, BoxColumnFollowsThePageAndKeepsBoxesBesideItsScrollBar) {
  const struct {
    int pageHeight;
    int ports;
    int columnHeight;
    bool bar;
  } cases[] = {
      {502, 8, 470, false}, {502, 9, 470, true},  {400, 9, 470, true},
      {900, 9, 868, false}, {900, 16, 868, true},
  };
  for (const auto& c : cases) {
    const std::string name = std::to_string(c.pageHeight) + "/" + std::to_string(c.ports);
    rig.ports->FreeAll();
    page.resize(1000, c.pageHeight);
    for (int i = 0; i < c.ports; ++i) {
      TQXPort& p = TUDPPort::CreateInstance(*rig.ports);
      p.FilterActive = true;
      p.FilterLow = 100;
      p.FilterHigh = 999;
      BoxOf(p).UpdateText();
      p.ShowStatusLight(true);
    }
    QApplication::processEvents();
    EXPECT_EQ(page.PanelPB->height(), c.columnHeight) << name;
    EXPECT_EQ(page.ScrollBoxPB->height(), c.columnHeight) << name;
    const QScrollBar* bar = page.ScrollBoxPB->verticalScrollBar();
    ASSERT_EQ(bar->isVisible(), c.bar) << name;
    const QWidget* viewport = page.ScrollBoxPB->viewport();
    const int room = c.bar ? bar->mapTo(page.ScrollBoxPB, QPoint(0, 0)).x() : page.PanelPB->width();
    EXPECT_EQ(viewport->width(), room) << name;
    for (TPortBox* box : TPortBox::PortBoxList) {
      EXPECT_EQ(box->width(), room) << name;
      EXPECT_EQ(box->StatusLight->geometry(), QRect(room - 6, 0, 6, box->height())) << name;
      const QRect range = box->FilterLabel->geometry();
      EXPECT_LT(range.right(), box->StatusLight->x()) << name;
      EXPECT_LE(box->FilterLabel->fontMetrics().horizontalAdvance("100 - 999"), range.width());
      EXPECT_LT(box->InfoLabel->geometry().right(), box->StatusLight->x()) << name;
    }
  }
  // A long reason makes the column need its bar: the reason wraps again in
  // the narrower box and the boxes below move.
  rig.ports->FreeAll();
  page.resize(1000, 502);
  for (int i = 0; i < 8; ++i) TUDPPort::CreateInstance(*rig.ports);
  TPortBox& first = *TPortBox::PortBoxList.front();
  QString why;
  for (int i = 0; i < 30; ++i) why += "reason ";
  first.ShowFailure(why);
  QApplication::processEvents();
  ASSERT_TRUE(page.ScrollBoxPB->verticalScrollBar()->isVisible());
  EXPECT_EQ(first.width(), page.ScrollBoxPB->viewport()->width());
  EXPECT_EQ(first.ErrorLabel->width(), first.width() - 61);
  EXPECT_GE(first.ErrorLabel->height(), first.ErrorLabel->heightForWidth(first.width() - 61));
  EXPECT_EQ(first.height(), kPortBoxHeight + first.ErrorLabel->height());
  EXPECT_EQ(TPortBox::PortBoxList[1]->y(), first.y() + first.height() + 1);
}

TEST_F(InterfaceSheetTest, SerialWriteBackRules) {
  auto& port = TComPort::CreateInstance(*rig.ports);
  TPortBox::Select(&BoxOf(port));
  struct Case {
    const char* baudText;
    int dataIndex, parityIndex, stopIndex;
    int32_t baud, dataBits;
    char parity;
    int32_t stopBits;
    const char* shownBaud;
  };
  const Case cases[] = {
      {"9600", 0, 1, 1, 9600, 7, 'E', 2, "9600"},
      {"-19200", 1, 4, 0, 19200, 8, 'S', 0, "19200"},  // made positive, shown so
      {"abc", 1, 3, 0, 19200, 8, 'M', 0, "abc"},       // unreadable: unchanged
      {"1200", -1, -1, -1, 1200, 8, 'M', 0, "1200"},   // no index: unchanged
  };
  for (const Case& c : cases) {
    page.ComboBoxBaudrate->setEditText(c.baudText);
    page.ComboBoxDatenbit->setCurrentIndex(c.dataIndex);
    page.ComboBoxParity->setCurrentIndex(c.parityIndex);
    page.ComboBoxStoppbit->setCurrentIndex(c.stopIndex);
    Done(page.ComboBoxBaudrate);
    EXPECT_EQ(port.BaudRate, c.baud) << c.baudText;
    EXPECT_EQ(port.DataBits, c.dataBits) << c.baudText;
    EXPECT_EQ(port.Parity, c.parity) << c.baudText;
    EXPECT_EQ(port.StopBits, c.stopBits) << c.baudText;
    EXPECT_EQ(page.ComboBoxBaudrate->currentText(), c.shownBaud);
  }
  // Filling the page shows the stored values again, parity by its letter.
  port.Parity = 'O';
  port.DataBits = 7;
  TPortBox::Select(&BoxOf(port));
  EXPECT_EQ(page.ComboBoxParity->currentText(), "Ungerade");
  EXPECT_EQ(page.ComboBoxDatenbit->currentText(), "7");
  EXPECT_EQ(page.ComboBoxBaudrate->currentText(), "1200");

  auto& url = TURLPort::CreateInstance(*rig.ports);
  TPortBox::Select(&BoxOf(url));
  page.ComboBoxTimeout->setEditText("-250");
  Done(page.ComboBoxTimeout);
  EXPECT_EQ(url.Timeout, 250);
  EXPECT_EQ(page.ComboBoxTimeout->currentText(), "250");
}

TEST_F(InterfaceSheetTest, FillingOnePortNeverWritesIntoAnother) {
  auto& a = TUDPPort::CreateInstance(*rig.ports);
  auto& b = TUDPPort::CreateInstance(*rig.ports);
  a.LocalIp = "10.0.0.1";
  a.FilterActive = true;
  a.FilterLow = 100;
  b.LocalIp = "10.0.0.2";
  TPortBox::Select(&BoxOf(a));
  EXPECT_EQ(page.ComboBoxUDPLocalIP->currentText(), "10.0.0.1");
  EXPECT_EQ(page.EditUDPA->text(), "#100");
  TPortBox::Select(&BoxOf(b));
  EXPECT_EQ(page.ComboBoxUDPLocalIP->currentText(), "10.0.0.2");
  EXPECT_EQ(page.EditUDPA->text(), "#50");
  EXPECT_FALSE(page.CheckBoxUDPFilter->isChecked());
  EXPECT_EQ(a.LocalIp, "10.0.0.1");
  EXPECT_TRUE(a.FilterActive.load());
  EXPECT_EQ(a.FilterLow.load(), 100);
  EXPECT_EQ(b.LocalIp, "10.0.0.2");
  EXPECT_FALSE(b.FilterActive.load());
  EXPECT_EQ(b.FilterLow.load(), 50);
}

TEST_F(InterfaceSheetTest, FilterSwitchGrowsThePanelAndShowsTheRange) {
  struct Case {
    std::function<TQXPort&(TPortList&)> create;
    QCheckBox* TInterfaceSheet::*filter;
    QWidget* TInterfaceSheet::*panel;
    int base;
  };
  const Case cases[] = {
      {[](TPortList& l) -> TQXPort& { return TComPort::CreateInstance(l); },
       &TInterfaceSheet::CheckBoxComFilter, &TInterfaceSheet::PanelCOM, 270},
      {[](TPortList& l) -> TQXPort& { return TURLPort::CreateInstance(l); },
       &TInterfaceSheet::CheckBoxURLFilter, &TInterfaceSheet::PanelURL, 270},
      {[](TPortList& l) -> TQXPort& { return TTCPConnection::CreateInstance(l); },
       &TInterfaceSheet::CheckBoxTCPConnFilter, &TInterfaceSheet::TCPConnPanel, 310},
  };
  for (const Case& c : cases) {
    TQXPort& port = c.create(*rig.ports);
    TPortBox& box = BoxOf(port);
    TPortBox::Select(&box);
    QCheckBox* filter = page.*c.filter;
    EXPECT_EQ((page.*c.panel)->height(), c.base);
    filter->click();
    EXPECT_TRUE(port.FilterActive.load());
    EXPECT_EQ((page.*c.panel)->height(), c.base + 74);
    EXPECT_EQ(box.FilterLabel->text(), "50 - 999");
    filter->click();
    EXPECT_FALSE(port.FilterActive.load());
    EXPECT_EQ((page.*c.panel)->height(), c.base);
    EXPECT_TRUE(box.FilterLabel->text().isEmpty());
  }
  // The TCP client's address panel follows its settings panel.
  EXPECT_EQ(page.PanelTCPConnAddresses->height(), page.TCPConnPanel->height());
}

TEST_F(InterfaceSheetTest, RangeEditsBoundTypeAndShowTheNumber) {
  auto& port = TTCPConnection::CreateInstance(*rig.ports);
  TPortBox& box = BoxOf(port);
  TPortBox::Select(&box);
  page.CheckBoxTCPConnFilter->click();
  struct Case {
    QLineEdit* edit;
    const char* typed;
    int32_t low, high;
  };
  const Case cases[] = {{page.EditTCPConnA, "0", 1, 999},
                        {page.EditTCPConnB, "1500", 1, 999},
                        {page.EditTCPConnA, "100", 100, 999},
                        {page.EditTCPConnB, "200", 100, 200}};
  for (const Case& c : cases) {
    page.EditEnter(c.edit);
    c.edit->setText(c.typed);
    page.EditEditingDone(c.edit);
    EXPECT_EQ(port.FilterLow.load(), c.low) << c.typed;
    EXPECT_EQ(port.FilterHigh.load(), c.high) << c.typed;
    EXPECT_FALSE(c.edit->text().startsWith('#')) << "bare number after editing done";
    page.EditExit(c.edit);
    EXPECT_TRUE(c.edit->text().startsWith('#'));
  }
  EXPECT_EQ(box.FilterLabel->text(), "100 - 200");
  EXPECT_EQ(page.EditTCPConnB->text(), "#200");
  page.EditEnter(page.EditTCPConnB);
  EXPECT_EQ(page.EditTCPConnB->text(), "200");

  // Only digits and backspace are typed.
  QLineEdit* e = page.EditTCPConnB;
  e->setCursorPosition(3);
  Key(e, Qt::Key_A, "a");
  Key(e, Qt::Key_Minus, "-");
  EXPECT_EQ(e->text(), "200");
  Key(e, Qt::Key_7, "7");
  EXPECT_EQ(e->text(), "2007");
  Key(e, Qt::Key_Backspace);
  EXPECT_EQ(e->text(), "200");
}

TEST_F(InterfaceSheetTest, EnableBoxDisablesPortBoxAndPanel) {
  auto& port = TUDPPort::CreateInstance(*rig.ports);
  TPortBox& box = BoxOf(port);
  TPortBox::Select(&box);
  page.CheckBoxEnabledUDP->click();
  EXPECT_TRUE(port.Disabled);
  EXPECT_FALSE(box.InfoLabel->isEnabled());
  EXPECT_FALSE(page.ComboBoxUDPLocalIP->isEnabled());
  EXPECT_TRUE(page.CheckBoxEnabledUDP->isEnabled());
  TPortBox::Deselect();
  TPortBox::Select(&box);  // filling the page keeps the state
  EXPECT_FALSE(page.CheckBoxEnabledUDP->isChecked());
  EXPECT_FALSE(page.EditUDPLocalPort->isEnabled());
  page.CheckBoxEnabledUDP->click();
  EXPECT_FALSE(port.Disabled);
  EXPECT_TRUE(box.InfoLabel->isEnabled());
  EXPECT_TRUE(page.EditUDPLocalPort->isEnabled());
}

TEST_F(InterfaceSheetTest, AddressListsFeedTheSettings) {
  page.UpdateAdresses();
  const auto names = TComPort::ListPortNames();
  ASSERT_EQ(page.StringGridPorts->rowCount(), static_cast<int>(names.size()));
  const auto addresses = TUDPPort::ListLocalAddresses();
  for (QTableWidget* g : {page.StringGridUDP, page.StringGridTCPServer, page.StringGridTCPConn})
    ASSERT_EQ(g->rowCount(), static_cast<int>(addresses.size()));

  auto& com = TComPort::CreateInstance(*rig.ports);
  TPortBox::Select(&BoxOf(com));
  const std::string before = com.PortName;
  page.StringGridPortsClick(0, 0);
  EXPECT_EQ(com.PortName, names[0] == "-" ? before : names[0]);

  if (!addresses.empty()) {
    auto& srv = TTCPServer::CreateInstance(*rig.ports);
    TPortBox::Select(&BoxOf(srv));
    page.StringGridIPClick(page.StringGridTCPServer, 0, 0);
    EXPECT_EQ(srv.ListenIp, addresses[0]);
  }
}

TEST_F(InterfaceSheetTest, ConnectionTestShowsLightsAndEditsHideThem) {
  TUdpSocket holder;  // a bound port: the second UDP port cannot open
  std::string err;
  ASSERT_TRUE(holder.Bind("127.0.0.1", "0", err)) << err;
  auto& good = LocalUdp(*rig.ports, "9");
  auto& bad = TUDPPort::CreateInstance(*rig.ports);
  bad.LocalIp = "127.0.0.1";
  bad.LocalPort = std::to_string(holder.LocalPort());
  rig.ports->TestConnection();
  EXPECT_TRUE(BoxOf(good).StatusLight->isVisible());
  EXPECT_EQ(BoxOf(good).StatusLight->BrushColor(), kLightGreen);
  EXPECT_TRUE(BoxOf(bad).StatusLight->isVisible());
  EXPECT_EQ(BoxOf(bad).StatusLight->BrushColor(), kLightRed);
  EXPECT_FALSE(rig.hub.Connected.load());
  TPortBox::Select(&BoxOf(bad));
  Done(page.EditUDPLocalPort);
  EXPECT_FALSE(BoxOf(bad).StatusLight->isVisible());
  EXPECT_TRUE(BoxOf(good).StatusLight->isVisible());
}

// One port opens, the other's address is taken: the run starts, and the
// failed box keeps its red light and reason until the run ends, through the
// start of the run and the page switches that hide the lights.
TEST_F(InterfaceSheetTest, PartlyFailedConnectKeepsTheFailedBoxMarkedForTheRun) {
  TUdpSocket peer, holder;
  std::string err;
  ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
  ASSERT_TRUE(holder.Bind("127.0.0.1", "0", err)) << err;
  auto& good = LocalUdp(*rig.ports, std::to_string(peer.LocalPort()));
  auto& bad = LocalUdp(*rig.ports, "9");
  bad.LocalPort = std::to_string(holder.LocalPort());
  rig.hub.Connect();
  ASSERT_TRUE(rig.hub.Connected.load()) << good.LastErrorText;
  ASSERT_FALSE(bad.Connected.load());
  ASSERT_FALSE(bad.LastErrorText.empty());
  EXPECT_TRUE(rig.loss.ConnLost.load());

  auto failedShown = [&] {
    const TPortBox& box = BoxOf(bad);
    return box.StatusLight->isVisible() && box.StatusLight->BrushColor() == kLightRed &&
           box.ErrorLabel->isVisible() && box.ErrorLabel->text().toStdString() == bad.LastErrorText;
  };
  EXPECT_TRUE(failedShown());
  EXPECT_FALSE(BoxOf(good).StatusLight->isVisible());
  rig.ports->HideAllStatusLights();  // a page switch during the run
  rig.hub.PollTimerTick();
  EXPECT_TRUE(failedShown());
  EXPECT_FALSE(BoxOf(good).StatusLight->isVisible());

  rig.hub.Disconnect();
  EXPECT_TRUE(failedShown()) << "the result stays until the next page switch";
  rig.ports->HideAllStatusLights();
  EXPECT_FALSE(BoxOf(bad).StatusLight->isVisible());
  EXPECT_FALSE(BoxOf(bad).ErrorLabel->isVisible());
}

// A TCP client whose server goes away during a run: its box shows the red
// light and why, as after a failed connect; the run goes on with the other
// port, whose box stays unmarked.
TEST_F(InterfaceSheetTest, LostConnectionMarksItsBoxWithTheReason) {
  struct Case {
    const char* name;
    bool reset;  // the server aborts (RST) instead of closing
    QString why;
  };
  const Case cases[] = {
      {"closed", false, "Verbindung von der Gegenstelle beendet"},
      {"reset", true, "Verbindung verloren: " + QString::fromStdString(ErrnoText(ECONNRESET))},
  };
  for (const Case& c : cases) {
    rig.ports->FreeAll();
    TUdpSocket peer;
    TTcpListener server;
    std::string err;
    ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
    ASSERT_TRUE(server.Listen("127.0.0.1", "0", err)) << err;
    auto& udp = LocalUdp(*rig.ports, std::to_string(peer.LocalPort()));
    auto& tcp = TTCPConnection::CreateInstance(*rig.ports);
    tcp.LocalIp = "127.0.0.1";
    tcp.LocalPort = "0";
    tcp.ClientIp = "127.0.0.1";
    tcp.ClientPort = std::to_string(server.LocalPort());
    rig.hub.Connect();
    ASSERT_TRUE(rig.hub.Connected.load()) << tcp.LastErrorText;
    TTcpSocket accepted;
    ASSERT_EQ(server.Accept(accepted, 20000, nullptr), TIoStatus::Ok);
    if (c.reset)
      accepted.Abort();
    else
      accepted.Close();
    ASSERT_TRUE(TPageRig::ProcessUntil([&] {
      rig.hub.PollTimerTick();
      return !tcp.Connected.load();
    })) << c.name;
    EXPECT_TRUE(rig.hub.Connected.load()) << c.name;
    TPortBox& box = BoxOf(tcp);
    EXPECT_TRUE(box.StatusLight->isVisible()) << c.name;
    EXPECT_EQ(box.StatusLight->BrushColor(), kLightRed) << c.name;
    EXPECT_TRUE(box.ErrorLabel->isVisible()) << c.name;
    EXPECT_EQ(box.ErrorLabel->text().toStdString(), c.why.toStdString()) << c.name;
    EXPECT_GT(box.height(), kPortBoxHeight) << c.name;
    EXPECT_FALSE(BoxOf(udp).ErrorLabel->isVisible()) << c.name;
    EXPECT_FALSE(BoxOf(udp).StatusLight->isVisible()) << c.name;
    rig.hub.Disconnect();
  }
}

TEST_F(InterfaceSheetTest, WhileConnectedBoxesOnlyHighlightAndStay) {
  TUdpSocket peer;
  std::string err;
  ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
  auto& port = LocalUdp(*rig.ports, std::to_string(peer.LocalPort()));
  rig.hub.Connect();
  ASSERT_TRUE(rig.hub.Connected.load()) << port.LastErrorText;
  TPortBox& box = BoxOf(port);
  TPortBox::Select(&box);
  EXPECT_EQ(TPortBox::HighlightedBox, &box);
  EXPECT_EQ(TPortBox::SelectedBox, nullptr);
  EXPECT_FALSE(page.NotebookPorts->isVisible());
  TPortBox::DeleteSelected();
  Key(&box, Qt::Key_Delete);  // the posted deletion is refused as well
  QApplication::processEvents();
  EXPECT_EQ(rig.ports->Count(), 1);
  rig.hub.Disconnect();
  Key(&box, Qt::Key_Delete);
  EXPECT_EQ(rig.ports->Count(), 1) << "not freed inside its own key handler";
  ASSERT_TRUE(TPageRig::ProcessUntil([&] { return rig.ports->Count() == 0; }));
}

TEST_F(InterfaceSheetTest, FreeingAllPortsForgetsBothBoxReferences) {
  auto& a = TComPort::CreateInstance(*rig.ports);
  TPortBox::Select(&BoxOf(a));
  ASSERT_NE(TPortBox::HighlightedBox, nullptr);
  ASSERT_NE(TPortBox::SelectedBox, nullptr);
  // Without the page's hooks: the boxes' own destruction forgets them.
  rig.ports->OnBeforeFreeAll = nullptr;
  rig.ports->FreeAll();
  EXPECT_EQ(TPortBox::HighlightedBox, nullptr);
  EXPECT_EQ(TPortBox::SelectedBox, nullptr);
  EXPECT_FALSE(page.NotebookPorts->isVisible());
  TPortBox::DeleteSelected();  // nothing left to delete
  TPortBox::Deselect();
  page.ComboBoxPortEditingDone();  // no port to write into
  TComPort::CreateInstance(*rig.ports);
  EXPECT_EQ(TPortBox::PortBoxList.size(), 1u);
  EXPECT_EQ(TPortBox::PortBoxList[0]->y(), 1);
}

TEST_F(InterfaceSheetTest, PageGoingFirstLeavesNothingToDeleteTwice) {
  // The page may go first (window closed before the ports are freed): the
  // port's link then finds no widget to delete.
  auto page2 = std::make_unique<QWidget>();
  auto& port = TUDPPort::CreateInstance(*rig.ports);
  BoxOf(port).setParent(page2.get());
  page2.reset();
  EXPECT_TRUE(TPortBox::PortBoxList.empty());
  port.ShowStatusLight(true);
  port.SetDisabled(true);
  EXPECT_TRUE(rig.ports->Remove(port));
}

}  // namespace
}  // namespace qx
