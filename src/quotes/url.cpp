#include "quotes/url.h"

namespace brindlow {

namespace {

Text lowerAscii(Text t) {
  for (char& c : t) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return t;
}

std::uint16_t defaultPort(const Text& scheme) { return scheme == "https" ? 443 : 80; }

Text originOf(const UrlParts& base) {
  Text origin = base.scheme + "://";
  if (!base.user.empty() || !base.password.empty()) {
    origin += base.user;
    if (!base.password.empty()) origin += ":" + base.password;
    origin += "@";
  }
  origin += base.host;
  if (base.port != defaultPort(base.scheme)) {
    origin += ':';
    origin += std::to_string(base.port);
  }
  return origin;
}

}  // namespace

bool isValidUrlHost(const Text& host) {
  if (host.empty()) return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    for (std::size_t i = 1; i + 1 < host.size(); ++i) {
      const char c = host[i];
      const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
      if (!hex && c != ':' && c != '.') return false;
    }
    return true;
  }
  for (const char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::optional<std::uint16_t> parseUrlPort(const Text& digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::optional<UrlParts> splitUrl(const Text& url) {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == Text::npos) return std::nullopt;
  UrlParts parts;
  parts.scheme = lowerAscii(url.substr(0, schemeEnd));
  if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;

  const std::size_t authorityStart = schemeEnd + 3;
  std::size_t authorityEnd = url.find_first_of("/?#", authorityStart);
  if (authorityEnd == Text::npos) authorityEnd = url.size();
  Text authority = url.substr(authorityStart, authorityEnd - authorityStart);

  const std::size_t at = authority.rfind('@');
  if (at != Text::npos) {
    const Text userInfo = authority.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    parts.user = userInfo.substr(0, colon);
    if (colon != Text::npos) parts.password = userInfo.substr(colon + 1);
    authority.erase(0, at + 1);
  }

  parts.port = defaultPort(parts.scheme);
  const std::size_t colon = authority.rfind(':');
  const std::size_t bracket = authority.rfind(']');
  const bool bracketed = !authority.empty() && authority.front() == '[';
  if (colon != Text::npos && (!bracketed || (bracket != Text::npos && colon > bracket))) {
    const Text digits = authority.substr(colon + 1);
    if (!digits.empty()) {  // "host:" keeps the default port
      auto port = parseUrlPort(digits);
      if (!port) return std::nullopt;
      parts.port = *port;
    }
    authority.erase(colon);
  }
  if (!isValidUrlHost(authority)) return std::nullopt;
  parts.host = authority;

  Text path = url.substr(authorityEnd);
  const std::size_t hash = path.find('#');
  if (hash != Text::npos) path.erase(hash);
  if (path.find_first_of("\r\n") != Text::npos) return std::nullopt;
  if (path.empty() || path.front() != '/') path = Text(1, '/').append(path);
  parts.path = path;
  return parts;
}

std::optional<UrlParts> resolveLocation(const UrlParts& base, const Text& location) {
  if (location.find("://") != Text::npos) return splitUrl(location);
  if (location.rfind("//", 0) == 0) return splitUrl(base.scheme + ":" + location);
  if (location.rfind("/", 0) == 0) return splitUrl(originOf(base) + location);
  const Text basePath = base.path.substr(0, base.path.find('?'));
  if (location.rfind("?", 0) == 0) return splitUrl(originOf(base) + basePath + location);
  // Relative to the folder of the base path.
  Text folder = basePath;
  folder.erase(folder.rfind('/') + 1);
  return splitUrl(originOf(base) + folder + location);
}

}  // namespace brindlow
