#include "ui/ssid_text.h"

#include <gtest/gtest.h>

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
  };
  for (const auto& [raw, shown] : cases) {
    EXPECT_EQ(EscapeSsid(raw), shown) << ::testing::PrintToString(std::string(raw));
  }
  char out[6];  // what does not fit is left out whole, never half an escape
  EXPECT_EQ(EscapeSsid("\xFF\xFF", out, sizeof out), 4u);
  EXPECT_STREQ(out, "\\xFF");
}

}  // namespace
}  // namespace quorvan
