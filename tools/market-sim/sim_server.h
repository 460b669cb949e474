#pragma once
// The HTTP side of the simulated market: a loopback server that answers the
// quote and chart paths, with switchable faults.

#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "sim_market.h"

namespace brindlow::sim {

struct Faults {
  int delayMs = 0;                 // wait before every answer
  bool notFound = false;           // every answer is a 404 page
  bool cutShort = false;           // bodies end early: a quote before its closing mark
  bool reset = false;              // connections are reset instead of answered
  bool postCloseField = false;     // records carry the late-day 34th field "D|..."
  bool requireReferer = false;     // quotes without the service's referrer get 403
  std::set<std::string> rejected;  // codes ("600000" or "sh600000") whose record is malformed

  // Applies "name=value&..." as given to /sim/faults; false on an unknown name.
  bool apply(const std::string& query);
  std::string describe() const;
};

struct ClockSettings {
  std::optional<int> fixedSecondsOfDay;  // --time
  std::optional<std::string> fixedDate;  // --date
  bool alwaysOpen = false;
};

struct Answer {
  int status = 200;
  std::string reason = "OK";
  std::string contentType;
  std::string body;
  bool reset = false;
  int delayMs = 0;
  std::optional<std::size_t> cutAt;  // bytes of the body sent before closing
};

class SimServer {
 public:
  SimServer(const SimulatedMarket& market, ClockSettings clock, Faults faults, std::ostream& log);

  // Binds 127.0.0.1:port, 0 for any free port. Empty on success, else why not.
  std::string listen(std::uint16_t port);
  std::uint16_t port() const { return port_; }

  // Serves until stopFd becomes readable, then finishes open connections.
  void run(int stopFd);

  // The answer to one request (method and target as they came).
  Answer answer(const std::string& method, const std::string& target, const std::string& referer);

 private:
  void serveConnection(int fd, int stopFd);
  MarketTime now() const;
  std::string quoteBody(const std::string& codes, const Faults& faults) const;

  const SimulatedMarket& market_;
  ClockSettings clock_;
  std::mutex faultsMutex_;
  Faults faults_;
  std::mutex logMutex_;
  std::ostream& log_;
  int listenFd_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace brindlow::sim
