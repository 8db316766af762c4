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

namespace {

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::wstring WideFromBytes(std::string_view bytes) {
  std::wstring wide;
  for (std::size_t at = 0; at < bytes.size();) {
    char32_t code = 0;
    std::size_t length = Utf8SequenceAt(bytes, at, code);
    if (length == 0) {
      code = 0xDC00 + static_cast<unsigned char>(bytes[at]);
      length = 1;
    }
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
      wide += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(code);
    }
    at += length;
  }
  return wide;
}

std::string BytesFromWide(std::wstring_view wide) {
  std::string bytes;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    auto code = static_cast<char32_t>(wide[i]);
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(wide[++i]) - 0xDC00);
    } else if (code >= 0xDC80 && code <= 0xDCFF) {
      bytes += static_cast<char>(code - 0xDC00);
      continue;
    } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      code = 0xFFFD;  // a lone surrogate of another kind, or no code point at all
    }
    AppendUtf8(code, bytes);
  }
  return bytes;
}

}  // namespace quorvan
