#include <gmock/gmock.h>

#include "quotes/url.h"

namespace brindlow {
namespace {

struct SplitCase {
  const char* url;
  std::optional<UrlParts> expected;
};

TEST(SplitUrl, PartsOfTheUrl) {
  const SplitCase cases[] = {
      {"http://hq.sinajs.cn/list=sh601288",
       UrlParts{"http", "hq.sinajs.cn", 80, "", "", "/list=sh601288"}},
      {"HTTP://Host:8080", UrlParts{"http", "Host", 8080, "", "", "/"}},
      {"https://host/a", UrlParts{"https", "host", 443, "", "", "/a"}},
      {"http://host:/a", UrlParts{"http", "host", 80, "", "", "/a"}},
      {"http://u:p@host:81/a", UrlParts{"http", "host", 81, "u", "p", "/a"}},
      {"http://u@host/a@b", UrlParts{"http", "host", 80, "u", "", "/a@b"}},
      {"http://[::1]:8080/x", UrlParts{"http", "[::1]", 8080, "", "", "/x"}},
      {"http://host/a b ", UrlParts{"http", "host", 80, "", "", "/a b "}},
      {"http://host/\xC6\xD6\xB7\xA2", UrlParts{"http", "host", 80, "", "", "/\xC6\xD6\xB7\xA2"}},
      {"http://host/a%20b", UrlParts{"http", "host", 80, "", "", "/a%20b"}},  // never decoded
      {"http://host/a?x=1#frag#more", UrlParts{"http", "host", 80, "", "", "/a?x=1"}},
      {"http://host#frag", UrlParts{"http", "host", 80, "", "", "/"}},
      {"http://host?q", UrlParts{"http", "host", 80, "", "", "/?q"}},
      {"", std::nullopt},
      {"hq.sinajs.cn/list=sh601288", std::nullopt},
      {"ftp://host/a", std::nullopt},
      {"http:///a", std::nullopt},
      {"http://host:0/", std::nullopt},
      {"http://host:70000/", std::nullopt},
      {"http://host:8a/", std::nullopt},
      {"http://ho st/", std::nullopt},
      {"http://host/a\r\nX-Injected: 1", std::nullopt},
      {"http://[::1/", std::nullopt},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(splitUrl(c.url), c.expected);
  }
}

TEST(SplitUrl, RedirectLocations) {
  const UrlParts base{"http", "127.0.0.1", 8080, "", "", "/dir/page?x=/y"};
  const struct {
    const char* location;
    const char* url;
  } cases[] = {
      {"http://other:81/p", "http://other:81/p"},     {"//other/p", "http://other/p"},
      {"/root", "http://127.0.0.1:8080/root"},        {"next", "http://127.0.0.1:8080/dir/next"},
      {"?y=2", "http://127.0.0.1:8080/dir/page?y=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.location);
    EXPECT_EQ(resolveLocation(base, c.location), splitUrl(c.url));
  }
}

}  // namespace
}  // namespace brindlow
