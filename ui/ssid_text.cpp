#include "ui/ssid_text.h"

#include <cstdint>
#include <cstring>

#include "base/hex.h"
#include "base/utf8.h"

namespace quorvan {
namespace {

// Control characters; bidirectional controls, which reorder what follows them; and characters
// that draw nothing, with which "Home\u200bNet" would pass for "HomeNet". ZWNJ and ZWJ
// (U+200C, U+200D) and the variation selectors draw nothing either but stay: names in Persian,
// Indic scripts and emoji need them.
bool MustEscape(char32_t code) {
  return code <= 0x1F || (code >= 0x7F && code <= 0x9F) || code == 0x00AD || code == 0x061C ||
         code == 0x180E || code == 0x200B || code == 0x200E || code == 0x200F ||
         (code >= 0x2028 && code <= 0x202E) || (code >= 0x2060 && code <= 0x2064) ||
         (code >= 0x2066 && code <= 0x2069) || code == 0xFEFF || (code >= 0xFFF9 && code <= 0xFFFB);
}

}  // namespace

std::size_t EscapeSsid(std::string_view bytes, char* out, std::size_t outSize) {
  if (outSize == 0) return 0;
  std::size_t written = 0;
  auto fits = [&](std::size_t n) { return written + n < outSize; };
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();

  for (std::size_t i = 0; i < size;) {
    char32_t code = 0;
    const std::size_t length = Utf8SequenceAt(bytes, i, code);
    if (length == 0 || MustEscape(code)) {
      const std::size_t escaped = length == 0 ? 1 : length;
      if (!fits(4 * escaped)) break;
      for (std::size_t k = 0; k < escaped; ++k) {
        out[written++] = '\\';
        out[written++] = 'x';
        out[written++] = kUpperHexDigits[s[i + k] >> 4];
        out[written++] = kUpperHexDigits[s[i + k] & 0x0F];
      }
      i += escaped;
    } else if (code == '\\') {
      if (!fits(2)) break;
      out[written++] = '\\';
      out[written++] = '\\';
      i += 1;
    } else {
      if (!fits(length)) break;
      std::memcpy(out + written, s + i, length);
      written += length;
      i += length;
    }
  }
  out[written] = '\0';
  return written;
}

std::string EscapeSsid(std::string_view bytes) {
  std::string text(4 * bytes.size() + 1, '\0');
  text.resize(EscapeSsid(bytes, text.data(), text.size()));
  return text;
}

}  // namespace quorvan
