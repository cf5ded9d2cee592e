#include "http.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace http {
namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TTransfer {
  std::string* Body = nullptr;
  const TProgress* Progress = nullptr;
  std::int64_t Reported = -1;
  std::int64_t MaxBody = 0;
  bool CallbackFailed = false;
  bool TooLarge = false;
  bool OutOfMemory = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* t = static_cast<TTransfer*>(user);
  const size_t n = size * count;
  if (static_cast<std::int64_t>(t->Body->size()) + static_cast<std::int64_t>(n) > t->MaxBody) {
    t->TooLarge = true;
    return 0;  // the body is not kept; curl fails the transfer
  }
  try {
    t->Body->append(data, n);
  } catch (...) {
    t->OutOfMemory = true;
    return 0;  // makes curl fail the transfer
  }
  return n;
}

int TransferInfo(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t) noexcept {
  auto* t = static_cast<TTransfer*>(user);
  if (!t->Progress || !*t->Progress || dlnow == t->Reported) return 0;
  t->Reported = dlnow;
  try {
    (*t->Progress)(static_cast<std::int64_t>(dlnow));
  } catch (...) {
    t->CallbackFailed = true;
    return 1;  // abort
  }
  return 0;
}

std::string SizeText(std::int64_t bytes) {
  constexpr std::int64_t kMB = std::int64_t{1} << 20;
  if (bytes >= kMB && bytes % kMB == 0) return std::to_string(bytes / kMB) + " MB";
  return std::to_string(bytes) + " bytes";
}

// A short reason for a failed transfer, for people rather than for logs of curl.
// `detail` is curl's own message for the failure.
std::string FailureText(CURLcode code, CURL* curl, long status, const TGetOptions& options, const char* detail) {
  switch (code) {
    case CURLE_HTTP_RETURNED_ERROR: return "HTTP status " + std::to_string(status);
    case CURLE_COULDNT_CONNECT: return "could not connect";
    case CURLE_COULDNT_RESOLVE_HOST: return "unknown host";
    case CURLE_COULDNT_RESOLVE_PROXY: return "unknown proxy host";
    case CURLE_FILESIZE_EXCEEDED: return "too large (over " + SizeText(options.MaxBodyBytes) + ")";
    case CURLE_TOO_MANY_REDIRECTS: return "too many redirects";
    case CURLE_UNSUPPORTED_PROTOCOL: return "not an http or https address";
    case CURLE_URL_MALFORMAT: return "not a valid address";
    case CURLE_OUT_OF_MEMORY: return "out of memory";
    case CURLE_BAD_CONTENT_ENCODING: return "compressed in a form that cannot be read";
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE: return "connection broken";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return "secure connection failed";
    case CURLE_OPERATION_TIMEDOUT: {
      curl_off_t connected = 0;
      curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected);
      if (connected == 0) return "could not connect (timed out)";
      // Both limits end a transfer with this code; which one did, curl's message says (the
      // times measured cannot tell on a busy machine).
      if (std::strncmp(detail, "Operation too slow", 18) == 0)
        return "stalled (no data for " + std::to_string(options.LowSpeedTimeSeconds) + " s)";
      return "timed out";
    }
    default: break;
  }
  std::string text = curl_easy_strerror(code);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

}  // namespace

TGetResult Get(const std::string& url, const TProgress& progress, const TGetOptions& options) noexcept {
  TGetResult result;
  try {
    GlobalInit();
    char curlError[CURL_ERROR_SIZE] = "";  // outlives the handle that writes it
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), &curl_easy_cleanup);
    CURL* curl = handle.get();
    if (!curl) {
      result.Error = "unable to start a request";
      return result;
    }
    std::string body;
    TTransfer transfer{&body, &progress};
    transfer.MaxBody = options.MaxBodyBytes > 0 ? options.MaxBodyBytes : TGetOptions{}.MaxBodyBytes;
    TGetOptions used = options;
    used.MaxBodyBytes = transfer.MaxBody;
    const std::string accept = std::string("Accept: ") + AcceptHeader;
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(curl_slist_append(nullptr, accept.c_str()),
                                                                           &curl_slist_free_all);
    curl_slist* headers = headerList.get();

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 15L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, UserAgent);
    // A compressed reply is decoded (the limit counts the decoded bytes); one in an encoding
    // that cannot be decoded fails.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, options.LowSpeedLimitBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.LowSpeedTimeSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.TotalTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.MaxBody));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TransferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    result.Status = status;
    if (code == CURLE_OK && !transfer.CallbackFailed && !transfer.TooLarge && !transfer.OutOfMemory) {
      result.Ok = true;
      result.Body = std::move(body);
    } else if (transfer.TooLarge) {
      result.Error = FailureText(CURLE_FILESIZE_EXCEEDED, curl, status, used, curlError);
    } else if (transfer.OutOfMemory) {
      result.Error = "out of memory";
    } else if (transfer.CallbackFailed) {
      result.Error = "cancelled";
    } else {
      result.Error = FailureText(code, curl, status, used, curlError);
    }
  } catch (...) {
    result = TGetResult{};
    result.Error = "out of memory";
  }
  return result;
}

}  // namespace http
