#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "quotes/http.h"
#include "quotes/service_endpoints.h"
#include "shell/values/codepage.h"
#include "support_http_server.h"

namespace brindlow {
namespace {

using ::testing::ElementsAre;
using testing::HttpTestServer;
using ::testing::IsEmpty;
using testing::RecordedRequest;
using testing::Reply;
using testing::Routes;
using Clock = std::chrono::steady_clock;

std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class HttpGet : public ::testing::Test {
 protected:
  void TearDown() override {
    resetServiceEndpoints();
    resetHttpLimits();
  }

  std::string only(const HttpTestServer& server) {
    const auto requests = server.requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? std::string() : requests.front().raw;
  }
};

TEST_F(HttpGet, QuoteRequestGoesOutExactly) {
  HttpTestServer server(Reply::ok("var hq_str_sh601288=\"\";\n"));
  setServiceEndpoints({{"127.0.0.1", server.port()}, {"127.0.0.1", server.port()}});
  EXPECT_EQ(textOf(fetchQuoteText("sh", "601288")), "var hq_str_sh601288=\"\";\n");
  EXPECT_EQ(only(server),
            "GET /list=sh601288 HTTP/1.0\r\n"
            "Host: " +
                server.hostPort() +
                "\r\n"
                "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                "Referer: https://finance.sina.com.cn/\r\n"
                "Accept: */*\r\n"
                "\r\n");
}

TEST_F(HttpGet, ChartRequestHasNoReferrer) {
  HttpTestServer server(Reply::ok("GIF89a", "image/gif"));
  setServiceEndpoints({{"127.0.0.1", server.port()}, {"127.0.0.1", server.port()}});
  EXPECT_EQ(textOf(fetchChartImage("sz", "000002")), "GIF89a");
  EXPECT_EQ(only(server),
            "GET /newchart/min/n/sz000002.gif HTTP/1.0\r\n"
            "Host: " +
                server.hostPort() +
                "\r\n"
                "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                "Accept: */*\r\n"
                "\r\n");
}

TEST_F(HttpGet, TargetGoesOutByteForByte) {
  HttpTestServer server(Reply::ok("ok"));
  const struct {
    std::string path;    // after the host and port
    std::string target;  // as the server must see it
  } cases[] = {
      {"/list=sh60000 ", "/list=sh60000 "},  // a code typed with a trailing space
      {"/list=sh" + gbk("浦发银行"), "/list=sh" + gbk("浦发银行")},
      {"/a b/%41?x=1&y=\"", "/a b/%41?x=1&y=\""},
      {"/list=sh601288#fragment#more", "/list=sh601288"},
      {"#fragment", "/"},
      {"", "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    server.clearRequests();
    EXPECT_EQ(textOf(httpGet(server.url(c.path))), "ok");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "GET " + c.target + " HTTP/1.0");
  }
}

TEST_F(HttpGet, EveryAnswerBodyIsReturned) {
  const std::string page = "<html><body><h1>404 Not Found</h1></body></html>\n";
  Reply partial = Reply::ok(std::string(1000, 'x'));
  partial.closeAfterBodyBytes = 400;
  Reply gzip = Reply::ok("\x1f\x8b\x08\x00raw");
  gzip.headers.emplace_back("Content-Encoding", "gzip");
  Reply noLength = Reply::ok("to the end");
  noLength.contentLength = false;
  HttpTestServer server(
      Routes()
          .on("/missing", Reply::withStatus(404, "Not Found", page))
          .on("/error", Reply::withStatus(500, "Internal Server Error", "oops"))
          .on("/forbidden", Reply::withStatus(403, "Forbidden", "Kinsoku jikou desu!"))
          .on("/partial", partial)
          .on("/gzip", gzip)
          .on("/no-length", noLength)
          .on("/chunked", Reply::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                     "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"))
          .on("/empty", Reply::ok(""))
          .on("/reset", Reply::reset()));
  const struct {
    const char* path;
    std::string body;
  } cases[] = {
      {"/missing", page},
      {"/error", "oops"},
      {"/forbidden", "Kinsoku jikou desu!"},
      {"/partial", std::string(400, 'x')},  // what came before the read failed
      {"/gzip", "\x1f\x8b\x08\x00raw"},     // no content decoding
      {"/no-length", "to the end"},
      {"/chunked", "hello world"},  // transfer decoding
      {"/empty", ""},
      {"/reset", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(textOf(httpGet(server.url(c.path))), c.body);
  }
}

TEST_F(HttpGet, RedirectsAreFollowedABoundedNumberOfTimes) {
  HttpTestServer server(Routes()
                            .on("/old", Reply::redirect("/dir/start", 301))
                            .on("/dir/start", Reply::redirect("next", 302))
                            .on("/dir/next", Reply::redirect("/new#frag", 307))
                            .on("/new", Reply::ok("moved here"))
                            .on("/loop", Reply::redirect("/loop")));
  EXPECT_EQ(textOf(httpGet(server.url("/old"))), "moved here");
  std::vector<std::string> targets;
  for (const RecordedRequest& r : server.requests()) targets.push_back(r.target);
  EXPECT_THAT(targets, ElementsAre("/old", "/dir/start", "/dir/next", "/new"));
  for (const RecordedRequest& r : server.requests()) EXPECT_EQ(r.version, "HTTP/1.0");

  server.clearRequests();
  const std::string loopBody = textOf(httpGet(server.url("/loop")));
  EXPECT_EQ(server.requestCount(), static_cast<std::size_t>(kMaxRedirects + 1));
  EXPECT_EQ(loopBody, Reply::redirect("/loop").body);  // the last answer, as it came
}

TEST_F(HttpGet, NoProxyEvenWhenTheEnvironmentNamesOne) {
  HttpTestServer server(Reply::ok("direct"));
  const std::string proxy = "http://127.0.0.1:" + std::to_string(testing::closedLoopbackPort());
  setenv("http_proxy", proxy.c_str(), 1);
  setenv("HTTP_PROXY", proxy.c_str(), 1);
  const Bytes body = httpGet(server.url("/x"));
  unsetenv("http_proxy");
  unsetenv("HTTP_PROXY");
  EXPECT_EQ(textOf(body), "direct");
}

TEST_F(HttpGet, CredentialsOnlyWhenTheServerAsks) {
  HttpTestServer server([](const RecordedRequest& r) {
    if (!r.header("Authorization")) {
      Reply challenge = Reply::withStatus(401, "Unauthorized", "who?");
      challenge.headers.emplace_back("WWW-Authenticate", "Basic realm=\"quotes\"");
      return challenge;
    }
    return Reply::ok(*r.header("Authorization"));
  });
  const std::string url = "http://user:secret@" + server.hostPort() + "/private";
  EXPECT_EQ(textOf(httpGet(url)), "Basic dXNlcjpzZWNyZXQ=");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].header("Authorization"));
}

TEST_F(HttpGet, UnusableUrlsGiveEmptyBytesWithoutARequest) {
  HttpTestServer server(Reply::ok("should not be asked"));
  const std::string hostPort = server.hostPort();
  for (const std::string& url :
       {std::string(), hostPort + "/x", "ftp://" + hostPort + "/x",
        "http://" + hostPort + "/a\r\nX: y", std::string("http://127.0.0.1:0/x")}) {
    SCOPED_TRACE(url);
    EXPECT_THAT(httpGet(url), IsEmpty());
  }
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(HttpGet, ClosedPortGivesEmptyBytesAtOnce) {
  const auto start = Clock::now();
  const std::uint16_t port = testing::closedLoopbackPort();
  EXPECT_THAT(httpGet("http://127.0.0.1:" + std::to_string(port) + "/list=sh601288"), IsEmpty());
  EXPECT_LT(secondsSince(start), 1.0);
}

TEST_F(HttpGet, BodyIsCappedAtEightMebibytes) {
  static_assert(kBodyCap == 8u * 1024 * 1024);
  std::string body(kBodyCap + 4096, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  HttpTestServer server(Reply::ok(body));
  const Bytes received = httpGet(server.url("/big"));
  ASSERT_EQ(received.size(), kBodyCap);
  EXPECT_TRUE(std::equal(received.begin(), received.end(), body.begin()));
}

TEST_F(HttpGet, SilentServerEndsWithinTheRequestBound) {
  static_assert(kConnectTimeout == std::chrono::seconds(5));
  static_assert(kRequestTimeout == std::chrono::seconds(15));
  HttpLimits shorter;
  shorter.requestTimeout = std::chrono::milliseconds(700);
  setHttpLimitsForTesting(shorter);

  HttpTestServer server(Reply::neverAnswer());
  auto start = Clock::now();
  EXPECT_THAT(httpGet(server.url("/list=sh601288")), IsEmpty());
  EXPECT_GE(secondsSince(start), 0.6);
  EXPECT_LT(secondsSince(start), 3.0);

  // The bound covers the whole call, redirects included.
  Reply slow = Reply::redirect("/again");
  slow.delay = std::chrono::milliseconds(300);
  server.setReply(slow);
  start = Clock::now();
  EXPECT_THAT(httpGet(server.url("/again")), IsEmpty());
  EXPECT_LT(secondsSince(start), 2.0);
}

// A listener whose accept queue is full: the handshake of a further
// connection is never completed, so only the connect bound ends the wait.
class FullListener {
 public:
  FullListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 0);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 4; ++i) {
      const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(client);
    }
  }
  ~FullListener() {
    for (int fd : fillers_) ::close(fd);
    ::close(fd_);
  }
  std::uint16_t port() const { return port_; }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::vector<int> fillers_;
};

TEST_F(HttpGet, UnansweredConnectEndsWithinTheConnectBound) {
  HttpLimits shorter;
  shorter.connectTimeout = std::chrono::milliseconds(500);
  setHttpLimitsForTesting(shorter);
  FullListener listener;
  const auto start = Clock::now();
  EXPECT_THAT(httpGet("http://127.0.0.1:" + std::to_string(listener.port()) + "/x"), IsEmpty());
  EXPECT_GE(secondsSince(start), 0.4);  // it waited: no refusal came
  EXPECT_LT(secondsSince(start), 3.0);
}

}  // namespace
}  // namespace brindlow
