#include "metrics/listen_address.h"

#include <algorithm>
#include <charconv>

namespace quorvan {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A decimal number of at most `digits` digits, no sign, no leading zero but for 0 itself.
std::optional<unsigned> Decimal(std::string_view text, std::size_t digits) {
  if (text.empty() || text.size() > digits || !std::all_of(text.begin(), text.end(), IsDigit)) {
    return std::nullopt;
  }
  if (text.size() > 1 && text[0] == '0') return std::nullopt;
  unsigned value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Dotted quad, four decimal parts of 0..255.
bool IsIpv4(std::string_view text) {
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return false;
    const std::optional<unsigned> value = Decimal(text.substr(0, dot), 3);
    if (!value || *value > 255) return false;
    text.remove_prefix(part < 3 ? dot + 1 : dot);
  }
  return text.empty();
}

// RFC 4291's text forms: eight groups of 1 to 4 hex digits, one "::" standing for one or more
// zero groups, and the last two groups optionally written as a dotted quad. No zone index.
bool IsIpv6(std::string_view text) {
  const std::size_t gap = text.find("::");
  if (gap != std::string_view::npos && text.find("::", gap + 1) != std::string_view::npos) {
    return false;
  }
  int groups = 0;
  auto countGroups = [&groups](std::string_view part, bool mayEndInIpv4) {
    if (part.empty()) return true;
    for (;;) {
      const std::size_t colon = part.find(':');
      const std::string_view group = part.substr(0, colon);
      if (colon == std::string_view::npos && mayEndInIpv4 && group.find('.') != group.npos) {
        groups += 2;
        return IsIpv4(group);
      }
      if (group.empty() || group.size() > 4 ||
          !std::all_of(group.begin(), group.end(), IsHexDigit)) {
        return false;
      }
      ++groups;
      if (colon == std::string_view::npos) return true;
      part.remove_prefix(colon + 1);
    }
  };
  if (gap == std::string_view::npos) return countGroups(text, true) && groups == 8;
  return countGroups(text.substr(0, gap), false) && countGroups(text.substr(gap + 2), true) &&
         groups <= 7;
}

}  // namespace

std::string ListenAddress::Text() const {
  const std::string shownHost = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return shownHost + ":" + std::to_string(port);
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<unsigned> port = Decimal(text.substr(colon + 1), 5);
  if (!port || *port == 0 || *port > 65535) return std::nullopt;
  std::string_view host = text.substr(0, colon);
  ListenAddress address;
  address.port = static_cast<uint16_t>(*port);
  if (host.empty()) return address;
  if (host.front() == '[') {
    if (host.size() < 2 || host.back() != ']') return std::nullopt;
    host = host.substr(1, host.size() - 2);
    if (!IsIpv6(host)) return std::nullopt;
  } else if (!IsIpv4(host)) {
    return std::nullopt;
  }
  address.host = std::string(host);
  return address;
}

}  // namespace quorvan
