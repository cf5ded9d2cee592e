// Blocking HTTP GET over libcurl: the whole body of one address as bytes.
//
// The request follows redirects (at most 15), sends the headers Accept "text/html, */*" and
// User-Agent "Mozilla/3.0 (compatible; Indy Library)", uses no proxy (whatever the environment
// says), and only speaks http and https. An error status (400 and up) is a failure. Connecting
// gives up after ConnectTimeoutSeconds, and a transfer slower than LowSpeedLimitBytes per second
// for LowSpeedTimeSeconds is abandoned, so a dead server cannot hang the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace http {

// Called with the number of body bytes read so far, each time it grows.
using TProgress = std::function<void(std::int64_t bytesRead)>;

struct TGetOptions {
  long ConnectTimeoutSeconds = 20;
  long LowSpeedLimitBytes = 1;    // bytes per second
  long LowSpeedTimeSeconds = 60;
};

struct TGetResult {
  bool Ok = false;
  long Status = 0;       // the last response's status code, 0 when none arrived
  std::string Body;      // the response body (empty when !Ok)
  std::string Error;     // why the request failed (empty when Ok)
};

inline constexpr const char* AcceptHeader = "text/html, */*";
inline constexpr const char* UserAgent = "Mozilla/3.0 (compatible; Indy Library)";

// Never throws; a progress callback that throws aborts the request.
TGetResult Get(const std::string& url, const TProgress& progress = {}, const TGetOptions& options = {}) noexcept;

}  // namespace http
