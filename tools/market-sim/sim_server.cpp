#include "sim_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <list>
#include <memory>
#include <ostream>
#include <sstream>
#include <thread>

#include "sim_chart.h"

namespace brindlow::sim {

namespace {

constexpr const char* kQuotePath = "/list=";
constexpr const char* kChartPath = "/newchart/min/n/";
constexpr const char* kControlPath = "/sim/faults";
constexpr const char* kServiceReferer = "https://finance.sina.com.cn/";
constexpr std::size_t kMaxHead = 64 * 1024;
constexpr int kReadLimitMs = 5'000;
constexpr int kWriteLimitMs = 30'000;

const char* kNotFoundPage =
    "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n"
    "<center><h1>404 Not Found</h1></center>\r\n<hr><center>market-sim</center>\r\n"
    "</body>\r\n</html>\r\n";

std::vector<std::string> split(const std::string& text, char delimiter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(delimiter, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

bool parseFlag(const std::string& value, bool& out) {
  if (value == "1" || value == "on" || value == "true") return out = true, true;
  if (value == "0" || value == "off" || value == "false") return out = false, true;
  return false;
}

// Waits for fd, false when stopFd fires or the time runs out.
bool waitFor(int fd, short events, int stopFd, int timeoutMs) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0 && fds[1].revents == 0 && fds[0].revents != 0;
  }
}

bool sendAll(int fd, const char* data, std::size_t size, int stopFd) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (!waitFor(fd, POLLOUT, stopFd, kWriteLimitMs)) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::string todayText() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
  return buffer;
}

int secondsOfDayNow() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

}  // namespace

bool Faults::apply(const std::string& query) {
  if (query.empty()) return true;
  for (const std::string& pair : split(query, '&')) {
    const std::size_t equals = pair.find('=');
    const std::string name = pair.substr(0, equals);
    const std::string value = equals == std::string::npos ? "1" : pair.substr(equals + 1);
    if (name == "delay-ms") {
      try {
        delayMs = std::max(0, std::stoi(value));
      } catch (const std::exception&) {
        return false;
      }
    } else if (name == "reject") {
      rejected.clear();
      for (const std::string& code : split(value, ',')) {
        if (!code.empty()) rejected.insert(code);
      }
    } else {
      bool* flag = name == "fault-404"         ? &notFound
                   : name == "cut-short"       ? &cutShort
                   : name == "reset"           ? &reset
                   : name == "d-field"         ? &postCloseField
                   : name == "require-referer" ? &requireReferer
                                               : nullptr;
      if (flag == nullptr || !parseFlag(value, *flag)) return false;
    }
  }
  return true;
}

std::string Faults::describe() const {
  std::ostringstream out;
  out << "delay-ms=" << delayMs << " fault-404=" << notFound << " cut-short=" << cutShort
      << " reset=" << reset << " d-field=" << postCloseField
      << " require-referer=" << requireReferer << " reject=";
  bool first = true;
  for (const std::string& code : rejected) {
    out << (first ? "" : ",") << code;
    first = false;
  }
  return out.str();
}

SimServer::SimServer(const SimulatedMarket& market, ClockSettings clock, Faults faults,
                     std::ostream& log)
    : market_(market), clock_(std::move(clock)), faults_(std::move(faults)), log_(log) {}

std::string SimServer::listen(std::uint16_t port) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return std::strerror(errno);
  const int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only, never the network
  address.sin_port = htons(port);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listenFd_, 128) != 0) {
    return std::strerror(errno);
  }
  socklen_t length = sizeof address;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  return {};
}

void SimServer::run(int stopFd) {
  struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Connection> connections;
  auto reap = [&](bool all) {
    for (auto it = connections.begin(); it != connections.end();) {
      if (all || *it->done) {
        it->thread.join();
        it = connections.erase(it);
      } else {
        ++it;
      }
    }
  };
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, 1000);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && fds[1].revents != 0) break;
    reap(false);
    if (ready <= 0 || fds[0].revents == 0) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    auto done = std::make_shared<std::atomic<bool>>(false);
    connections.push_back(Connection{std::thread([this, fd, stopFd, done] {
                                       serveConnection(fd, stopFd);
                                       *done = true;
                                     }),
                                     done});
  }
  ::close(listenFd_);
  listenFd_ = -1;
  reap(true);  // every wait of a connection also ends on stopFd
}

MarketTime SimServer::now() const {
  const int seconds = clock_.fixedSecondsOfDay ? *clock_.fixedSecondsOfDay : secondsOfDayNow();
  return marketTime(seconds, clock_.fixedDate ? *clock_.fixedDate : todayText(), clock_.alwaysOpen);
}

std::string SimServer::quoteBody(const std::string& codes, const Faults& faults) const {
  const MarketTime time = now();
  std::string body;
  for (const std::string& code : split(codes, ',')) {
    std::string record;
    if (const SimulatedShare* share = market_.find(code)) {
      const bool rejected = faults.rejected.count(code) > 0 ||
                            (code.size() > 2 && faults.rejected.count(code.substr(2)) > 0);
      record = quoteRecord(*share, time, faults.postCloseField, rejected);
    }
    body += "var hq_str_" + code + "=\"" + record + "\";\n";
  }
  return body;
}

Answer SimServer::answer(const std::string& method, const std::string& target,
                         const std::string& referer) {
  Answer answer;
  if (target.rfind(kControlPath, 0) == 0) {
    // The switches can be flipped while the server runs; this path obeys none of them.
    const std::size_t question = target.find('?');
    std::lock_guard lock(faultsMutex_);
    Faults changed = faults_;
    if (!changed.apply(question == std::string::npos ? "" : target.substr(question + 1))) {
      answer.status = 400;
      answer.reason = "Bad Request";
    } else {
      faults_ = changed;
    }
    answer.contentType = "text/plain";
    answer.body = faults_.describe() + "\n";
    return answer;
  }

  Faults faults;
  {
    std::lock_guard lock(faultsMutex_);
    faults = faults_;
  }
  answer.delayMs = faults.delayMs;
  if (faults.reset) {
    answer.reset = true;
    return answer;
  }
  auto notFound = [&] {
    answer.status = 404;
    answer.reason = "Not Found";
    answer.contentType = "text/html";
    answer.body = kNotFoundPage;
  };
  if (method != "GET") {
    notFound();
    answer.status = 405;
    answer.reason = "Method Not Allowed";
    return answer;
  }
  if (faults.notFound) {
    notFound();
    return answer;
  }
  const std::string quotePath = kQuotePath;
  const std::string chartPath = kChartPath;
  if (target.rfind(quotePath, 0) == 0) {
    if (faults.requireReferer && referer != kServiceReferer) {
      // What the public service says to a request without its referrer.
      answer.status = 403;
      answer.reason = "Forbidden";
      answer.contentType = "text/html";
      answer.body = "Kinsoku jikou desu!";
      return answer;
    }
    answer.contentType = "application/javascript; charset=GBK";
    answer.body = quoteBody(target.substr(quotePath.size()), faults);
    if (faults.cutShort) {
      const std::size_t mark = answer.body.find("\";");
      answer.cutAt = mark == std::string::npos ? answer.body.size() / 2 : mark;
    }
    return answer;
  }
  if (target.rfind(chartPath, 0) == 0 && target.size() > chartPath.size() + 4 &&
      target.compare(target.size() - 4, 4, ".gif") == 0) {
    const std::string code = target.substr(chartPath.size(), target.size() - chartPath.size() - 4);
    const std::vector<std::uint8_t> gif = chartGif(market_.find(code), now().tick);
    answer.contentType = "image/gif";
    answer.body.assign(gif.begin(), gif.end());
    if (faults.cutShort) answer.cutAt = answer.body.size() / 2;
    return answer;
  }
  notFound();
  return answer;
}

void SimServer::serveConnection(int fd, int stopFd) {
  std::string head;
  char buffer[4096];
  std::size_t end = std::string::npos;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadLimitMs);
  while (head.size() < kMaxHead) {
    if ((end = head.find("\r\n\r\n")) != std::string::npos ||
        (end = head.find("\n\n")) != std::string::npos) {
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !waitFor(fd, POLLIN, stopFd, static_cast<int>(left.count()))) break;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  if (end == std::string::npos) {
    ::close(fd);
    return;
  }
  std::string requestLine = head.substr(0, head.find('\n'));
  if (!requestLine.empty() && requestLine.back() == '\r') requestLine.pop_back();
  {
    std::lock_guard lock(logMutex_);
    log_ << requestLine << std::endl;
  }
  // The target may hold spaces (a code typed with a trailing space): it runs
  // from the first space to the last.
  const std::size_t first = requestLine.find(' ');
  const std::size_t last = requestLine.rfind(' ');
  const std::string method = requestLine.substr(0, first);
  const std::string target = first != std::string::npos && last > first
                                 ? requestLine.substr(first + 1, last - first - 1)
                                 : std::string();
  std::string referer;
  for (const std::string& line : split(head.substr(0, end), '\n')) {
    std::string l = line;
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (l.size() > 8 && strncasecmp(l.c_str(), "referer:", 8) == 0) {
      const std::size_t value = l.find_first_not_of(" \t", 8);
      referer = value == std::string::npos ? std::string() : l.substr(value);
    }
  }

  const Answer a = answer(method, target, referer);
  if (a.delayMs > 0) {
    pollfd stop{stopFd, POLLIN, 0};
    if (::poll(&stop, 1, a.delayMs) != 0) {
      ::close(fd);
      return;
    }
  }
  if (a.reset) {
    linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
    return;
  }
  std::string response = "HTTP/1.1 " + std::to_string(a.status) + " " + a.reason + "\r\n";
  response += "Server: market-sim\r\n";
  if (!a.contentType.empty()) response += "Content-Type: " + a.contentType + "\r\n";
  response += "Content-Length: " + std::to_string(a.body.size()) + "\r\n";
  response += "Cache-Control: no-cache\r\nConnection: close\r\n\r\n";
  response.append(a.body, 0, a.cutAt ? *a.cutAt : a.body.size());
  sendAll(fd, response.data(), response.size(), stopFd);
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

}  // namespace brindlow::sim
