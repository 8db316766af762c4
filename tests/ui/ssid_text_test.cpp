#include "ui/ssid_text.h"

#include <gtest/gtest.h>

#include "base/utf8.h"

namespace quorvan {
namespace {

TEST(EscapeSsid, DisplayRules) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"Caf\xC3\xA9 \xE7\xBD\x91 \xF0\x9F\x98\x80", "Caf\xC3\xA9 \xE7\xBD\x91 \xF0\x9F\x98\x80"},
      {"a\\b", "a\\\\b"},
      {"a\tb\x1B\x7F", "a\\x09b\\x1B\\x7F"},
      {"\xC2\x85\xC2\xA0", "\\xC2\\x85\xC2\xA0"},  // C1, then NBSP
      {"a\xE2\x80\xAE"
       "b\xE2\x81\xA9\xE2\x80\x8D",
       "a\\xE2\\x80\\xAEb\\xE2\\x81\\xA9\xE2\x80\x8D"},
      {"\xFF\x80", "\\xFF\\x80"},                             // stray bytes
      {"\xC0\xAF\xED\xA0\x80", "\\xC0\\xAF\\xED\\xA0\\x80"},  // overlong, surrogate
      {"\xF4\x90\x80\x80\xF4\x8F\xBF\xBF",
       "\\xF4\\x90\\x80\\x80\xF4\x8F\xBF\xBF"},  // past U+10FFFF
      {"\xE4\xBD"
       "a",
       "\\xE4\\xBDa"},  // truncated
      {std::string_view("a\0b", 3), "a\\x00b"},
      // Invisible and bidirectional characters, every one of them; then ZWNJ, ZWJ and a
      // variation selector, which real names need.
      {"Home\u200bNet", "Home\\xE2\\x80\\x8BNet"},
      {"\u00ad\u061c\u180e\u2028\u2029\u2060\u2064\ufeff\ufff9\ufffb",
       "\\xC2\\xAD\\xD8\\x9C\\xE1\\xA0\\x8E\\xE2\\x80\\xA8\\xE2\\x80\\xA9\\xE2\\x81\\xA0"
       "\\xE2\\x81\\xA4\\xEF\\xBB\\xBF\\xEF\\xBF\\xB9\\xEF\\xBF\\xBB"},
      {"\u2065\u200c\u200d\ufe0f\ufffc", "\u2065\u200c\u200d\ufe0f\ufffc"},
  };
  for (const auto& [raw, shown] : cases) {
    EXPECT_EQ(EscapeSsid(raw), shown) << ::testing::PrintToString(std::string(raw));
  }
  char out[6];  // what does not fit is left out whole, never half an escape
  EXPECT_EQ(EscapeSsid("\xFF\xFF", out, sizeof out), 4u);
  EXPECT_STREQ(out, "\\xFF");
}

// Names cross wide-string APIs and come back as the bytes they were; what is not UTF-8 travels
// as U+DC80..U+DCFF.
TEST(WideNames, BytesRoundTrip) {
  const std::pair<std::string_view, std::wstring_view> cases[] = {
      {"wlan0", L"wlan0"},
      {"Caf\xC3\xA9 \xE7\xBD\x91", L"Caf\u00E9 \u7F51"},
      {"\xF0\x9F\x98\x80!", L"\U0001F600!"},
      {"\x80\xFF", L"\xDC80\xDCFF"},
      {"\xE4\xBD"
       "a",
       L"\xDCE4\xDCBD"
       L"a"},                                   // truncated
      {"\xED\xA0\x80", L"\xDCED\xDCA0\xDC80"},  // an encoded surrogate is not UTF-8
      {std::string_view("a\0b", 3), std::wstring_view(L"a\0b", 3)},
  };
  for (const auto& [bytes, wide] : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(bytes)));
    EXPECT_EQ(WideFromBytes(bytes), wide);
    EXPECT_EQ(BytesFromWide(wide), bytes);
  }
}

}  // namespace
}  // namespace quorvan
