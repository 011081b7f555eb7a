#include "channels/uHttpClient.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <mutex>

#include "foundation/uLangText.h"

namespace qx {

namespace {

// libcurl is opened on the first HTTP port, not at start-up: linked in, its
// libraries took a tenth of the time to the first paint of the window.
struct TCurlApi {
  decltype(&curl_global_init) GlobalInit;
  decltype(&curl_multi_init) MultiInit;
  decltype(&curl_easy_init) EasyInit;
  decltype(&curl_easy_cleanup) EasyCleanup;
  decltype(&curl_multi_cleanup) MultiCleanup;
  decltype(&curl_multi_wakeup) MultiWakeup;
  decltype(&curl_easy_reset) EasyReset;
  decltype(&curl_easy_setopt) EasySetopt;
  decltype(&curl_easy_getinfo) EasyGetinfo;
  decltype(&curl_easy_strerror) EasyStrerror;
  decltype(&curl_multi_add_handle) MultiAddHandle;
  decltype(&curl_multi_remove_handle) MultiRemoveHandle;
  decltype(&curl_multi_perform) MultiPerform;
  decltype(&curl_multi_poll) MultiPoll;
  decltype(&curl_multi_info_read) MultiInfoRead;
};

template <class F>
bool Resolve(void* lib, const char* name, F& fn) {
  fn = reinterpret_cast<F>(dlsym(lib, name));
  return fn != nullptr;
}

// The library's functions, or none when it cannot be opened. Opened once,
// before any other thread uses libcurl, and never closed.
const TCurlApi* Curl() {
  static std::once_flag once;
  static TCurlApi api;
  static bool ready = false;
  std::call_once(once, [] {
    void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    ready = Resolve(lib, "curl_global_init", api.GlobalInit) &&
            Resolve(lib, "curl_multi_init", api.MultiInit) &&
            Resolve(lib, "curl_easy_init", api.EasyInit) &&
            Resolve(lib, "curl_easy_cleanup", api.EasyCleanup) &&
            Resolve(lib, "curl_multi_cleanup", api.MultiCleanup) &&
            Resolve(lib, "curl_multi_wakeup", api.MultiWakeup) &&
            Resolve(lib, "curl_easy_reset", api.EasyReset) &&
            Resolve(lib, "curl_easy_setopt", api.EasySetopt) &&
            Resolve(lib, "curl_easy_getinfo", api.EasyGetinfo) &&
            Resolve(lib, "curl_easy_strerror", api.EasyStrerror) &&
            Resolve(lib, "curl_multi_add_handle", api.MultiAddHandle) &&
            Resolve(lib, "curl_multi_remove_handle", api.MultiRemoveHandle) &&
            Resolve(lib, "curl_multi_perform", api.MultiPerform) &&
            Resolve(lib, "curl_multi_poll", api.MultiPoll) &&
            Resolve(lib, "curl_multi_info_read", api.MultiInfoRead) &&
            api.GlobalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  });
  return ready ? &api : nullptr;
}

CURLM* M(void* p) {
  return static_cast<CURLM*>(p);
}
CURL* E(void* p) {
  return static_cast<CURL*>(p);
}

}  // namespace

THttpClient::THttpClient() {
  const TCurlApi* curl = Curl();
  if (!curl) return;
  multi_ = curl->MultiInit();
  easy_ = curl->EasyInit();
}

THttpClient::~THttpClient() {
  if (easy_) Curl()->EasyCleanup(E(easy_));
  if (multi_) Curl()->MultiCleanup(M(multi_));
}

void THttpClient::SetCredentials(std::string user, std::string password) {
  user_ = std::move(user);
  password_ = std::move(password);
}

void THttpClient::Abort() {
  aborted_.store(true);
  if (multi_) Curl()->MultiWakeup(M(multi_));
}

THttpResult THttpClient::Get(std::string_view url, int timeoutMs) {
  return Perform(url, nullptr, timeoutMs);
}

THttpResult THttpClient::Post(std::string_view url, std::string_view body, int timeoutMs) {
  body_.assign(body);
  return Perform(url, &body_, timeoutMs);
}

size_t THttpClient::OnWrite(char* data, size_t size, size_t count, void* self) {
  auto* c = static_cast<THttpClient*>(self);
  const size_t n = size * count;
  const size_t room = kMaxBody - c->response_.size();
  if (n <= room) {
    c->response_.append(data, n);
    return n;
  }
  // Enough read: stop the transfer instead of draining a long answer.
  c->response_.append(data, room);
  c->truncated_ = true;
  return 0;
}

THttpResult THttpClient::Perform(std::string_view url, const std::string* body, int timeoutMs) {
  THttpResult r;
  if (!multi_ || !easy_) {
    r.Error = LangText("uhttpclient.snocurl", "libcurl l\xC3\xA4sst sich nicht einrichten");
    return r;
  }
  if (aborted_.load()) {
    r.Aborted = true;
    r.Error = LangText("uhttpclient.saborted", "Abgebrochen");
    return r;
  }
  const TCurlApi& curl = *Curl();
  CURL* e = E(easy_);
  curl.EasyReset(e);
  url_.assign(url);
  response_.clear();
  truncated_ = false;
  char errbuf[CURL_ERROR_SIZE] = "";
  curl.EasySetopt(e, CURLOPT_URL, url_.c_str());
  curl.EasySetopt(e, CURLOPT_NOSIGNAL, 1L);
  curl.EasySetopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl.EasySetopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl.EasySetopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs > 0 ? timeoutMs : 1));
  curl.EasySetopt(e, CURLOPT_ERRORBUFFER, errbuf);
  curl.EasySetopt(e, CURLOPT_WRITEFUNCTION, &THttpClient::OnWrite);
  curl.EasySetopt(e, CURLOPT_WRITEDATA, this);
  if (!user_.empty() || !password_.empty()) {
    curl.EasySetopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl.EasySetopt(e, CURLOPT_USERNAME, user_.c_str());
    curl.EasySetopt(e, CURLOPT_PASSWORD, password_.c_str());
  }
  if (body) {
    curl.EasySetopt(e, CURLOPT_POST, 1L);
    curl.EasySetopt(e, CURLOPT_POSTFIELDS, body->data());
    curl.EasySetopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
  } else {
    curl.EasySetopt(e, CURLOPT_HTTPGET, 1L);
  }

  CURLM* m = M(multi_);
  if (curl.MultiAddHandle(m, e) != CURLM_OK) {
    r.Error = LangText("uhttpclient.srefused", "libcurl lehnt die Anfrage ab");
    return r;
  }
  int running = 1;
  while (running > 0) {
    if (curl.MultiPerform(m, &running) != CURLM_OK) break;
    if (running == 0) break;
    if (aborted_.load()) break;
    curl.MultiPoll(m, nullptr, 0, 200, nullptr);
    if (aborted_.load()) break;
  }
  CURLcode code = CURLE_OK;
  bool done = false;
  int left = 0;
  while (CURLMsg* msg = curl.MultiInfoRead(m, &left))
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) {
      code = msg->data.result;
      done = true;
    }
  curl.EasyGetinfo(e, CURLINFO_RESPONSE_CODE, &r.Status);
  curl.MultiRemoveHandle(m, e);
  curl.EasySetopt(e, CURLOPT_ERRORBUFFER, nullptr);

  if (!done) {
    r.Aborted = aborted_.load();
    r.Error = r.Aborted ? LangText("uhttpclient.saborted", "Abgebrochen")
                        : LangText("uhttpclient.sfailed", "Anfrage fehlgeschlagen");
  } else if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && truncated_)) {
    r.Completed = true;
    r.Body = std::move(response_);
  } else {
    r.Error = errbuf[0] ? std::string(errbuf) : std::string(curl.EasyStrerror(code));
  }
  response_.clear();
  return r;
}

}  // namespace qx
