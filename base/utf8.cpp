#include "base/utf8.h"

namespace quorvan {

std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t& code) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data()) + at;
  const std::size_t left = text.size() - at;
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

bool IsUtf8(std::string_view text) {
  char32_t code = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceAt(text, at, code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

}  // namespace quorvan
