#pragma once
// The one HTTP GET through which every fetch of the program goes, and the two
// requests built on it.

#include <chrono>
#include <cstddef>

#include "shell/values/text.h"

namespace brindlow {

// Bounds on one fetch. Every fetch blocks the window, so none may hang it.
inline constexpr std::chrono::milliseconds kConnectTimeout{5'000};
inline constexpr std::chrono::milliseconds kRequestTimeout{15'000};  // the whole call
inline constexpr std::size_t kBodyCap = 8 * 1024 * 1024;             // bytes beyond it are dropped
inline constexpr int kMaxRedirects = 10;

inline constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// The public quote service answers 403 to requests without a referrer of its
// own site, so quote requests carry one; no other request does.
inline constexpr const char* kQuoteReferer = "https://finance.sina.com.cn/";

struct HttpOptions {
  Text referer;  // sent as "Referer" when not empty
};

// GET of an http or https URL: the body of the answer whatever its status, the
// bytes received so far when the transfer breaks off (or reaches kBodyCap),
// and empty bytes when the URL cannot be split or no connection is made. The
// path goes out as the request target byte for byte, without escaping, cut at
// its first "#". HTTP/1.0, no proxy, no cookies, no cache; redirects followed.
Bytes httpGet(const Text& url);
Bytes httpGet(const Text& url, const HttpOptions& options);

// "/list=" + prefix + code on the quote service, with the quote referrer.
Bytes fetchQuoteText(const Text& prefix, const Text& code);
// "/newchart/min/n/" + prefix + code + ".gif" on the chart service.
Bytes fetchChartImage(const Text& prefix, const Text& code);

// The URLs the two fetches request (the service origin and the path).
Text quoteUrl(const Text& prefix, const Text& code);
Text chartUrl(const Text& prefix, const Text& code);

// Test seam: shorter bounds keep time-out tests fast. Call only while no fetch
// runs; resetHttpLimits() restores the constants above.
struct HttpLimits {
  std::chrono::milliseconds connectTimeout = kConnectTimeout;
  std::chrono::milliseconds requestTimeout = kRequestTimeout;
  std::size_t bodyCap = kBodyCap;
};
void setHttpLimitsForTesting(const HttpLimits& limits);
void resetHttpLimits();

}  // namespace brindlow
