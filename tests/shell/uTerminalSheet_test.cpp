// Terminal page: a real UDP loopback port as the terminal port, its bytes,
// packet and close marks, the received frames with their Used flag, the sent
// frames, the 51-row grids and the choice of the terminal port.
#include "shell/uTerminalSheet.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "channels/uSocketIO.h"
#include "channels/uUDPPort.h"
#include "shell/PageRig.h"

namespace qx {
namespace {

using test::TPageRig;

class TerminalSheetTest : public ::testing::Test {
 protected:
  TerminalSheetTest() { term.SettleTime = std::chrono::milliseconds(0); }

  TUDPPort& LoopbackPort(uint16_t peerPort) {
    TUDPPort& p = TUDPPort::CreateInstance(*rig.ports);
    p.LocalIp = "127.0.0.1";
    p.LocalPort = "0";
    p.ClientIp = "127.0.0.1";
    p.ClientPort = std::to_string(peerPort);
    return p;
  }
  // The page's cells as (kind, code) pairs.
  std::vector<std::pair<int32_t, int>> Cells() const {
    std::vector<std::pair<int32_t, int>> out;
    for (int32_t i = 0; i < box.Count(); ++i) out.emplace_back(box.Cell(i).Kind, box.Cell(i).Code);
    return out;
  }
  std::vector<QString> Column(QTableWidget* g, int col) const {
    std::vector<QString> out;
    for (int r = 0; r < g->rowCount(); ++r) out.push_back(g->item(r, col)->text());
    return out;
  }

  TPageRig rig;
  TTerm& term = *rig.term;
  TTermBox& box = *rig.termSheet->TermBox;
};

TEST_F(TerminalSheetTest, LoopbackTrafficReachesThePage) {
  TUdpSocket peer;
  std::string err;
  ASSERT_TRUE(peer.Bind("127.0.0.1", "0", err)) << err;
  TUDPPort& port = LoopbackPort(peer.LocalPort());
  fakes::FakeElement reader(1);
  rig.hub.AddReader(1, &reader);

  rig.checkBox1->setChecked(true);
  term.FillPortList();
  ASSERT_EQ(rig.portChoice->count(), 1);
  EXPECT_EQ(rig.portChoice->itemText(0).toStdString(), "1: " + port.GetInfo());
  EXPECT_TRUE(port.IsTerminalPort.load());
  EXPECT_TRUE(term.PageActive());
  EXPECT_EQ(rig.statusFrame->PenColor(), 0x00FFFFu);  // active, not connected

  rig.hub.Connect();
  ASSERT_TRUE(rig.hub.Connected.load()) << port.LastErrorText;
  EXPECT_EQ(rig.statusFrame->PenColor(), 0x00FF00u);
  TSockAddr to{};
  ASSERT_TRUE(
      ResolveAddress("127.0.0.1", std::to_string(port.BoundPort()), SOCK_DGRAM, false, to, err))
      << err;
  ASSERT_EQ(peer.SendTo(to, std::string("A\t\xFF#1F2;", 8)), TIoStatus::Ok);
  ASSERT_TRUE(TPageRig::ProcessUntil([&] {
    rig.hub.PollTimerTick();
    return rig.termSheet->CommandRecvList->rowCount() == 1 && box.Count() == 9;
  }));
  ASSERT_EQ(peer.SendTo(to, "#7F1;"), TIoStatus::Ok);
  ASSERT_TRUE(TPageRig::ProcessUntil([&] {
    rig.hub.PollTimerTick();
    return rig.termSheet->CommandRecvList->rowCount() == 2;
  }));
  EXPECT_TRUE(rig.hub.SendFrame(1, "#1F3;"));
  ASSERT_TRUE(TPageRig::ProcessUntil([&] {
    rig.hub.PollTimerTick();
    return rig.termSheet->CommandSendList->rowCount() == 1;
  }));
  rig.hub.Disconnect();  // the receive thread ends: a close mark
  rig.hub.PollTimerTick();

  using C = std::pair<int32_t, int>;
  std::vector<C> want = {
      {TermCharPlain, 'A'}, {TermCharSymbol, 9},  {TermCharPlain, 255},
      {TermCharPlain, '#'}, {TermCharPlain, '1'}, {TermCharPlain, 'F'},
      {TermCharPlain, '2'}, {TermCharPlain, ';'}, {TermCharMarker, TermMarkPacketEnd}};
  for (char c : std::string("#7F1;")) want.emplace_back(TermCharPlain, c);
  want.emplace_back(TermCharMarker, TermMarkPacketEnd);
  want.emplace_back(TermCharMarker, TermMarkClose);
  EXPECT_EQ(Cells(), want);
  EXPECT_EQ(box.Cell(1).Symbol, u'\u2409');
  EXPECT_EQ(Column(rig.termSheet->CommandRecvList, 0),
            (std::vector<QString>{"1 | '#1F2;'", "2 | '#7F1;'"}));
  EXPECT_EQ(Column(rig.termSheet->CommandRecvList, 1), (std::vector<QString>{"x", ""}));
  EXPECT_EQ(Column(rig.termSheet->CommandSendList, 0), (std::vector<QString>{"1 | '#1F3;'"}));
  EXPECT_EQ(rig.statusFrame->PenColor(), 0x00FFFFu);
}

TEST_F(TerminalSheetTest, GridsKeepTheNewest51RowsAndCountOn) {
  rig.checkBox1->setChecked(true);
  term.SelectPort();
  for (int i = 1; i <= 52; ++i) term.AddRecvCommand("'#" + std::to_string(i) + "S;'", i % 2 == 0);
  term.AddRecvCommand("", true);  // skipped
  for (int i = 1; i <= 60; ++i) term.AddSendCommand("'s" + std::to_string(i) + "'");
  term.Flush();
  QTableWidget* recv = rig.termSheet->CommandRecvList;
  QTableWidget* sent = rig.termSheet->CommandSendList;
  ASSERT_EQ(recv->rowCount(), kTermGridRows);
  EXPECT_EQ(recv->item(0, 0)->text(), "2 | '#2S;'");
  EXPECT_EQ(recv->item(0, 1)->text(), "x");
  EXPECT_EQ(recv->item(50, 0)->text(), "52 | '#52S;'");
  EXPECT_EQ(recv->item(49, 1)->text(), "");
  ASSERT_EQ(sent->rowCount(), kTermGridRows);
  EXPECT_EQ(sent->item(0, 0)->text(), "10 | 's10'");
  EXPECT_EQ(sent->item(50, 0)->text(), "60 | 's60'");
  EXPECT_EQ(term.RecvCount, 52);
  term.Clear();
  EXPECT_EQ(recv->rowCount(), 0);
  EXPECT_EQ(sent->rowCount(), 0);
  term.AddRecvCommand("'#1F1;'", false);
  term.Flush();
  EXPECT_EQ(recv->item(0, 0)->text(), "1 | '#1F1;'");
}

TEST_F(TerminalSheetTest, BytesAndMarksAreShownByTheirRules) {
  rig.checkBox1->setChecked(true);
  term.SelectPort();
  const uint8_t bytes[] = {0, 31, 32, 126, 127, 128, 0xFF, 0xFF};
  term.AddBytes(bytes);
  term.AddPacketMark();
  term.AddCloseMark();
  term.Flush();
  using C = std::pair<int32_t, int>;
  EXPECT_EQ(Cells(), (std::vector<C>{{TermCharSymbol, 0},
                                     {TermCharSymbol, 31},
                                     {TermCharPlain, 32},
                                     {TermCharPlain, 126},
                                     {TermCharSymbol, 127},
                                     {TermCharPlain, 128},
                                     {TermCharPlain, 255},
                                     {TermCharPlain, 255},
                                     {TermCharMarker, TermMarkPacketEnd},
                                     {TermCharMarker, TermMarkClose}}));
  EXPECT_EQ(box.Cell(0).Symbol, u'\u2400');
  EXPECT_EQ(box.Cell(1).Symbol, u'\u241F');
  EXPECT_EQ(box.Cell(4).Symbol, u'\u2421');

  // A full buffer drops whole pairs and lights the receive-loss flag.
  std::vector<uint8_t> flood(2000, 0xFF);
  term.AddBytes(flood);
  EXPECT_TRUE(rig.loss.RecvLoss.load());
  const int32_t before = box.Count();
  term.Flush();
  EXPECT_EQ(box.Count() - before, 499);  // 998 places, 2 per byte
  for (int32_t i = before; i < box.Count(); ++i) EXPECT_EQ(box.Cell(i).Kind, TermCharPlain);
}

TEST_F(TerminalSheetTest, PortChoiceAndSwitchingOff) {
  TUDPPort& a = LoopbackPort(9);
  TUDPPort& b = LoopbackPort(9);
  rig.checkBox1->setChecked(true);
  term.FillPortList();
  EXPECT_TRUE(a.IsTerminalPort.load());
  term.AddRecvCommand("'#1F1;'", true);
  term.Flush();
  ASSERT_EQ(rig.termSheet->CommandRecvList->rowCount(), 1);

  rig.portChoice->setCurrentIndex(1);
  term.PortChoiceChanged();
  EXPECT_EQ(term.PortIndex, 1);
  EXPECT_FALSE(a.IsTerminalPort.load());
  EXPECT_TRUE(b.IsTerminalPort.load());
  EXPECT_EQ(rig.termSheet->CommandRecvList->rowCount(), 0) << "the page is cleared";

  // A choice beyond the last port falls back to the first.
  rig.ports->Remove(b);
  term.FillPortList();
  EXPECT_EQ(term.PortIndex, 0);
  EXPECT_TRUE(a.IsTerminalPort.load());

  rig.checkBox1->setChecked(false);
  term.SelectPort();
  EXPECT_FALSE(a.IsTerminalPort.load());
  EXPECT_FALSE(term.PageActive());
  EXPECT_EQ(rig.statusFrame->PenColor(), 0xB4B4B4u);
  a.DeliverPacket("#1F1;");
  EXPECT_EQ(term.CharBuffer.CountA() + term.CharBuffer.CountB(), 0);
  EXPECT_EQ(term.RecvBuffer.CountA() + term.RecvBuffer.CountB(), 0);
}

// Ports deleted and added while another page is shown: the choice stays
// with its port wherever it moves; once that port is gone the choice falls
// back to the first port and the old traffic is cleared, so nothing stands
// under another port's name.
TEST_F(TerminalSheetTest, ChoiceFollowsThePortNotItsPosition) {
  TUDPPort& a = LoopbackPort(9);
  TUDPPort& b = LoopbackPort(9);
  TUDPPort& chosen = LoopbackPort(9);
  rig.checkBox1->setChecked(true);
  term.FillPortList();
  rig.portChoice->setCurrentIndex(2);
  term.PortChoiceChanged();
  ASSERT_TRUE(chosen.IsTerminalPort.load());
  const uint8_t bytes[] = {'o', 'l', 'd'};
  term.AddBytes(bytes);
  term.AddRecvCommand("'#1F1;'", true);
  term.Flush();
  ASSERT_EQ(box.Count(), 3);

  rig.ports->Remove(a);
  rig.ports->Remove(b);
  TUDPPort& c = LoopbackPort(9);
  TUDPPort& d = LoopbackPort(9);  // now at the chosen port's old position
  term.FillPortList();
  EXPECT_EQ(term.PortIndex, 0);
  EXPECT_EQ(rig.portChoice->currentIndex(), 0);
  EXPECT_EQ(rig.portChoice->currentText().toStdString(), "1: " + chosen.GetInfo());
  EXPECT_TRUE(chosen.IsTerminalPort.load());
  EXPECT_FALSE(d.IsTerminalPort.load());
  EXPECT_EQ(box.Count(), 3) << "the same port's traffic stays";
  EXPECT_EQ(rig.termSheet->CommandRecvList->rowCount(), 1);

  // The chosen port deleted: even a new port at its position is not it.
  rig.ports->Remove(chosen);
  TUDPPort& e = LoopbackPort(9);
  ASSERT_EQ(rig.ports->At(0), &c);
  term.FillPortList();
  EXPECT_EQ(term.PortIndex, 0);
  EXPECT_TRUE(c.IsTerminalPort.load());
  EXPECT_FALSE(d.IsTerminalPort.load() || e.IsTerminalPort.load());
  EXPECT_EQ(box.Count(), 0);
  EXPECT_EQ(rig.termSheet->CommandRecvList->rowCount(), 0);
  term.FillPortList();  // the new choice is kept from now on
  term.AddRecvCommand("'#2F1;'", true);
  term.Flush();
  term.FillPortList();
  EXPECT_EQ(rig.termSheet->CommandRecvList->rowCount(), 1);

  // The first port itself replaced at position 0.
  rig.ports->Remove(c);
  rig.ports->Remove(d);
  rig.ports->Remove(e);
  TUDPPort& f = LoopbackPort(9);
  term.FillPortList();
  EXPECT_TRUE(f.IsTerminalPort.load());
  EXPECT_EQ(rig.termSheet->CommandRecvList->rowCount(), 0);
}

TEST_F(TerminalSheetTest, PausedControllerIgnoresProducers) {
  term.Paused = true;
  const uint8_t bytes[] = {'x'};
  term.AddBytes(bytes);
  term.AddPacketMark();
  term.AddRecvCommand("'#1F1;'", true);
  term.AddSendCommand("'#1F1;'");
  EXPECT_FALSE(term.NewData.load());
  term.Paused = false;
  term.Flush();
  EXPECT_EQ(box.Count(), 0);
}

}  // namespace
}  // namespace qx
