#include "ui/ssid_text.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(EscapeSsid, DisplayRules) {
  struct Case {
    std::string_view raw;
    std::string_view shown;
  };
  const Case cases[] = {
      {"", ""},
      {"home", "home"},
      {"Caf\xC3\xA9 \xE7\xBD\x91\xE7\xBB\x9C \xF0\x9F\x98\x80",
       "Caf\xC3\xA9 \xE7\xBD\x91\xE7\xBB\x9C \xF0\x9F\x98\x80"},
      {"a\\b", "a\\\\b"},
      {"\\x41", "\\\\x41"},  // an escape typed into a name cannot pass for one
      // controls: C0, DEL, C1
      {"\x1B[2J", "\\x1B[2J"},
      {"a\tb\nc\rd", "a\\x09b\\x0Ac\\x0Dd"},
      {"\x7F", "\\x7F"},
      {"\xC2\x85", "\\xC2\\x85"},
      {"\xC2\x9F\xC2\xA0", "\\xC2\\x9F\xC2\xA0"},
      // bidirectional formatting characters, and their neighbours that are not
      {"\xE2\x80\x8E\xE2\x80\x8F", "\\xE2\\x80\\x8E\\xE2\\x80\\x8F"},
      {"abc\xE2\x80\xAE"
       "fdp.exe",
       "abc\\xE2\\x80\\xAEfdp.exe"},
      {"\xE2\x80\xAA\xE2\x80\xAD", "\\xE2\\x80\\xAA\\xE2\\x80\\xAD"},
      {"\xE2\x81\xA6\xE2\x81\xA9", "\\xE2\\x81\\xA6\\xE2\\x81\\xA9"},
      {"\xE2\x80\x8D\xE2\x80\xAF\xE2\x81\xAA", "\xE2\x80\x8D\xE2\x80\xAF\xE2\x81\xAA"},
      // not UTF-8: stray bytes, overlong forms, surrogates, above U+10FFFF, truncated
      {"\xFF", "\\xFF"},
      {"\x80"
       "a",
       "\\x80a"},
      {"\xC0\xAF", "\\xC0\\xAF"},
      {"\xE0\x80\xAF", "\\xE0\\x80\\xAF"},
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {"\xF5\x80", "\\xF5\\x80"},
      {"\xE4\xBD", "\\xE4\\xBD"},
      {"\xE4\xBD"
       "a\xE4\xBD\xA0",
       "\\xE4\\xBDa\xE4\xBD\xA0"},
      {"\xF0\x9F\x98", "\\xF0\\x9F\\x98"},
      {std::string_view("a\0b", 3), "a\\x00b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeSsid(c.raw), c.shown)
        << "raw: " << ::testing::PrintToString(std::string(c.raw));
  }
}

TEST(EscapeSsid, SmallBufferDropsWholeEscapesOnly) {
  char out[6];
  EXPECT_EQ(EscapeSsid("\xFF\xFF", out, sizeof out), 4u);
  EXPECT_STREQ(out, "\\xFF");
  char tiny[3];
  EXPECT_EQ(EscapeSsid("ab\xE4\xBD\xA0", tiny, sizeof tiny), 2u);
  EXPECT_STREQ(tiny, "ab");
  char none[1] = {'x'};
  EXPECT_EQ(EscapeSsid("abc", none, sizeof none), 0u);
  EXPECT_EQ(none[0], '\0');
}

}  // namespace
}  // namespace quorvan
