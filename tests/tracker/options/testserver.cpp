#include "testserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {
// Before main, while the program has one thread: the local servers are reached directly.
const bool kLocalDirect = [] {
  for (const char* name : {"no_proxy", "NO_PROXY"}) setenv(name, "127.0.0.1,localhost", 1);
  return true;
}();
}  // namespace

TTestServer::TTestServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // 127.0.0.1 only
  addr.sin_port = 0;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 16) != 0)
    throw std::runtime_error("bind");
  socklen_t len = sizeof addr;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Run(); });
}

TTestServer::~TTestServer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void TTestServer::Route(const std::string& path, TResponse response) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_[path] = std::move(response);
}

std::string TTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<TTestServer::TRequest> TTestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void TTestServer::Run() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Serve(client);
    ::close(client);
  }
}

namespace {
const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
  }
}
bool SendAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

void TTestServer::Serve(int client) {
  std::string head;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (head.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline && !stop_) {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buf[2048];
    const ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n <= 0) return;
    head.append(buf, static_cast<size_t>(n));
  }
  TRequest request;
  size_t lineEnd = head.find("\r\n");
  if (lineEnd == std::string::npos) return;
  const std::string first = head.substr(0, lineEnd);
  const size_t sp1 = first.find(' ');
  const size_t sp2 = first.find(' ', sp1 + 1);
  if (sp1 == std::string::npos || sp2 == std::string::npos) return;
  request.Path = first.substr(sp1 + 1, sp2 - sp1 - 1);
  size_t pos = lineEnd + 2;
  while (true) {
    lineEnd = head.find("\r\n", pos);
    if (lineEnd == std::string::npos || lineEnd == pos) break;
    const std::string line = head.substr(pos, lineEnd - pos);
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      size_t v = colon + 1;
      while (v < line.size() && line[v] == ' ') ++v;
      request.Headers[name] = line.substr(v);
    }
    pos = lineEnd + 2;
  }
  if (proxy_ && request.Path.starts_with("http://")) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    Forward(client, head, request.Path);
    return;
  }
  TResponse response;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    auto it = routes_.find(request.Path);
    if (it != routes_.end()) response = it->second;
    else response = TResponse{404, "not here\n", "", false};
  }
  std::string out = "HTTP/1.1 " + std::to_string(response.Status) + " " + Reason(response.Status) + "\r\n";
  if (!response.Location.empty()) out += "Location: " + response.Location + "\r\n";
  if (!response.ContentEncoding.empty()) out += "Content-Encoding: " + response.ContentEncoding + "\r\n";
  if (response.Stall) {
    out += "Content-Length: 100000\r\nConnection: close\r\n\r\n";
    SendAll(client, out);
    while (!stop_) {
      pollfd p{client, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) {
        char buf[64];
        if (::recv(client, buf, sizeof buf, 0) <= 0) return;  // the client gave up
      }
    }
    return;
  }
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  if (response.Endless) {
    out += "Connection: close\r\n\r\n";
    std::string chunk;
    for (int i = 0; i < 4096; ++i) chunk += "0123456789abcde\n";
    if (!SendAll(client, out)) return;
    while (!stop_ && std::chrono::steady_clock::now() < giveUp)
      if (!SendAll(client, chunk)) return;  // the client gave up
    return;
  }
  out += "Content-Length: " + std::to_string(response.Body.size()) + "\r\nConnection: close\r\n\r\n";
  if (response.TrickleBytesPerSecond > 0) {
    if (!SendAll(client, out)) return;
    const auto pause = std::chrono::microseconds(1000000 / response.TrickleBytesPerSecond);
    for (char c : response.Body) {
      if (stop_ || std::chrono::steady_clock::now() > giveUp || !SendAll(client, std::string(1, c))) return;
      std::this_thread::sleep_for(pause);
    }
    return;
  }
  if (response.Gate) {
    const size_t half = response.Body.size() / 2;
    SendAll(client, out + response.Body.substr(0, half));
    while (!stop_ && !*response.Gate && std::chrono::steady_clock::now() < giveUp) ::poll(nullptr, 0, 10);
    SendAll(client, response.Body.substr(half));
    return;
  }
  if (response.PauseMs > 0) {
    // The first half of the body, a pause, then the rest.
    const size_t half = response.Body.size() / 2;
    SendAll(client, out + response.Body.substr(0, half));
    const auto resume = std::chrono::steady_clock::now() + std::chrono::milliseconds(response.PauseMs);
    while (!stop_ && std::chrono::steady_clock::now() < resume) ::poll(nullptr, 0, 10);
    SendAll(client, response.Body.substr(half));
    return;
  }
  SendAll(client, out + response.Body);
}

// The request goes on with its path alone and its headers as they came; the answer comes back
// until the server closes the connection.
void TTestServer::Forward(int client, const std::string& head, const std::string& url) {
  const size_t hostStart = 7, slash = url.find('/', hostStart), colon = url.find(':', hostStart);
  if (slash == std::string::npos || colon == std::string::npos || colon > slash) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(std::stoi(url.substr(colon + 1, slash - colon - 1))));
  if (::inet_pton(AF_INET, url.substr(hostStart, colon - hostStart).c_str(), &addr.sin_addr) != 1) return;
  const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (server < 0) return;
  // "GET http://host:port/path HTTP/1.1..." goes on as "GET /path HTTP/1.1...".
  const size_t method = head.find(' ') + 1, version = head.find(' ', method);
  if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      SendAll(server, head.substr(0, method) + url.substr(slash) + head.substr(version))) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!stop_ && std::chrono::steady_clock::now() < giveUp) {
      pollfd p{server, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::recv(server, buf, sizeof buf, 0);
      if (n <= 0 || !SendAll(client, std::string(buf, static_cast<size_t>(n)))) break;
    }
  }
  ::close(server);
}
