// Blocking HTTP GET over libcurl: the whole body of one address as bytes.
//
// The request follows redirects (at most 15), sends the headers Accept "text/html, */*" and
// User-Agent "Mozilla/3.0 (compatible; Indy Library)", offers the compressed encodings libcurl
// decodes (Accept-Encoding) and hands on the decoded body, goes through the proxy the
// environment names as other programs do (http_proxy, https_proxy, all_proxy; the hosts in
// no_proxy are reached directly), and only speaks http and https. An error status (400 and up)
// is a failure. Every wait is bounded: connecting gives up after ConnectTimeoutSeconds, a transfer
// slower than LowSpeedLimitBytes per second for LowSpeedTimeSeconds is abandoned, and the whole
// request ends after TotalTimeoutSeconds. A (decoded) body longer than MaxBodyBytes fails the
// request as soon as the first byte past the limit arrives; no more than that is ever held.
//
// Get blocks the calling thread and may run on any thread, several at once; the progress
// callback runs on the calling thread. Nothing here touches Qt.
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
  long LowSpeedTimeSeconds = 20;
  long TotalTimeoutSeconds = 120;
  std::int64_t MaxBodyBytes = std::int64_t{32} << 20;  // 32 MB
};

struct TGetResult {
  bool Ok = false;
  long Status = 0;       // the last response's status code, 0 when none arrived
  std::string Body;      // the response body (empty when !Ok)
  // Why the request failed, short enough for the second line of a message box: "could not
  // connect", "timed out", "stalled", "HTTP status 404", "too large (over 32 MB)", ... (empty
  // when Ok).
  std::string Error;
};

inline constexpr const char* AcceptHeader = "text/html, */*";
inline constexpr const char* UserAgent = "Mozilla/3.0 (compatible; Indy Library)";

// Never throws; a progress callback that throws aborts the request ("cancelled").
TGetResult Get(const std::string& url, const TProgress& progress = {}, const TGetOptions& options = {}) noexcept;

}  // namespace http
