#pragma once

#include <cstdint>

namespace quorvan {

// Windows FILETIME: 100 ns units since 1601-01-01 UTC. This many lie between then and
// 1970-01-01 UTC, where Unix clocks start.
inline constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;

}  // namespace quorvan
