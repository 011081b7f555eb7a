#include "channels/uHttpClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "channels/support/LocalHttpServer.h"

namespace qx {
namespace {

using Mode = test::TLocalHttpServer::TMode;

class HttpClient : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()); }
  test::TLocalHttpServer server;
  THttpClient http;
};

TEST_F(HttpClient, GetAndPostCarryTheBodyAndReadTheAnswer) {
  server.SetResponder([](const std::string& body) { return "echo " + body; });
  const THttpResult g = http.Get(server.Url(), 10000);
  ASSERT_TRUE(g.Completed) << g.Error;
  EXPECT_EQ(g.Status, 200);
  const THttpResult p = http.Post(server.Url(), "#5F1,5;", 10000);
  ASSERT_TRUE(p.Completed) << p.Error;
  EXPECT_EQ(p.Body, "echo #5F1,5;");
  const auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].Method, "GET");
  EXPECT_EQ(reqs[1].Method, "POST");
  EXPECT_EQ(reqs[1].Body, "#5F1,5;");
  EXPECT_EQ(reqs[1].Path, "/qx");
}

TEST_F(HttpClient, AnswerIsCutTo256Bytes) {
  server.SetResponse(std::string(100000, 'a'));
  const THttpResult r = http.Post(server.Url(), "x", 10000);
  ASSERT_TRUE(r.Completed) << r.Error;
  EXPECT_EQ(r.Body, std::string(THttpClient::kMaxBody, 'a'));
}

TEST_F(HttpClient, CredentialsOnlyWhenSet) {
  http.Post(server.Url(), "a", 10000);
  http.SetCredentials("user", "");
  http.Post(server.Url(), "b", 10000);
  http.SetCredentials("", "");
  http.Post(server.Url(), "c", 10000);
  const auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_EQ(reqs[0].Authorization, "");
  EXPECT_EQ(reqs[1].Authorization, "Basic dXNlcjo=");  // "user:"
  EXPECT_EQ(reqs[2].Authorization, "");
}

TEST_F(HttpClient, FailuresAreReportedNotCompleted) {
  server.SetMode(Mode::Never);
  THttpResult r = http.Post(server.Url(), "x", 200);
  EXPECT_FALSE(r.Completed);
  EXPECT_FALSE(r.Error.empty());
  server.SetMode(Mode::CloseMidRequest);
  r = http.Post(server.Url(), "x", 10000);
  EXPECT_FALSE(r.Completed);
  // Only http and https are spoken.
  r = http.Get("file:///etc/hostname", 10000);
  EXPECT_FALSE(r.Completed);
  r = http.Get("", 10000);
  EXPECT_FALSE(r.Completed);
}

TEST_F(HttpClient, AbortEndsAWaitingRequestAndRefusesMore) {
  server.SetMode(Mode::Never);
  std::thread t([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (server.RequestCount() == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    http.Abort();
  });
  const THttpResult r = http.Post(server.Url(), "x", 600000);
  t.join();
  EXPECT_FALSE(r.Completed);
  EXPECT_TRUE(r.Aborted);
  EXPECT_TRUE(http.Post(server.Url(), "y", 10000).Aborted);
  http.ResetAbort();
  server.SetMode(Mode::Answer);
  EXPECT_TRUE(http.Post(server.Url(), "z", 10000).Completed);
}

}  // namespace
}  // namespace qx
