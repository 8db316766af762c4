#pragma once

// UTF-8 inside the program, UTF-16 at the Win32 boundary.

#include <string>
#include <string_view>

namespace quorvan {

// Invalid UTF-8 becomes U+FFFD; the list's own texts are escaped before they get here, so this
// only guards against text from elsewhere.
std::wstring Widen(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace quorvan
