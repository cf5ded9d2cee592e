#include "http.h"

#include <curl/curl.h>

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
  bool CallbackFailed = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* t = static_cast<TTransfer*>(user);
  const size_t n = size * count;
  try {
    t->Body->append(data, n);
  } catch (...) {
    t->CallbackFailed = true;
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

}  // namespace

TGetResult Get(const std::string& url, const TProgress& progress, const TGetOptions& options) noexcept {
  TGetResult result;
  try {
    GlobalInit();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), &curl_easy_cleanup);
    CURL* curl = handle.get();
    if (!curl) {
      result.Error = "Unable to start an HTTP request";
      return result;
    }
    std::string body;
    TTransfer transfer{&body, &progress};
    char errorText[CURL_ERROR_SIZE] = {};
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
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, options.LowSpeedLimitBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.LowSpeedTimeSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TransferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    result.Status = status;
    if (code == CURLE_OK && !transfer.CallbackFailed) {
      result.Ok = true;
      result.Body = std::move(body);
    } else if (transfer.CallbackFailed) {
      result.Error = "The transfer was aborted";
    } else {
      result.Error = errorText[0] ? errorText : curl_easy_strerror(code);
    }
  } catch (...) {
    result = TGetResult{};
    result.Error = "Out of memory";
  }
  return result;
}

}  // namespace http
