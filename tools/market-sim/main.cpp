// market-sim: a simulated quote and chart service on a loopback port, for
// demos and end-to-end tests without the internet. See README.md.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "sim_market.h"
#include "sim_server.h"

namespace {

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
}

const char* kUsage =
    "usage: market-sim --port N [options]\n"
    "  --port N            loopback port to listen on (0: any free port)\n"
    "  --seed S            seed of the simulated day (default 1)\n"
    "  --time HH:MM:SS     a fixed clock time instead of the local clock\n"
    "  --date YYYY-MM-DD   a fixed date for the records instead of today\n"
    "  --always-open       the session repeats over the whole day (demos out of hours)\n"
    "  --delay-ms N        wait N ms before every answer\n"
    "  --fault-404         answer every request with a 404 page\n"
    "  --cut-short         end bodies early (quotes before their closing mark)\n"
    "  --reset             reset every connection instead of answering\n"
    "  --d-field           append the late-day 34th field \"D|...\" to records\n"
    "  --reject CODES      comma-separated codes whose record is always malformed\n"
    "  --require-referer   answer quotes without the service's referrer with 403\n";

bool parseNumber(const std::string& text, long min, long max, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < min || value > max) return false;
  out = value;
  return true;
}

bool parseClock(const std::string& text, int& seconds) {
  int h = 0, m = 0, s = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail) != 3) return false;
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  seconds = h * 3600 + m * 60 + s;
  return true;
}

bool parseDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  return std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3 && text.size() == 10 &&
         m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

int usageError(const std::string& message) {
  std::cerr << "market-sim: " << message << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brindlow::sim;
  std::vector<std::string> args(argv + 1, argv + argc);
  long port = -1;
  long seed = 1;
  ClockSettings clock;
  Faults faults;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    long number = 0;
    int seconds = 0;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--port") {
      if (!value(v) || !parseNumber(v, 0, 65535, port)) return usageError("bad --port");
    } else if (arg == "--seed") {
      if (!value(v) || !parseNumber(v, 0, 2147483647L, seed)) return usageError("bad --seed");
    } else if (arg == "--time") {
      if (!value(v) || !parseClock(v, seconds)) return usageError("bad --time, want HH:MM:SS");
      clock.fixedSecondsOfDay = seconds;
    } else if (arg == "--date") {
      if (!value(v) || !parseDate(v)) return usageError("bad --date, want YYYY-MM-DD");
      clock.fixedDate = v;
    } else if (arg == "--always-open") {
      clock.alwaysOpen = true;
    } else if (arg == "--delay-ms") {
      if (!value(v) || !parseNumber(v, 0, 600000, number)) return usageError("bad --delay-ms");
      faults.delayMs = static_cast<int>(number);
    } else if (arg == "--fault-404") {
      faults.notFound = true;
    } else if (arg == "--cut-short") {
      faults.cutShort = true;
    } else if (arg == "--reset") {
      faults.reset = true;
    } else if (arg == "--d-field") {
      faults.postCloseField = true;
    } else if (arg == "--require-referer") {
      faults.requireReferer = true;
    } else if (arg == "--reject") {
      if (!value(v) || !faults.apply("reject=" + v)) return usageError("bad --reject");
    } else {
      return usageError("unknown option " + arg);
    }
  }
  if (port < 0) return usageError("--port is required");

  if (::pipe2(stopPipe, O_CLOEXEC) != 0) {
    std::perror("market-sim: pipe");
    return 1;
  }
  struct sigaction stop {};
  stop.sa_handler = onStopSignal;
  sigemptyset(&stop.sa_mask);
  ::sigaction(SIGINT, &stop, nullptr);
  ::sigaction(SIGTERM, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  const SimulatedMarket market(static_cast<std::uint64_t>(seed));
  SimServer server(market, clock, faults, std::cout);
  const std::string error = server.listen(static_cast<std::uint16_t>(port));
  if (!error.empty()) {
    std::cerr << "market-sim: cannot listen on 127.0.0.1:" << port << ": " << error << "\n";
    return 1;
  }
  std::cout << "market-sim listening on 127.0.0.1:" << server.port() << std::endl;
  server.run(stopPipe[0]);
  return 0;
}
