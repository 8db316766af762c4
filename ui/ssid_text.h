#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tracking/tracked_network.h"

namespace quorvan {

// SSIDs are raw bytes from the air. For display, valid UTF-8 passes as it is; every byte that is
// not part of a valid UTF-8 sequence, and every byte of a control character (C0, DEL, C1) or of
// a bidirectional formatting character, is shown as \xNN; a backslash is shown as \\. So no name
// can garble a terminal, hide itself or pose as another, and every name reads back unambiguously.

// The longest display form of a stored name: four characters for each byte, and the zero.
inline constexpr std::size_t kSsidCellSize = 4 * (sizeof(TrackedNetwork::ssid) - 1) + 1;

// Writes the display form of `bytes` into `out` (zero-terminated, never past `outSize`); returns
// the length written. Escapes are never cut in half: what does not fit is left out whole.
std::size_t EscapeSsid(std::string_view bytes, char* out, std::size_t outSize);

std::string EscapeSsid(std::string_view bytes);

}  // namespace quorvan
