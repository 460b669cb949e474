#include "quotes/service_endpoints.h"

#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>

#include "quotes/url.h"

namespace brindlow {

namespace {

void applyOverride(const char* name, const char* value, HostPort& endpoint, std::ostream& errors) {
  if (value == nullptr || *value == '\0') return;
  if (auto parsed = parseHostPort(value)) {
    endpoint = *parsed;
    return;
  }
  errors << "brindlow: ignoring " << name << "=\"" << value
         << "\": expected host or host:port; using " << endpoint.host << ':' << endpoint.port
         << '\n';
}

std::mutex endpointsMutex;
std::optional<ServiceEndpoints> processEndpoints;

}  // namespace

std::optional<HostPort> parseHostPort(const Text& value) {
  Text host = value;
  std::uint16_t port = 80;
  // The port separator is the last colon, outside an IPv6 literal's brackets.
  const std::size_t colon = value.rfind(':');
  const std::size_t bracket = value.rfind(']');
  const bool bracketed = !value.empty() && value.front() == '[';
  if (colon != Text::npos && (!bracketed || (bracket != Text::npos && colon > bracket))) {
    host = value.substr(0, colon);
    auto parsed = parseUrlPort(value.substr(colon + 1));
    if (!parsed) return std::nullopt;
    port = *parsed;
  }
  if (!isValidUrlHost(host)) return std::nullopt;
  return HostPort{host, port};
}

ServiceEndpoints endpointsFromOverrides(const char* quoteHost, const char* chartHost,
                                        std::ostream& errors) {
  ServiceEndpoints endpoints;
  applyOverride(kQuoteHostVariable, quoteHost, endpoints.quote, errors);
  applyOverride(kChartHostVariable, chartHost, endpoints.chart, errors);
  return endpoints;
}

const ServiceEndpoints& serviceEndpoints() {
  std::lock_guard lock(endpointsMutex);
  if (!processEndpoints) {
    processEndpoints = endpointsFromOverrides(std::getenv(kQuoteHostVariable),
                                              std::getenv(kChartHostVariable), std::cerr);
  }
  return *processEndpoints;
}

void setServiceEndpoints(const ServiceEndpoints& endpoints) {
  std::lock_guard lock(endpointsMutex);
  processEndpoints = endpoints;
}

void resetServiceEndpoints() {
  std::lock_guard lock(endpointsMutex);
  processEndpoints.reset();
}

Text serviceOrigin(const HostPort& endpoint) {
  Text origin = "http://" + endpoint.host;
  if (endpoint.port != 80) {
    origin += ':';
    origin += std::to_string(endpoint.port);
  }
  return origin;
}

}  // namespace brindlow
