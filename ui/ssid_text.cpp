#include "ui/ssid_text.h"

#include <cstdint>
#include <cstring>

namespace quorvan {
namespace {

// Length of the valid UTF-8 sequence (RFC 3629: shortest form, no surrogates, at most U+10FFFF)
// starting at `s[0]`, or 0 when none starts there. `code` receives the code point.
std::size_t ValidSequence(const unsigned char* s, std::size_t left, char32_t& code) {
  const unsigned char lead = s[0];
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = s[i];
    if (i == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF)) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  return length;
}

bool MustEscape(char32_t code) {
  return code <= 0x1F || (code >= 0x7F && code <= 0x9F) || code == 0x200E || code == 0x200F ||
         (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::size_t EscapeSsid(std::string_view bytes, char* out, std::size_t outSize) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (outSize == 0) return 0;
  std::size_t written = 0;
  auto fits = [&](std::size_t n) { return written + n < outSize; };
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();

  for (std::size_t i = 0; i < size;) {
    char32_t code = 0;
    const std::size_t length = ValidSequence(s + i, size - i, code);
    if (length == 0 || MustEscape(code)) {
      const std::size_t escaped = length == 0 ? 1 : length;
      if (!fits(4 * escaped)) break;
      for (std::size_t k = 0; k < escaped; ++k) {
        out[written++] = '\\';
        out[written++] = 'x';
        out[written++] = kHex[s[i + k] >> 4];
        out[written++] = kHex[s[i + k] & 0x0F];
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
