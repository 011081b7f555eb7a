#include "channels/uURLPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/support/LocalHttpServer.h"
#include "channels/support/PortHarness.h"

namespace qx {
namespace {

using Mode = test::TLocalHttpServer::TMode;
using test::THarness;
using test::WaitUntil;

class URLPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    port.Url = "  " + server.Url() + " ";  // blanks around are ignored
    h.Record(port);
  }
  std::vector<std::string> PostBodies() const {
    std::vector<std::string> out;
    for (const auto& r : server.Requests())
      if (r.Method == "POST") out.push_back(r.Body);
    return out;
  }
  test::TLocalHttpServer server;
  THarness h;
  TURLPort& port = TURLPort::CreateInstance(h.ports);
};

TEST_F(URLPortTest, FramesArePostedInOrderAndAnswersAreDelivered) {
  server.SetResponder([](const std::string& body) { return body == "#2F2;" ? "#7F1;" : ""; });
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  ASSERT_EQ(server.RequestCount(), 1u);
  EXPECT_EQ(server.Requests()[0].Method, "GET");
  EXPECT_EQ(server.Requests()[0].Authorization, "");  // no credentials set

  for (const char* f : {"#1F1;", "#2F2;", "#3SDrei;"}) h.hub.SendFrame(1, f);
  ASSERT_TRUE(WaitUntil([&] { return PostBodies().size() == 3; }));
  EXPECT_EQ(PostBodies(), (std::vector<std::string>{"#1F1;", "#2F2;", "#3SDrei;"}));
  ASSERT_TRUE(WaitUntil([&] { return h.hub.ChannelValue(7) == 1.0; }));
  EXPECT_EQ(h.term.Received(), std::vector<std::string>{"#7F1;"});
  h.hub.Disconnect();
  EXPECT_EQ(h.term.CloseMarks(), 1u);
}

TEST_F(URLPortTest, CredentialsAreSentOnlyWhenSet) {
  port.UserName = "anna";
  port.Password = "geheim";
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  h.hub.SendFrame(1, "#1F1;");
  ASSERT_TRUE(WaitUntil([&] { return server.RequestCount() == 2; }));
  for (const auto& r : server.Requests()) EXPECT_EQ(r.Authorization, "Basic YW5uYTpnZWhlaW0=");
}

TEST_F(URLPortTest, AnswerIsCutAt256Bytes) {
  // The frame starting at byte 250 needs more than 256 bytes: it is lost.
  std::string answer = "#1F1;";
  answer.append(245, ' ');
  answer += "#2F22222;";
  answer.append(40, ' ');
  ASSERT_EQ(answer.find("#2F"), 250u);
  server.SetResponse(answer);
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  h.hub.SendFrame(1, "#9F9;");
  h.hub.SendFrame(1, "#9F8;");
  ASSERT_TRUE(WaitUntil([&] { return h.term.ReceivedCount() == 2; }));
  EXPECT_EQ(h.term.Received(), (std::vector<std::string>{"#1F1;", "#1F1;"}));
  EXPECT_EQ(h.hub.ChannelValue(2), 0.0);
}

TEST_F(URLPortTest, SlowOrBrokenAnswersLoseTheFrameButThePortGoesOn) {
  server.SetResponse("#4F4;");
  port.Timeout = 100;
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;

  struct Case {
    Mode mode;
    const char* frame;
  } cases[] = {{Mode::Slow, "#1F1;"}, {Mode::CloseMidRequest, "#1F2;"}};
  server.SetDelayMs(5000);
  for (const Case& c : cases) {
    server.SetMode(c.mode);
    const size_t before = server.HeadsRead();
    h.hub.SendFrame(1, c.frame);
    ASSERT_TRUE(WaitUntil([&] { return server.HeadsRead() > before; }));
  }
  server.SetMode(Mode::Answer);
  ASSERT_TRUE(WaitUntil([&] {
    h.hub.SendFrame(1, "#1F3;");
    return h.hub.ChannelValue(4) == 4.0;
  }));
  EXPECT_TRUE(port.Connected.load());
  EXPECT_FALSE(port.IsLost());
}

TEST_F(URLPortTest, DisconnectAbortsARequestThatIsNeverAnswered) {
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  server.SetMode(Mode::Never);
  h.hub.SendFrame(1, "#1F1;");
  ASSERT_TRUE(WaitUntil([&] { return server.RequestCount() == 2; }));
  // The default time-out is a minute; Disconnect must not wait for it.
  h.hub.Disconnect();
  EXPECT_FALSE(port.Connected.load());
}

TEST_F(URLPortTest, FullQueueDropsFramesAndLightsSendLoss) {
  h.hub.Connect();
  ASSERT_TRUE(h.hub.Connected.load()) << port.LastErrorText;
  server.SetMode(Mode::Never);
  port.Send("#1F1;");
  ASSERT_TRUE(WaitUntil([&] { return server.RequestCount() == 2; }));
  for (int i = 0; i < 150; ++i) port.Send("#1F2;");  // this thread plays the transmit thread
  EXPECT_TRUE(h.LossSeen(TLossKind::SendLoss));
  h.hub.Disconnect();
}

TEST_F(URLPortTest, OpeningFailures) {
  struct Case {
    const char* what;
    std::string url;
    Mode mode;
    uint32_t light;
  };
  const Case cases[] = {
      {"blanks only", "   ", Mode::Answer, 0},  // the light is left as it was
      {"closed mid-request", server.Url(), Mode::CloseMidRequest, kLightRed},
      {"no answer", server.Url(), Mode::Never, kLightRed},
      {"other protocol", "ftp://127.0.0.1:1/", Mode::Answer, kLightRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h.loss.Reset();
    server.SetMode(c.mode);
    port.Url = c.url;
    port.HideStatusLight();
    h.hub.Connect();
    EXPECT_FALSE(h.hub.Connected.load());
    EXPECT_FALSE(port.Connected.load());
    EXPECT_EQ(THarness::Light(port), c.light);
    EXPECT_TRUE(h.LossSeen(TLossKind::ConnLost));
    EXPECT_FALSE(port.LastErrorText.empty());
  }
}

TEST(URLPort, DefaultsAndKeySet) {
  test::TKeySetRig<TURLPort> rig;
  TURLPort& port = rig.port;
  EXPECT_EQ(port.KeySet, rig.sets.Find("QXURLPORT"));
  port.Url = "http://127.0.0.1/x";
  EXPECT_EQ(port.GetInfo(), "URL http://127.0.0.1/x");
  port.Url.clear();
  EXPECT_EQ(rig.SavedText(),
            "QXURLPORT\r\ndisabled false\r\nurl \"\"\r\ntimeout 60000\r\nusername \"\"\r\n"
            "passwort \"\"\r\nfilterActive false\r\nfilterBounds x=50 y=999\r\n");
  port.Timeout = 0;
  EXPECT_EQ(port.PostTimeoutMs(), 1);
  port.Disconnect();  // never opened
  EXPECT_FALSE(port.IsLost());
}

}  // namespace
}  // namespace qx
