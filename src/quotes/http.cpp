#include "quotes/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "quotes/service_endpoints.h"
#include "quotes/url.h"

namespace brindlow {

namespace {

HttpLimits activeLimits;

// One client context for the process: libcurl's global state, set up by the
// first fetch and kept to the end. A failed set-up is tried again next time.
std::mutex contextMutex;
bool contextReady = false;

bool ensureClientContext() {
  std::lock_guard lock(contextMutex);
  if (!contextReady) contextReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return contextReady;
}

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

struct ListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

struct BodySink {
  Bytes& body;
  std::size_t cap;
};

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& sink = *static_cast<BodySink*>(user);
  const std::size_t offered = size * count;
  const std::size_t room = sink.cap - std::min(sink.cap, sink.body.size());
  const std::size_t taken = std::min(offered, room);
  sink.body.insert(sink.body.end(), data, data + taken);
  return taken;  // less than offered ends the transfer, keeping what we have
}

// Keeps the status and Location of the last response head (a 1xx interim
// head is followed by the real one).
struct ResponseHead {
  std::optional<Text> location;
};

std::size_t receiveHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& head = *static_cast<ResponseHead*>(user);
  const std::size_t length = size * count;
  Text line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.rfind("HTTP/", 0) == 0) {
    head.location.reset();
  } else if (line.size() > 9 &&
             std::equal(line.begin(), line.begin() + 9, "location:", [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
             })) {
    Text value = line.substr(9);
    const std::size_t start = value.find_first_not_of(" \t");
    head.location = start == Text::npos ? Text() : value.substr(start);
  }
  return length;
}

bool isRedirectStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

using Clock = std::chrono::steady_clock;

struct Hop {
  Bytes body;
  std::optional<Text> redirect;  // the Location to follow, when the answer is a redirect
};

// One request on its own connection. The URL handed to libcurl carries only
// the origin; the path goes out through CURLOPT_REQUEST_TARGET because libcurl
// would escape or refuse spaces and GBK bytes in a URL.
Hop transfer(const UrlParts& url, const HttpOptions& options, const HttpLimits& limits,
             Clock::time_point deadline) {
  Hop hop;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return hop;
  EasyHandle handle(curl_easy_init());
  if (!handle) return hop;
  CURL* h = handle.get();

  Text origin = url.scheme + "://" + url.host;
  if (url.port != (url.scheme == "https" ? 443 : 80)) {
    origin += ':';
    origin += std::to_string(url.port);
  }
  origin += "/";
  HeaderList headers(curl_slist_append(nullptr, "Accept: */*"));
  if (!headers) return hop;

  BodySink sink{hop.body, limits.bodyCap};
  ResponseHead head;
  curl_easy_setopt(h, CURLOPT_URL, origin.c_str());
  curl_easy_setopt(h, CURLOPT_REQUEST_TARGET, url.path.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  if (!options.referer.empty()) curl_easy_setopt(h, CURLOPT_REFERER, options.referer.c_str());
  if (!url.user.empty() || !url.password.empty()) {
    // More than one method makes libcurl wait for the server's challenge, so
    // the credentials go out only when asked for.
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    curl_easy_setopt(h, CURLOPT_USERNAME, url.user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, url.password.c_str());
  }
  curl_easy_setopt(h, CURLOPT_PROXY, "");           // no proxy, not even from the environment
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, see httpGet
  curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(h, CURLOPT_HTTP09_ALLOWED, 1L);  // a body without a head is still a body
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::min(limits.connectTimeout, left).count()));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, receiveBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, receiveHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &head);

  const CURLcode result = curl_easy_perform(h);
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  if (result == CURLE_OK && isRedirectStatus(status) && head.location && !head.location->empty()) {
    hop.redirect = head.location;
  }
  return hop;
}

}  // namespace

Bytes httpGet(const Text& url) { return httpGet(url, HttpOptions{}); }

Bytes httpGet(const Text& url, const HttpOptions& options) {
  if (url.empty()) return {};
  std::optional<UrlParts> parts = splitUrl(url);
  if (!parts) return {};
  if (!ensureClientContext()) return {};
  const HttpLimits limits = activeLimits;
  const Clock::time_point deadline = Clock::now() + limits.requestTimeout;
  for (int redirects = 0;; ++redirects) {
    Hop hop = transfer(*parts, options, limits, deadline);
    if (!hop.redirect || redirects == kMaxRedirects) return std::move(hop.body);
    std::optional<UrlParts> next = resolveLocation(*parts, *hop.redirect);
    if (!next) return std::move(hop.body);
    parts = std::move(next);
  }
}

Text quoteUrl(const Text& prefix, const Text& code) {
  return serviceOrigin(serviceEndpoints().quote) + "/list=" + prefix + code;
}

Text chartUrl(const Text& prefix, const Text& code) {
  return serviceOrigin(serviceEndpoints().chart) + "/newchart/min/n/" + prefix + code + ".gif";
}

Bytes fetchQuoteText(const Text& prefix, const Text& code) {
  return httpGet(quoteUrl(prefix, code), HttpOptions{kQuoteReferer});
}

Bytes fetchChartImage(const Text& prefix, const Text& code) {
  return httpGet(chartUrl(prefix, code));
}

void setHttpLimitsForTesting(const HttpLimits& limits) { activeLimits = limits; }

void resetHttpLimits() { activeLimits = HttpLimits{}; }

}  // namespace brindlow
