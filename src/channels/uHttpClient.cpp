#include "channels/uHttpClient.h"

#include <curl/curl.h>

#include <mutex>

#include "foundation/uLangText.h"

namespace qx {

namespace {

std::once_flag curlInitOnce;

CURLM* M(void* p) {
  return static_cast<CURLM*>(p);
}
CURL* E(void* p) {
  return static_cast<CURL*>(p);
}

}  // namespace

THttpClient::THttpClient() {
  // Must run before any other thread uses libcurl.
  std::call_once(curlInitOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  multi_ = curl_multi_init();
  easy_ = curl_easy_init();
}

THttpClient::~THttpClient() {
  if (easy_) curl_easy_cleanup(E(easy_));
  if (multi_) curl_multi_cleanup(M(multi_));
}

void THttpClient::SetCredentials(std::string user, std::string password) {
  user_ = std::move(user);
  password_ = std::move(password);
}

void THttpClient::Abort() {
  aborted_.store(true);
  if (multi_) curl_multi_wakeup(M(multi_));
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
  CURL* e = E(easy_);
  curl_easy_reset(e);
  url_.assign(url);
  response_.clear();
  truncated_ = false;
  char errbuf[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(e, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs > 0 ? timeoutMs : 1));
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &THttpClient::OnWrite);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
  if (!user_.empty() || !password_.empty()) {
    curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(e, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(e, CURLOPT_PASSWORD, password_.c_str());
  }
  if (body) {
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
  } else {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  }

  CURLM* m = M(multi_);
  if (curl_multi_add_handle(m, e) != CURLM_OK) {
    r.Error = LangText("uhttpclient.srefused", "libcurl lehnt die Anfrage ab");
    return r;
  }
  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(m, &running) != CURLM_OK) break;
    if (running == 0) break;
    if (aborted_.load()) break;
    curl_multi_poll(m, nullptr, 0, 200, nullptr);
    if (aborted_.load()) break;
  }
  CURLcode code = CURLE_OK;
  bool done = false;
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(m, &left))
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) {
      code = msg->data.result;
      done = true;
    }
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &r.Status);
  curl_multi_remove_handle(m, e);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, nullptr);

  if (!done) {
    r.Aborted = aborted_.load();
    r.Error = r.Aborted ? LangText("uhttpclient.saborted", "Abgebrochen")
                        : LangText("uhttpclient.sfailed", "Anfrage fehlgeschlagen");
  } else if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && truncated_)) {
    r.Completed = true;
    r.Body = std::move(response_);
  } else {
    r.Error = errbuf[0] ? std::string(errbuf) : std::string(curl_easy_strerror(code));
  }
  response_.clear();
  return r;
}

}  // namespace qx
