#include "channels/support/LocalHttpServer.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace qx::test {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  const std::string low = Lower(head);
  const std::string key = "\r\n" + Lower(name) + ":";
  const size_t at = low.find(key);
  if (at == std::string::npos) return {};
  size_t b = at + key.size();
  const size_t e = head.find("\r\n", b);
  while (b < e && head[b] == ' ') ++b;
  return head.substr(b, e - b);
}

}  // namespace

bool TLocalHttpServer::Start() {
  std::string err;
  if (!listener_.Listen("127.0.0.1", "0", err)) return false;
  port_ = listener_.LocalPort();
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void TLocalHttpServer::Stop() {
  stop_.Wake();
  if (acceptor_.joinable()) acceptor_.join();
  std::list<std::thread> workers;
  {
    std::lock_guard g(lock_);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
  listener_.Close();
}

std::string TLocalHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TLocalHttpServer::SetResponse(std::string body) {
  SetResponder([body](const std::string&) { return body; });
}

void TLocalHttpServer::SetResponder(TResponder r) {
  std::lock_guard g(lock_);
  responder_ = std::move(r);
}

std::vector<TLocalHttpServer::TRequest> TLocalHttpServer::Requests() const {
  std::lock_guard g(const_cast<std::mutex&>(lock_));
  return requests_;
}

size_t TLocalHttpServer::RequestCount() const {
  std::lock_guard g(const_cast<std::mutex&>(lock_));
  return requests_.size();
}

void TLocalHttpServer::AcceptLoop() {
  for (;;) {
    TTcpSocket s;
    const TIoStatus st = listener_.Accept(s, 1000, &stop_);
    if (st == TIoStatus::Woken || st == TIoStatus::Error) return;
    if (st != TIoStatus::Ok) continue;
    std::lock_guard g(lock_);
    workers_.emplace_back([this, sock = std::move(s)]() mutable { Serve(std::move(sock)); });
  }
}

void TLocalHttpServer::Serve(TTcpSocket s) {
  std::string data;
  char buf[4096];
  size_t headEnd = std::string::npos;
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
    size_t got = 0;
    const TIoStatus st = s.Receive(buf, sizeof buf, got, 5000, &stop_);
    if (st != TIoStatus::Ok) return;
    data.append(buf, got);
  }
  const std::string head = data.substr(0, headEnd);
  TRequest req;
  const size_t sp1 = head.find(' ');
  const size_t sp2 = head.find(' ', sp1 + 1);
  req.Method = head.substr(0, sp1);
  req.Path = head.substr(sp1 + 1, sp2 - sp1 - 1);
  req.Authorization = HeaderValue(head, "Authorization");
  size_t length = 0;
  const std::string cl = HeaderValue(head, "Content-Length");
  std::from_chars(cl.data(), cl.data() + cl.size(), length);
  headsRead_.fetch_add(1);
  if (mode_.load() == TMode::CloseMidRequest) {
    s.Abort();
    return;
  }
  std::string body = data.substr(headEnd + 4);
  while (body.size() < length) {
    size_t got = 0;
    if (s.Receive(buf, sizeof buf, got, 5000, &stop_) != TIoStatus::Ok) return;
    body.append(buf, got);
  }
  body.resize(std::min(body.size(), length));
  req.Body = body;
  TResponder responder;
  {
    std::lock_guard g(lock_);
    requests_.push_back(req);
    responder = responder_;
  }
  const TMode mode = mode_.load();
  if (mode == TMode::Never) {
    stop_.WaitFor(24 * 3600 * 1000);
    return;
  }
  if (mode == TMode::Slow && stop_.WaitFor(delayMs_.load())) return;
  const std::string answer = responder ? responder(body) : std::string();
  const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                            std::to_string(answer.size()) + "\r\nConnection: close\r\n\r\n" +
                            answer;
  (void)s.SendAll(reply, 5000, &stop_);
  s.Shutdown();
}

}  // namespace qx::test
