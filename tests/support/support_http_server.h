#pragma once
// Loopback HTTP servers for tests.
//
// HttpTestServer is a raw TCP server on 127.0.0.1 (ephemeral port) that runs
// on its own thread, serves one connection at a time, records the exact bytes
// of every request and answers each with a scripted Reply:
//
//   brindlow::testing::HttpTestServer server(Reply::ok("hello"));
//   Bytes body = httpGet(server.url("/path"));
//   EXPECT_EQ(server.requests().at(0).requestLine, "GET /path HTTP/1.0");
//
// For answers by path, give it Routes (or any Handler):
//
//   HttpTestServer server(Routes()
//       .on("/list=sh601288", Reply::ok(record, "text/javascript; charset=GBK"))
//       .on("/newchart/min/n/sh601288.gif", Reply::ok(gif, "image/gif")));
//
// Handlers run on the server thread; state they share with the test needs
// its own lock. The destructor stops the server and joins its thread, also
// while a reply is being delayed or held open.
//
// MarketSimProcess starts tools/market-sim on a free port and stops it again.

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brindlow::testing {

// One request as the server received it.
struct RecordedRequest {
  std::string raw;          // every byte read: request line, headers, blank line, body if any
  std::string requestLine;  // the first line, without its line end
  std::string method;       // up to the first space of the request line
  std::string target;       // between the first and the last space, byte for byte
  std::string version;      // after the last space
  std::vector<std::pair<std::string, std::string>> headers;  // in order, as sent

  // The value of the first header of that name (case-insensitive), if any.
  std::optional<std::string> header(std::string_view name) const;
};

// What the server does with one request.
struct Reply {
  enum class Action {
    Answer,       // send the head and the body (or part of it), then close
    Reset,        // close at once with a TCP reset, sending nothing
    NeverAnswer,  // keep the connection open, silent, until the client gives up
  };

  Action action = Action::Answer;
  int status = 200;
  std::string reason = "OK";
  std::vector<std::pair<std::string, std::string>> headers;  // sent after the status line
  bool contentLength = true;  // add "Content-Length:" with the size of the whole body
  std::string body;
  std::optional<std::string> rawBytes;  // when set, sent as they are instead of head and body
  std::chrono::milliseconds delay{0};   // wait before doing anything
  std::optional<std::size_t> closeAfterBodyBytes;  // send only this much of the body, then close

  static Reply ok(std::string body, std::string contentType = "text/plain");
  static Reply withStatus(int status, std::string reason, std::string body,
                          std::string contentType = "text/html");
  static Reply notFound();
  static Reply redirect(std::string location, int status = 302);
  static Reply reset();
  static Reply neverAnswer();
  static Reply raw(std::string bytes);

  // The status line and headers as sent, ending with the blank line.
  std::string head() const;
};

using Handler = std::function<Reply(const RecordedRequest&)>;

// Answers by exact request target; anything else gets the fallback (404).
class Routes {
 public:
  Routes& on(std::string target, Reply reply);
  Routes& on(std::string target, Handler handler);
  Routes& otherwise(Handler handler);
  Reply operator()(const RecordedRequest& request) const;

 private:
  std::map<std::string, Handler> routes_;
  Handler fallback_;
};

class HttpTestServer {
 public:
  HttpTestServer();  // answers 404 until given a reply or handler
  explicit HttpTestServer(Reply reply);
  explicit HttpTestServer(Handler handler);
  explicit HttpTestServer(Routes routes) : HttpTestServer(Handler(std::move(routes))) {}
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  std::uint16_t port() const;
  std::string hostPort() const;                          // "127.0.0.1:PORT"
  std::string url(std::string_view target = "/") const;  // "http://127.0.0.1:PORT" + target

  void setReply(Reply reply);
  void setHandler(Handler handler);

  // Requests received so far, oldest first.
  std::vector<RecordedRequest> requests() const;
  std::size_t requestCount() const;
  bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
  void clearRequests();
  // Benchmarks switch recording off so memory stays flat.
  void setRecording(bool on);

  // Stops accepting and joins the thread; idempotent.
  void stop();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// A loopback port on which nothing listens (connections are refused).
std::uint16_t closedLoopbackPort();

// A running tools/market-sim. Started with "--port 0" plus the given
// arguments; its first output line tells the port. Later output lines (one
// per request) are collected. The destructor sends SIGTERM and waits.
class MarketSimProcess {
 public:
  MarketSimProcess(const std::string& binary, const std::vector<std::string>& arguments = {});
  ~MarketSimProcess();
  MarketSimProcess(const MarketSimProcess&) = delete;
  MarketSimProcess& operator=(const MarketSimProcess&) = delete;

  std::uint16_t port() const;
  std::string hostPort() const;  // "127.0.0.1:PORT"
  std::string url(std::string_view target = "/") const;

  // Output lines after the first, as printed so far.
  std::vector<std::string> outputLines() const;
  bool waitForOutputLines(std::size_t count, std::chrono::milliseconds timeout) const;

  // Sends the signal (SIGTERM by default) and waits: the exit status, or
  // 128 + signal when killed. Idempotent; a process that does not stop within
  // 10 s is killed.
  int stop(int signal = SIGTERM);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace brindlow::testing
