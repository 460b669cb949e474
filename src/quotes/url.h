#pragma once
// Splitting of the URLs that httpGet requests. No percent-escaping or
// -decoding anywhere: the path is the request target, byte for byte.

#include <cstdint>
#include <optional>

#include "shell/values/text.h"

namespace brindlow {

struct UrlParts {
  Text scheme;  // "http" or "https", lower case
  Text host;    // a name, an IPv4 address or a bracketed IPv6 address
  std::uint16_t port = 80;
  Text user;
  Text password;
  Text path;  // the request target: starts with "/", ends before the first "#"

  bool operator==(const UrlParts&) const = default;
};

// scheme "://" [user [":" password] "@"] host [":" port] [path]. The scheme
// is http (default port 80) or https (443); the path is everything after the
// host and port, "/" when there is none. None when the URL does not split:
// another scheme, an empty or malformed host, a bad port, or a CR or LF in the
// path (it would end the request line early).
std::optional<UrlParts> splitUrl(const Text& url);

// Host parts we accept: letters, digits, "-", ".", "_", or "[" IPv6 "]".
bool isValidUrlHost(const Text& host);

// The port, "" or ":" digits, 1 to 65535.
std::optional<std::uint16_t> parseUrlPort(const Text& digits);

// Where a Location header leads from `base`: absolute, scheme-relative,
// host-relative or relative to the base path's folder.
std::optional<UrlParts> resolveLocation(const UrlParts& base, const Text& location);

}  // namespace brindlow
