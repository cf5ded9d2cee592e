// The HTTP layer against the local test server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "http.h"
#include "testserver.h"

TEST(HttpGet, SendsTheFixedHeadersAndReturnsTheBody) {
  TTestServer server;
  server.Route("/a.txt", {200, "line 1\nline 2\n"});
  const http::TGetResult r = http::Get(server.Url("/a.txt"));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Status, 200);
  EXPECT_EQ(r.Body, "line 1\nline 2\n");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Headers.at("accept"), "text/html, */*");
  EXPECT_EQ(requests[0].Headers.at("user-agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(HttpGet, FollowsRedirects) {
  TTestServer server;
  server.Route("/old", {302, "", "/hop"});
  server.Route("/hop", {302, "", server.Url("/new.txt")});
  server.Route("/new.txt", {200, "moved"});
  const http::TGetResult r = http::Get(server.Url("/old"));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Body, "moved");
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(HttpGet, EndlessRedirectsFail) {
  TTestServer server;
  server.Route("/loop", {302, "", "/loop"});
  const http::TGetResult r = http::Get(server.Url("/loop"));
  EXPECT_FALSE(r.Ok);
  EXPECT_LE(server.Requests().size(), 17u);
}

TEST(HttpGet, AnErrorStatusIsAFailureWithoutBody) {
  TTestServer server;
  const http::TGetResult r = http::Get(server.Url("/missing.txt"));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Status, 404);
  EXPECT_TRUE(r.Body.empty());
  EXPECT_FALSE(r.Error.empty());
}

TEST(HttpGet, ReportsGrowingByteCounts) {
  TTestServer server;
  const std::string body(200000, 'x');
  server.Route("/big", {200, body});
  std::vector<std::int64_t> counts;
  const http::TGetResult r = http::Get(server.Url("/big"), [&](std::int64_t n) { counts.push_back(n); });
  ASSERT_TRUE(r.Ok) << r.Error;
  ASSERT_FALSE(counts.empty());
  EXPECT_EQ(counts.back(), static_cast<std::int64_t>(body.size()));
  for (size_t i = 1; i < counts.size(); ++i) EXPECT_GT(counts[i], counts[i - 1]);
}

TEST(HttpGet, AThrowingProgressCallbackAbortsTheRequest) {
  TTestServer server;
  server.Route("/a", {200, "data"});
  const http::TGetResult r = http::Get(server.Url("/a"), [](std::int64_t n) {
    if (n > 0) throw std::runtime_error("stop");
  });
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.Body.empty());
  EXPECT_EQ(r.Error, "cancelled");
}

TEST(HttpGet, AStalledTransferIsAbandoned) {
  TTestServer server;
  server.Route("/stall", {200, "", "", true});
  http::TGetOptions options;
  options.LowSpeedTimeSeconds = 1;
  const auto start = std::chrono::steady_clock::now();
  const http::TGetResult r = http::Get(server.Url("/stall"), {}, options);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(r.Ok);
  // Ended by the stall limit, not by another one; the bound only guards against a hang.
  EXPECT_EQ(r.Error, "stalled (no data for 1 s)");
  EXPECT_LT(seconds, 60.0);
}

// The proxy the environment names carries the request; the hosts no_proxy lists are reached
// directly, also when the proxy named is dead.
TEST(HttpGet, GoesThroughTheProxyTheEnvironmentNamesUnlessNoProxyCoversTheHost) {
  TTestServer server, proxy;
  server.Route("/a", {200, "the server's"});
  proxy.ActAsProxy();
  int deadPort;
  {
    TTestServer gone;
    deadPort = gone.Port();
  }
  const std::string live = "http://127.0.0.1:" + std::to_string(proxy.Port());
  const std::string dead = "http://127.0.0.1:" + std::to_string(deadPort);
  const struct {
    std::string proxy, noProxy;
    bool throughProxy;
    std::string error;  // empty: the body arrives
  } cases[] = {
      {live, "", true, ""},
      {live, "127.0.0.1", false, ""},
      {live, "localhost,127.0.0.1", false, ""},
      {dead, "127.0.0.1,localhost", false, ""},
      {dead, "", false, "could not connect"},
      {"", "", false, ""},
  };
  const std::string keptNoProxy = std::getenv("no_proxy") ? std::getenv("no_proxy") : "";
  // A proxy the machine names for every protocol is out of the way (and back afterwards).
  std::vector<std::pair<std::string, std::string>> keptAll;
  for (const char* name : {"all_proxy", "ALL_PROXY"})
    if (const char* v = std::getenv(name)) keptAll.emplace_back(name, v), unsetenv(name);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.proxy + " no_proxy=" + c.noProxy);
    const size_t seenBefore = server.Requests().size(), proxiedBefore = proxy.Requests().size();
    setenv("http_proxy", c.proxy.c_str(), 1);
    setenv("no_proxy", c.noProxy.c_str(), 1);
    unsetenv("NO_PROXY");
    const http::TGetResult r = http::Get(server.Url("/a"));
    unsetenv("http_proxy");
    setenv("no_proxy", keptNoProxy.c_str(), 1);
    setenv("NO_PROXY", keptNoProxy.c_str(), 1);
    EXPECT_EQ(r.Error, c.error);
    EXPECT_EQ(r.Body, c.error.empty() ? "the server's" : "");
    const auto proxied = proxy.Requests();
    EXPECT_EQ(proxied.size() - proxiedBefore, c.throughProxy ? 1u : 0u);
    if (c.throughProxy && proxied.size() > proxiedBefore) {
      EXPECT_EQ(proxied.back().Path, server.Url("/a"));
      EXPECT_EQ(proxied.back().Headers.at("user-agent"), http::UserAgent);
    }
    EXPECT_EQ(server.Requests().size() - seenBefore, c.error.empty() ? 1u : 0u);
  }
  for (const auto& [name, value] : keptAll) setenv(name.c_str(), value.c_str(), 1);
}

TEST(HttpGet, SpeaksOnlyHttp) {
  const std::string path = std::string(std::getenv("VELMAR_TEST_OUT")) + "/http_local_file.txt";
  std::ofstream(path) << "secret";
  const http::TGetResult r = http::Get("file://" + path);
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.Body.empty());
}

TEST(HttpGet, ARefusedConnectionFails) {
  int port;
  {
    TTestServer server;
    port = server.Port();
  }
  const http::TGetResult r = http::Get("http://127.0.0.1:" + std::to_string(port) + "/x");
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Status, 0);
}

// Each limit ends a hostile transfer in its own time, with a reason fit for a message box, and no
// more of the body than the limit is ever kept.
TEST(HttpGet, EveryLimitEndsAHostileTransferInTime) {
  TTestServer server;
  TTestServer::TResponse trickle{200, std::string(400, 't')};
  trickle.TrickleBytesPerSecond = 20;  // would take 20 s
  TTestServer::TResponse endless;
  endless.Endless = true;
  server.Route("/trickle", trickle);
  server.Route("/stall", {200, "", "", true});
  server.Route("/endless", endless);
  server.Route("/declared", {200, std::string(5000, 'd')});
  server.Route("/fits", {200, std::string(4000, 'f')});
  int refusedPort;
  {
    TTestServer gone;
    refusedPort = gone.Port();
  }
  struct TCase {
    std::string url;
    long totalSeconds, stallSeconds;
    std::int64_t maxBytes;
    std::string error;  // empty: the body arrives
    double withinSeconds;
  } cases[] = {
      {server.Url("/trickle"), 2, 20, 1 << 20, "timed out", 30},
      {server.Url("/stall"), 60, 1, 1 << 20, "stalled (no data for 1 s)", 30},
      {server.Url("/endless"), 60, 20, 1 << 20, "too large (over 1 MB)", 30},
      {server.Url("/declared"), 60, 20, 4000, "too large (over 4000 bytes)", 30},
      {server.Url("/fits"), 60, 20, 4000, "", 30},
      {server.Url("/missing"), 60, 20, 4000, "HTTP status 404", 30},
      {"http://127.0.0.1:" + std::to_string(refusedPort) + "/x", 60, 20, 4000, "could not connect", 30},
  };
  for (const TCase& c : cases) {
    http::TGetOptions options;
    options.TotalTimeoutSeconds = c.totalSeconds;
    options.LowSpeedTimeSeconds = c.stallSeconds;
    options.MaxBodyBytes = c.maxBytes;
    std::int64_t most = 0;
    const auto start = std::chrono::steady_clock::now();
    const http::TGetResult r = http::Get(c.url, [&](std::int64_t n) { most = std::max(most, n); }, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, c.withinSeconds) << c.url;
    EXPECT_EQ(r.Ok, c.error.empty()) << c.url;
    EXPECT_EQ(r.Error, c.error) << c.url;
    if (!r.Ok) {
      EXPECT_TRUE(r.Body.empty()) << c.url;
    }
    // What arrived before the transfer was stopped: the limit and at most one read more.
    EXPECT_LE(most, c.maxBytes + (1 << 20)) << c.url;
  }
}
