#pragma once
// Where the quote and chart services are reached. The defaults are the public
// services; BRINDLOW_QUOTE_HOST and BRINDLOW_CHART_HOST ("host" or
// "host:port") point the program at a mirror or at tools/market-sim.

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "shell/values/text.h"

namespace brindlow {

struct HostPort {
  Text host;  // a name, an IPv4 address, or an IPv6 address in brackets
  std::uint16_t port = 80;

  bool operator==(const HostPort&) const = default;
};

struct ServiceEndpoints {
  HostPort quote{"hq.sinajs.cn", 80};
  HostPort chart{"image.sinajs.cn", 80};

  bool operator==(const ServiceEndpoints&) const = default;
};

inline constexpr const char* kQuoteHostVariable = "BRINDLOW_QUOTE_HOST";
inline constexpr const char* kChartHostVariable = "BRINDLOW_CHART_HOST";

// "host" (port 80) or "host:port" with a port of 1 to 65535; none when the
// value is malformed (empty host, a port that is not a number in range, or
// characters that cannot stand in a URL's host part).
std::optional<HostPort> parseHostPort(const Text& value);

// The endpoints given two override values (null or empty: not set). Each
// malformed value is reported on `errors` and its default is kept.
ServiceEndpoints endpointsFromOverrides(const char* quoteHost, const char* chartHost,
                                        std::ostream& errors);

// The process's endpoints: read from the environment on first use (a
// malformed value is reported once on standard error), or as set below.
const ServiceEndpoints& serviceEndpoints();
// Tests and tools set the endpoints directly; resetServiceEndpoints() makes the
// next serviceEndpoints() read the environment again.
void setServiceEndpoints(const ServiceEndpoints& endpoints);
void resetServiceEndpoints();

// "http://host" for port 80, "http://host:port" otherwise.
Text serviceOrigin(const HostPort& endpoint);

}  // namespace brindlow
