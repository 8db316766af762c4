#pragma once

// Where the metrics are served: "127.0.0.1:9412", "[::1]:9412", or ":9412" for every address.
// Only numeric addresses: a name would need a resolver at start and could mean several places.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

struct ListenAddress {
  std::string host;   // "127.0.0.1", "::1" (without brackets), or "" for every address
  uint16_t port = 0;  // 1..65535

  // As written on the command line: "[::1]:9412".
  std::string Text() const;
  bool operator==(const ListenAddress&) const = default;
};

// Nothing when `text` is not one of the three forms with a numeric address and a port of
// 1..65535; the operating system may still refuse what this accepts (an address no interface
// has), when the server binds.
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

}  // namespace quorvan
