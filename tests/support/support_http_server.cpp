#include "support_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace brindlow::testing {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kReadLimit{5'000};    // a client that sends nothing is dropped
constexpr std::chrono::milliseconds kWriteLimit{30'000};  // a client that reads nothing is dropped
constexpr std::size_t kMaxRequestBytes = 1 << 20;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

int remainingMs(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return static_cast<int>(std::max<long long>(0, left));
}

// Waits until fd is ready for `events`, the wake pipe fires or the deadline
// passes. True only when fd is ready.
bool waitFor(int fd, short events, int wakeFd, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, remainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (fds[1].revents != 0) return false;
    return fds[0].revents != 0;
  }
}

void parseHead(RecordedRequest& request) {
  const std::size_t lineEnd = request.raw.find("\r\n");
  request.requestLine = request.raw.substr(0, lineEnd);
  const std::size_t firstSpace = request.requestLine.find(' ');
  const std::size_t lastSpace = request.requestLine.rfind(' ');
  request.method = request.requestLine.substr(0, firstSpace);
  if (firstSpace != std::string::npos && lastSpace > firstSpace) {
    request.target = request.requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request.version = request.requestLine.substr(lastSpace + 1);
  }
  if (lineEnd == std::string::npos) return;
  std::size_t pos = lineEnd + 2;
  for (;;) {
    const std::size_t end = request.raw.find("\r\n", pos);
    if (end == std::string::npos || end == pos) break;
    const std::string line = request.raw.substr(pos, end - pos);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string value = line.substr(colon + 1);
      value.erase(0, value.find_first_not_of(" \t"));
      request.headers.emplace_back(line.substr(0, colon), value);
    }
    pos = end + 2;
  }
}

std::size_t contentLengthOf(const RecordedRequest& request) {
  auto value = request.header("Content-Length");
  if (!value) return 0;
  try {
    return std::min<std::size_t>(std::stoul(*value), kMaxRequestBytes);
  } catch (const std::exception&) {
    return 0;
  }
}

// Reads one request head (and a body by its Content-Length).
std::optional<RecordedRequest> readRequest(int fd, int wakeFd) {
  RecordedRequest request;
  const auto deadline = SteadyClock::now() + kReadLimit;
  std::size_t headEnd = std::string::npos;
  std::size_t wanted = 0;
  char buffer[16 * 1024];
  for (;;) {
    if (headEnd == std::string::npos) {
      headEnd = request.raw.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        parseHead(request);
        wanted = headEnd + 4 + contentLengthOf(request);
      }
    }
    if (headEnd != std::string::npos && request.raw.size() >= wanted) break;
    if (request.raw.size() >= kMaxRequestBytes) break;
    if (!waitFor(fd, POLLIN, wakeFd, deadline)) break;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    request.raw.append(buffer, static_cast<std::size_t>(n));
  }
  if (request.raw.empty()) return std::nullopt;
  if (headEnd == std::string::npos) parseHead(request);
  return request;
}

bool sendAll(int fd, std::string_view bytes, int wakeFd, SteadyClock::time_point deadline) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!waitFor(fd, POLLOUT, wakeFd, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

void closeWithReset(int fd) {
  linger hard{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  ::close(fd);
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (equalsIgnoringCase(key, name)) return value;
  }
  return std::nullopt;
}

Reply Reply::ok(std::string body, std::string contentType) {
  return withStatus(200, "OK", std::move(body), std::move(contentType));
}

Reply Reply::withStatus(int status, std::string reason, std::string body, std::string contentType) {
  Reply reply;
  reply.status = status;
  reply.reason = std::move(reason);
  reply.headers.emplace_back("Content-Type", std::move(contentType));
  reply.body = std::move(body);
  return reply;
}

Reply Reply::notFound() {
  return withStatus(404, "Not Found",
                    "<html><head><title>404 Not Found</title></head>"
                    "<body><h1>Not Found</h1></body></html>\n");
}

Reply Reply::redirect(std::string location, int status) {
  Reply reply = withStatus(status, "Found", "<html><body>Moved</body></html>\n");
  reply.headers.emplace_back("Location", std::move(location));
  return reply;
}

Reply Reply::reset() {
  Reply reply;
  reply.action = Action::Reset;
  return reply;
}

Reply Reply::neverAnswer() {
  Reply reply;
  reply.action = Action::NeverAnswer;
  return reply;
}

Reply Reply::raw(std::string bytes) {
  Reply reply;
  reply.rawBytes = std::move(bytes);
  return reply;
}

std::string Reply::head() const {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
  for (const auto& [name, value] : headers) head += name + ": " + value + "\r\n";
  if (contentLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  head += "Connection: close\r\n\r\n";
  return head;
}

Routes& Routes::on(std::string target, Reply reply) {
  return on(std::move(target), [reply](const RecordedRequest&) { return reply; });
}

Routes& Routes::on(std::string target, Handler handler) {
  routes_[std::move(target)] = std::move(handler);
  return *this;
}

Routes& Routes::otherwise(Handler handler) {
  fallback_ = std::move(handler);
  return *this;
}

Reply Routes::operator()(const RecordedRequest& request) const {
  auto found = routes_.find(request.target);
  if (found != routes_.end()) return found->second(request);
  return fallback_ ? fallback_(request) : Reply::notFound();
}

// ---------------------------------------------------------------------------

struct HttpTestServer::State {
  int listenFd = -1;
  int wakePipe[2] = {-1, -1};
  std::uint16_t port = 0;
  std::thread thread;
  std::atomic<bool> stopping{false};

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  Handler handler;
  std::vector<RecordedRequest> requests;
  std::size_t requestCount = 0;
  bool recording = true;

  void run() {
    while (!stopping) {
      pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
      const int ready = ::poll(fds, 2, -1);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0 || fds[1].revents != 0) break;
      const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (client < 0) continue;
      serve(client);
    }
  }

  void serve(int client) {
    std::optional<RecordedRequest> request = readRequest(client, wakePipe[0]);
    if (!request) {
      ::close(client);
      return;
    }
    Handler current;
    {
      std::lock_guard lock(mutex);
      current = handler;
      ++requestCount;
      if (recording) requests.push_back(*request);
    }
    changed.notify_all();
    const Reply reply = current ? current(*request) : Reply::notFound();

    if (reply.delay.count() > 0) {
      // Only the wake pipe can end this wait early.
      pollfd wake{wakePipe[0], POLLIN, 0};
      if (::poll(&wake, 1, static_cast<int>(reply.delay.count())) != 0) {
        ::close(client);
        return;
      }
    }
    switch (reply.action) {
      case Reply::Action::Reset:
        closeWithReset(client);
        return;
      case Reply::Action::NeverAnswer: {
        // Held until the client closes its end or the server stops.
        char sink[4096];
        while (waitFor(client, POLLIN, wakePipe[0], SteadyClock::now() + std::chrono::hours(1))) {
          const ssize_t n = ::recv(client, sink, sizeof sink, 0);
          if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
        }
        ::close(client);
        return;
      }
      case Reply::Action::Answer:
        break;
    }
    const auto deadline = SteadyClock::now() + kWriteLimit;
    if (reply.rawBytes) {
      sendAll(client, *reply.rawBytes, wakePipe[0], deadline);
    } else {
      std::string_view body = reply.body;
      if (reply.closeAfterBodyBytes) body = body.substr(0, *reply.closeAfterBodyBytes);
      if (sendAll(client, reply.head(), wakePipe[0], deadline)) {
        sendAll(client, body, wakePipe[0], deadline);
      }
    }
    ::shutdown(client, SHUT_WR);
    ::close(client);
  }
};

HttpTestServer::HttpTestServer() : HttpTestServer(Handler()) {}

HttpTestServer::HttpTestServer(Reply reply)
    : HttpTestServer(Handler([reply](const RecordedRequest&) { return reply; })) {}

HttpTestServer::HttpTestServer(Handler handler) : state_(std::make_shared<State>()) {
  state_->handler = std::move(handler);
  if (::pipe2(state_->wakePipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  state_->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (state_->listenFd < 0) throw std::runtime_error("socket failed");
  const int one = 1;
  ::setsockopt(state_->listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(state_->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(state_->listenFd, 64) != 0) {
    throw std::runtime_error("bind/listen on 127.0.0.1 failed");
  }
  socklen_t length = sizeof address;
  ::getsockname(state_->listenFd, reinterpret_cast<sockaddr*>(&address), &length);
  state_->port = ntohs(address.sin_port);
  state_->thread = std::thread([state = state_] { state->run(); });
}

HttpTestServer::~HttpTestServer() { stop(); }

void HttpTestServer::stop() {
  if (!state_->thread.joinable()) return;
  state_->stopping = true;
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(state_->wakePipe[1], &byte, 1);
  state_->thread.join();
  ::close(state_->listenFd);
  ::close(state_->wakePipe[0]);
  ::close(state_->wakePipe[1]);
}

std::uint16_t HttpTestServer::port() const { return state_->port; }

std::string HttpTestServer::hostPort() const { return "127.0.0.1:" + std::to_string(port()); }

std::string HttpTestServer::url(std::string_view target) const {
  return "http://" + hostPort() + std::string(target);
}

void HttpTestServer::setReply(Reply reply) {
  setHandler([reply](const RecordedRequest&) { return reply; });
}

void HttpTestServer::setHandler(Handler handler) {
  std::lock_guard lock(state_->mutex);
  state_->handler = std::move(handler);
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

std::size_t HttpTestServer::requestCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->requestCount;
}

bool HttpTestServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] { return state_->requestCount >= count; });
}

void HttpTestServer::clearRequests() {
  std::lock_guard lock(state_->mutex);
  state_->requests.clear();
  state_->requestCount = 0;
}

void HttpTestServer::setRecording(bool on) {
  std::lock_guard lock(state_->mutex);
  state_->recording = on;
}

std::uint16_t closedLoopbackPort() {
  // Bind an ephemeral port and release it without listening: connecting to it
  // is refused until some other program happens to take it.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    throw std::runtime_error("bind failed");
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// ---------------------------------------------------------------------------

struct MarketSimProcess::State {
  pid_t pid = -1;
  int output = -1;
  std::uint16_t port = 0;
  std::thread reader;
  std::optional<int> exitStatus;

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::vector<std::string> lines;
  std::string partial;
  bool ended = false;

  // Reads the child's output until it closes; the first line is the port line.
  void readLines() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(output, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      std::lock_guard lock(mutex);
      partial.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = partial.find('\n')) != std::string::npos;) {
        lines.push_back(partial.substr(0, end));
        partial.erase(0, end + 1);
      }
      changed.notify_all();
    }
    std::lock_guard lock(mutex);
    ended = true;
    changed.notify_all();
  }
};

MarketSimProcess::MarketSimProcess(const std::string& binary,
                                   const std::vector<std::string>& arguments)
    : state_(std::make_shared<State>()) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> args{binary, "--port", "0"};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  const int spawned =
      ::posix_spawn(&state_->pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    throw std::runtime_error("cannot start " + binary + ": " + std::strerror(spawned));
  }
  state_->output = pipeFds[0];
  state_->reader = std::thread([state = state_] { state->readLines(); });

  std::string first;
  {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait_for(lock, std::chrono::seconds(10),
                             [&] { return !state_->lines.empty() || state_->ended; });
    if (!state_->lines.empty()) {
      first = state_->lines.front();
      state_->lines.erase(state_->lines.begin());
    }
  }
  const std::size_t colon = first.rfind(':');
  if (colon != std::string::npos) {
    try {
      state_->port = static_cast<std::uint16_t>(std::stoul(first.substr(colon + 1)));
    } catch (const std::exception&) {
      state_->port = 0;
    }
  }
  if (state_->port == 0) {
    stop();
    throw std::runtime_error("market-sim did not report its port; first line: " + first);
  }
}

MarketSimProcess::~MarketSimProcess() { stop(); }

int MarketSimProcess::stop(int signal) {
  if (state_->exitStatus) return *state_->exitStatus;
  ::kill(state_->pid, signal);
  int status = 0;
  const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
  pid_t done = 0;
  while ((done = ::waitpid(state_->pid, &status, WNOHANG)) == 0 && SteadyClock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (done == 0) {
    ::kill(state_->pid, SIGKILL);
    ::waitpid(state_->pid, &status, 0);
  }
  if (state_->reader.joinable()) state_->reader.join();
  ::close(state_->output);
  state_->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return *state_->exitStatus;
}

std::uint16_t MarketSimProcess::port() const { return state_->port; }

std::string MarketSimProcess::hostPort() const { return "127.0.0.1:" + std::to_string(port()); }

std::string MarketSimProcess::url(std::string_view target) const {
  return "http://" + hostPort() + std::string(target);
}

std::vector<std::string> MarketSimProcess::outputLines() const {
  std::lock_guard lock(state_->mutex);
  return state_->lines;
}

bool MarketSimProcess::waitForOutputLines(std::size_t count,
                                          std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] {
    return state_->lines.size() >= count || state_->ended;
  }) && state_->lines.size() >= count;
}

}  // namespace brindlow::testing
