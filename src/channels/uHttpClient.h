// Minimal HTTP client over libcurl for the URL port: one easy handle driven by
// a multi handle, so another thread can abort a request at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace qx {

struct THttpResult {
  bool Completed = false;  // the server answered (any status)
  bool Aborted = false;    // ended by Abort
  long Status = 0;         // HTTP status code
  std::string Body;        // at most THttpClient::kMaxBody bytes
  std::string Error;       // why it did not complete
};

class THttpClient {
 public:
  static constexpr size_t kMaxBody = 256;

  THttpClient();
  ~THttpClient();
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // Basic authentication is used only when either is not empty.
  void SetCredentials(std::string user, std::string password);
  THttpResult Get(std::string_view url, int timeoutMs);
  THttpResult Post(std::string_view url, std::string_view body, int timeoutMs);

  // From any thread: ends a request in progress and refuses further ones
  // until ResetAbort.
  void Abort();
  void ResetAbort() { aborted_.store(false); }
  bool IsAborted() const { return aborted_.load(); }

 private:
  THttpResult Perform(std::string_view url, const std::string* body, int timeoutMs);
  static size_t OnWrite(char* data, size_t size, size_t count, void* self);

  void* multi_ = nullptr;
  void* easy_ = nullptr;
  std::string user_, password_;
  std::string url_, body_;  // kept alive while libcurl uses them
  std::string response_;
  bool truncated_ = false;
  std::atomic<bool> aborted_{false};
};

}  // namespace qx
