#include "channels/uComPort.h"

#include <gtest/gtest.h>

#include <string>

#include "channels/support/PortHarness.h"
#include "channels/support/PtyPair.h"

namespace qx {
namespace {

using test::THarness;
using test::WaitUntil;

// Reads from the far end of the line until want bytes arrived.
std::string ReadFar(TSerialDevice& d, size_t want) {
  std::string out;
  WaitUntil([&] {
    char buf[256];
    size_t got = 0;
    if (d.Read(buf, sizeof buf, got, 50) == TSerialStatus::Ok) out.append(buf, got);
    return out.size() >= want;
  });
  return out;
}

class ComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(pty.Start(err)) << err;
  }
  TComPort& AddPort(const std::string& device) {
    TComPort& p = TComPort::CreateInstance(h.ports);
    p.PortName = device;
    h.Record(p);
    return p;
  }
  test::TPtyPair pty;
  THarness h;
};

TEST_F(ComPortTest, FramesTravelBothWaysAndSpanReads) {
  TComPort& port = AddPort(pty.A());
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  TSerialDevice far;
  ASSERT_TRUE(far.Open(pty.B(), {})) << far.LastErrorText();

  ASSERT_EQ(far.Write("x#1F2;y/#2SHi;#3F", 5000), TSerialStatus::Ok);
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 2; }));
  ASSERT_EQ(far.Write("4;", 5000), TSerialStatus::Ok);  // the rest of #3F4;
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() >= 3; }));
  EXPECT_EQ(h.term.Received(), (std::vector<std::string>{"#1F2;", "#2SHi;", "#3F4;"}));
  EXPECT_EQ(h.hub.ChannelValue(1), 2.0);
  EXPECT_EQ(h.hub.ChannelValue(3), 4.0);

  EXPECT_TRUE(h.hub.SendFrame(5, "#5F1,5;"));
  EXPECT_EQ(ReadFar(far, 7), "#5F1,5;");
  h.hub.Disconnect();
  EXPECT_FALSE(port.Connected.load());
  EXPECT_EQ(h.term.CloseMarks(), 1u);
}

TEST_F(ComPortTest, VanishedDeviceIsLostAndEndsTheRun) {
  TComPort& port = AddPort(pty.A());
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  EXPECT_FALSE(port.IsLost());
  pty.Stop();  // like pulling the adapter
  ASSERT_TRUE(h.PollUntil([&] { return !h.hub.Connected.load(); }));
  EXPECT_FALSE(port.Connected.load());
  EXPECT_TRUE(h.LossSeen(TLossKind::ConnLost));
}

TEST_F(ComPortTest, SecondPortOnTheSameDeviceFailsButTheRunStarts) {
  TComPort& first = AddPort(pty.A());
  TComPort& second = AddPort(pty.A());
  h.hub.Connect();
  EXPECT_TRUE(h.hub.Connected.load());
  EXPECT_TRUE(first.Connected.load());
  EXPECT_FALSE(second.Connected.load());
  EXPECT_NE(second.LastErrorText.find("belegt"), std::string::npos) << second.LastErrorText;
  EXPECT_TRUE(h.LossSeen(TLossKind::ConnLost));
  h.hub.Disconnect();
  h.ports.TestConnection();  // the lights stay to show the result
  EXPECT_EQ(THarness::Light(first), kLightGreen);
  EXPECT_EQ(THarness::Light(second), kLightRed);
}

TEST_F(ComPortTest, RefusedSettingsKeepThePortClosed) {
  TComPort& port = AddPort(pty.A());
  port.StopBits = 1;  // 1.5 stop bits: Linux cannot set them
  h.hub.Connect();
  EXPECT_FALSE(h.hub.Connected.load());
  EXPECT_FALSE(port.Connected.load());
  EXPECT_EQ(THarness::Light(port), kLightRed);
  EXPECT_NE(port.LastErrorText.find("1,5 Stoppbits"), std::string::npos) << port.LastErrorText;
  port.StopBits = 2;
  port.Parity = 'M';
  port.BaudRate = 0;
  h.hub.Connect();
  EXPECT_FALSE(h.hub.Connected.load());
  EXPECT_NE(port.LastErrorText.find("Baudrate 0"), std::string::npos) << port.LastErrorText;
  port.BaudRate = 250000;  // outside the termios table
  h.hub.Connect();
  EXPECT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  EXPECT_EQ(port.Thread->Serial.LineRate(), 250000u);
}

TEST(ComPort, ReadRuleNeverSpinsAndReportsPersistentErrors) {
  int failures = 0;
  EXPECT_EQ(TComThread::NextAction(TSerialStatus::Timeout, failures), TReadAction::Retry);
  EXPECT_EQ(TComThread::NextAction(TSerialStatus::Woken, failures), TReadAction::End);
  EXPECT_EQ(TComThread::NextAction(TSerialStatus::Gone, failures), TReadAction::Lost);
  for (int i = 1; i < TComThread::kErrorsUntilLost; ++i)
    EXPECT_EQ(TComThread::NextAction(TSerialStatus::Error, failures), TReadAction::Pause);
  EXPECT_EQ(TComThread::NextAction(TSerialStatus::Ok, failures), TReadAction::Deliver);
  EXPECT_EQ(failures, 0);  // a good read ends the streak
  for (int i = 1; i < TComThread::kErrorsUntilLost; ++i)
    TComThread::NextAction(TSerialStatus::Error, failures);
  EXPECT_EQ(TComThread::NextAction(TSerialStatus::Error, failures), TReadAction::Lost);
  // Rare errors between quiet reads never add up to a lost port.
  failures = 0;
  for (int i = 0; i < 3 * TComThread::kErrorsUntilLost; ++i) {
    EXPECT_EQ(TComThread::NextAction(TSerialStatus::Error, failures), TReadAction::Pause);
    EXPECT_EQ(TComThread::NextAction(TSerialStatus::Timeout, failures), TReadAction::Retry);
  }
}

TEST(ComPort, DefaultsKeySetAndNeverOpenedPort) {
  test::TKeySetRig<TComPort> rig;
  TComPort& port = rig.port;
  EXPECT_EQ(port.GetInfo(), "/dev/ttyUSB0 | 115200");
  EXPECT_EQ(port.KeySet, rig.sets.Find("QXCOMPORT"));
  port.Disconnect();  // never opened: nothing happens
  EXPECT_FALSE(port.IsLost());

  EXPECT_EQ(rig.SavedText(),
            "QXCOMPORT\r\ndisabled false\r\nport \"/dev/ttyUSB0\"\r\nbaudrate 115200\r\n"
            "databit 8\r\nparity \"N\"\r\nstopbit 0\r\nfilterActive false\r\n"
            "filterBounds x=50 y=999\r\n");

  TTextLines in(
      "QXCOMPORT\r\nport \"/dev/ttyS1\"\r\nbaudrate 9600\r\nparity \"\"\r\n"
      "stopbit 2\r\nfilterActive true\r\nfilterBounds x=100 y=200\r\n");
  std::string_view line;
  ASSERT_TRUE(in.ReadLine(line));
  auto* loaded = dynamic_cast<TComPort*>(rig.sets.Find("QXCOMPORT")->LoadSet(in));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(rig.ports.Count(), 2);
  EXPECT_EQ(loaded->GetInfo(), "/dev/ttyS1 | 9600");
  EXPECT_EQ(loaded->Parity, 'N');  // empty text keeps the parity
  EXPECT_EQ(loaded->StopBits, 2);
  EXPECT_TRUE(loaded->Accepts(150));
  EXPECT_FALSE(loaded->Accepts(60));

  const auto names = TComPort::ListPortNames();
  ASSERT_FALSE(names.empty());
  EXPECT_LE(names.size(), 100u);
}

}  // namespace
}  // namespace qx
