#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvan {

// Length of the valid UTF-8 sequence (RFC 3629: shortest form, no surrogates, at most U+10FFFF)
// that starts at `text[at]`, or 0 when none starts there; `code` receives its code point.
// `at` must lie inside `text`.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t& code);

// Whether all of `text` is valid UTF-8 in that sense.
bool IsUtf8(std::string_view text);

// Names that cross an API of wide strings (UTF-16 where wchar_t has 16 bits, UTF-32 where it has
// 32) and back. A byte that is not part of valid UTF-8 travels as a lone surrogate, U+DC80 to
// U+DCFF, so that any bytes come back as they went.
std::wstring WideFromBytes(std::string_view bytes);
std::string BytesFromWide(std::wstring_view wide);

}  // namespace quorvan
