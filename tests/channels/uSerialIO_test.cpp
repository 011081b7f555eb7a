#include "channels/uSerialIO.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "channels/support/PtyPair.h"

namespace qx {
namespace {

// Reads until want bytes arrived or the generous deadline passed.
std::string ReadSome(TSerialDevice& d, size_t want) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  char buf[256];
  while (out.size() < want && std::chrono::steady_clock::now() < deadline) {
    size_t got = 0;
    if (d.Read(buf, sizeof buf, got, 100) == TSerialStatus::Ok) out.append(buf, got);
  }
  return out;
}

class SerialIO : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(pty.Start(err)) << err;
  }
  test::TPtyPair pty;
};

TEST_F(SerialIO, BytesFlowBothWays) {
  TSerialDevice a, b;
  ASSERT_TRUE(a.Open(pty.A(), {})) << a.LastErrorText();
  ASSERT_TRUE(b.Open(pty.B(), {})) << b.LastErrorText();
  ASSERT_EQ(a.Write("#1F2;", 5000), TSerialStatus::Ok);
  EXPECT_EQ(ReadSome(b, 5), "#1F2;");
  ASSERT_EQ(b.Write("#3SHallo;", 5000), TSerialStatus::Ok);
  EXPECT_EQ(ReadSome(a, 9), "#3SHallo;");
}

TEST_F(SerialIO, SecondOpenOfTheSameDeviceFails) {
  TSerialDevice a, again;
  ASSERT_TRUE(a.Open(pty.A(), {})) << a.LastErrorText();
  EXPECT_FALSE(again.Open(pty.A(), {}));
  EXPECT_FALSE(again.IsOpen());
  EXPECT_NE(again.LastErrorText().find("belegt"), std::string::npos) << again.LastErrorText();
  a.Close();
  EXPECT_TRUE(again.Open(pty.A(), {})) << again.LastErrorText();
}

TEST_F(SerialIO, SettingsAreCheckedBeforeOpening) {
  struct Case {
    TSerialSettings s;
    bool opens;
    const char* why;
  };
  const Case cases[] = {
      {{115200, 8, 'N', 0}, true, ""},
      {{9600, 7, 'E', 2}, true, ""},
      {{19200, 8, 'o', 0}, true, ""},
      {{57600, 8, 'M', 0}, true, ""},
      {{57600, 8, 'S', 2}, true, ""},
      {{115200, 5, 'N', 0}, true, ""},
      {{115200, 8, 'N', 1}, false, "1,5 Stoppbits"},
      {{115200, 8, 'N', 3}, false, "Stoppbit-Code 3"},
      {{115200, 9, 'N', 0}, false, "9 Datenbits"},
      {{115200, 8, 'X', 0}, false, "Parität 'X'"},
      {{0, 8, 'N', 0}, false, "Baudrate"},
      {{-9600, 8, 'N', 0}, false, "Baudrate"},
  };
  for (const auto& c : cases) {
    TSerialDevice d;
    EXPECT_EQ(d.Open(pty.A(), c.s), c.opens) << c.s.BaudRate << " " << c.s.Parity;
    EXPECT_EQ(d.IsOpen(), c.opens);
    if (!c.opens) {
      EXPECT_NE(d.LastErrorText().find(c.why), std::string::npos) << d.LastErrorText();
    }
  }
  TSerialDevice d;
  EXPECT_FALSE(d.Open(pty.A() + "-missing", {}));
  EXPECT_FALSE(d.Open("", {}));
}

TEST_F(SerialIO, AnyRateIsSetAndReadBack) {
  // Table rates and the odd ones older projects use, up to the 32-bit limit.
  for (int rate :
       {9600, 115200, 4000000, 14400, 56000, 128000, 250000, 256000, 12345, 1, 2147483647}) {
    TSerialDevice d;
    TSerialSettings s;
    s.BaudRate = rate;
    ASSERT_TRUE(d.Open(pty.A(), s)) << rate << ": " << d.LastErrorText();
    EXPECT_EQ(d.LineRate(), static_cast<uint32_t>(rate));
  }
  // The other settings hold at such a rate, and bytes flow.
  TSerialDevice a, b;
  ASSERT_TRUE(a.Open(pty.A(), {250000, 7, 'E', 2})) << a.LastErrorText();
  ASSERT_TRUE(b.Open(pty.B(), {})) << b.LastErrorText();
  EXPECT_EQ(a.LineRate(), 250000u);
  ASSERT_EQ(a.Write("#1F2;", 5000), TSerialStatus::Ok);
  EXPECT_EQ(ReadSome(b, 5), "#1F2;");
  EXPECT_EQ(TSerialDevice().LineRate(), 0u);
}

TEST_F(SerialIO, TimeoutWakeAndVanishedDevice) {
  TSerialDevice a;
  ASSERT_TRUE(a.Open(pty.A(), {})) << a.LastErrorText();
  char buf[16];
  size_t got = 0;
  EXPECT_EQ(a.Read(buf, sizeof buf, got, 10), TSerialStatus::Timeout);
  TWakeEvent wake;
  wake.Wake();
  EXPECT_EQ(a.Read(buf, sizeof buf, got, 600000, &wake), TSerialStatus::Woken);
  pty.Stop();
  TSerialStatus st = TSerialStatus::Timeout;
  for (int i = 0; i < 200 && st == TSerialStatus::Timeout; ++i)
    st = a.Read(buf, sizeof buf, got, 100);
  EXPECT_EQ(st, TSerialStatus::Gone);
  EXPECT_TRUE(IsDeviceGoneErrno(a.LastError())) << a.LastError();
}

TEST(SerialDevices, ListingIsBounded) {
  EXPECT_LE(ListSerialDevices(100).size(), 100u);
  EXPECT_TRUE(ListSerialDevices(0).empty());
  TSerialDevice closed;
  char c;
  size_t got = 0;
  EXPECT_EQ(closed.Read(&c, 1, got, 1), TSerialStatus::Gone);
  EXPECT_EQ(closed.Write("x", 1), TSerialStatus::Gone);
}

}  // namespace
}  // namespace qx
