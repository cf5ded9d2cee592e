// A small HTTP/1.1 server for the download tests: one thread, bound to 127.0.0.1 on a port the
// system picks, one request per connection; every answer ends when the client leaves, the
// server stops, or after a minute at most. Paths are given canned answers; anything else is a
// 404. It records every request it sees.
//
// As a proxy (ActAsProxy) it passes a request for an absolute "http://127.0.0.1:port/..." address
// on to that server and hands back its answer as it comes.
//
// Linking it makes the test program reach 127.0.0.1 and localhost directly, whatever proxy the
// machine names in its environment (no_proxy is set before main).
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TTestServer {
 public:
  struct TResponse {
    int Status = 200;
    std::string Body{};
    std::string Location{};  // sent as "Location" when not empty
    bool Stall = false;      // send the head, then nothing until stopped
    bool Endless = false;    // a body without length that never ends (until the client leaves)
    int TrickleBytesPerSecond = 0;  // when set, the body is sent this slowly
    int PauseMs = 0;         // send the head and half the body, then the rest after this pause
    std::string ContentEncoding{};  // sent as "Content-Encoding" when not empty
    // When set: send the head and half the body, then the rest once the gate is open.
    std::shared_ptr<std::atomic<bool>> Gate{};
  };
  struct TRequest {
    std::string Path;
    std::map<std::string, std::string> Headers;  // names in lower case
  };

  TTestServer();
  ~TTestServer();
  TTestServer(const TTestServer&) = delete;
  TTestServer& operator=(const TTestServer&) = delete;

  void Route(const std::string& path, TResponse response);
  std::string Url(const std::string& path) const;
  std::vector<TRequest> Requests() const;
  int Port() const { return port_; }
  void ActAsProxy() { proxy_ = true; }

 private:
  void Run();
  void Serve(int client);
  void Forward(int client, const std::string& head, const std::string& url);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> proxy_{false};
  mutable std::mutex mutex_;
  std::map<std::string, TResponse> routes_;
  std::vector<TRequest> requests_;
  std::thread thread_;
};
