#include "base/text.h"

#include <gtest/gtest.h>

namespace norvale {
namespace {

TEST(TextTest, WhiteSpaceIsTheFixedSet) {
  const std::u16string_view white =
      u"\t\n\v\f\r \u00A0\u1680\u2000\u2005\u200A\u2028\u2029\u202F"
      u"\u205F\u3000";
  for (char16_t c : white) EXPECT_TRUE(IsWhiteSpace(c)) << std::hex << int(c);
  // Neighbours of the set, and characters other runtimes call space.
  const std::u16string_view other =
      u"\x08\x0E\x1F!a\u0085\u180E\u1FFF\u200B\u200C\u2027\u202E"
      u"\u205E\uFEFF";
  for (char16_t c : other) EXPECT_FALSE(IsWhiteSpace(c)) << std::hex << int(c);
}

TEST(TextTest, Trim) {
  const struct {
    std::u16string_view in, out;
  } cases[] = {
      {u"", u""},
      {u" \t\r\n", u""},
      {u" Hello ", u"Hello"},
      {u"\u3000a b\u00A0", u"a b"},
      {u"&nbsp;Smith\t", u"&nbsp;Smith"},
      {u"\u200Bx\u200B", u"\u200Bx\u200B"},  // zero-width space is not white space
  };
  for (const auto& c : cases) {
    std::u16string text(c.in);
    Trim(text);
    EXPECT_EQ(text, c.out);
    EXPECT_EQ(TrimView(c.in), c.out);
  }
}

TEST(TextTest, CaseFoldingIsAsciiOnly) {
  std::u16string text = u"MiXeD@Contoso.COM \u00C9\u0130\u0391";
  ToLowerAscii(text);
  EXPECT_EQ(text, u"mixed@contoso.com \u00C9\u0130\u0391");
  EXPECT_TRUE(EqualsIgnoreCase(u"Jane.Roe@Contoso.com", u"jane.roe@contoso.COM"));
  EXPECT_FALSE(EqualsIgnoreCase(u"\u00C9", u"\u00E9"));
  EXPECT_FALSE(EqualsIgnoreCase(u"abc", u"abcd"));
  EXPECT_TRUE(StartsWithIgnoreCase(u"HTTPS://x", u"https:"));
  EXPECT_FALSE(StartsWithIgnoreCase(u"http", u"https"));
}

TEST(TextTest, ReplaceAllIsOneLeftToRightPass) {
  const struct {
    std::u16string_view in, from, to, out;
  } cases[] = {
      {u"and/?", u"/?", u"?", u"and?"},
      {u"//?", u"/?", u"?", u"/?"},
      {u"Mary&nbsp;Ann&nbsp;", u"&nbsp;", u" ", u"Mary Ann "},
      {u"aaa", u"a", u"aa", u"aaaaaa"},
      {u"none", u"x", u"y", u"none"},
      {u"", u"x", u"y", u""},
  };
  for (const auto& c : cases) {
    std::u16string text(c.in);
    ReplaceAll(text, c.from, c.to);
    EXPECT_EQ(text, c.out);
  }
}

TEST(TextTest, EscapeHtml) {
  EXPECT_EQ(EscapeHtml(u"Bob <bob@fabrikam.com>"), u"Bob &lt;bob@fabrikam.com&gt;");
  EXPECT_EQ(EscapeHtml(u"R&D \"Ops\" 'x'"), u"R&amp;D &quot;Ops&quot; 'x'");
  EXPECT_EQ(EscapeHtml(u"&amp;"), u"&amp;amp;");
  EXPECT_EQ(EscapeHtml(u""), u"");
}

TEST(TextTest, SplitTokensDropsEmptyPieces) {
  const struct {
    std::u16string_view text, delimiters;
    std::vector<std::u16string> pieces;
  } cases[] = {
      {u"", u"~", {}},
      {u"~~~", u"~", {}},
      {u"a~b~c~d", u"~", {u"a", u"b", u"c", u"d"}},
      {u"~a~~b~", u"~", {u"a", u"b"}},
      {u"href=\"dir/\" target=\"_blank\"", u"\"", {u"href=", u"dir/", u" target=", u"_blank"}},
      {u"href=\"\"", u"\"", {u"href="}},
      {u"Mary Ann  Smith", u" ", {u"Mary", u"Ann", u"Smith"}},
      {u"a,b;c", u",;", {u"a", u"b", u"c"}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> pieces = {u"stale"};
    SplitTokens(std::u16string(c.text), pieces, c.delimiters);
    EXPECT_EQ(pieces, c.pieces);
  }
}

TEST(TextTest, Utf16ToUtf8) {
  const struct {
    std::u16string_view in;
    std::string_view out;
  } cases[] = {
      {u"", ""},
      {u"abc", "abc"},
      {u"\u00E9", "\xC3\xA9"},
      {u"\u65E5\u672C\u8A9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"a\xD800z", "a\xEF\xBF\xBDz"},                // lone high surrogate
      {u"\xDC00", "\xEF\xBF\xBD"},                    // lone low surrogate
      {u"\xD83D", "\xEF\xBF\xBD"},                    // high surrogate at the end
      {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // pair in the wrong order
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in), c.out);
}

TEST(TextTest, Utf8ToUtf16AcceptsOnlyWellFormedText) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xF0\x9F\x98\x80"), std::u16string(u"a\u00E9\U0001F600"));
  EXPECT_EQ(Utf8ToUtf16(""), std::u16string());
  const std::string_view malformed[] = {
      "\x80",              // continuation byte alone
      "\xC3",              // truncated
      "\xC0\xAF",          // overlong
      "\xE0\x80\xAF",      // overlong
      "\xED\xA0\x80",      // encoded surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xFF",
  };
  for (std::string_view bytes : malformed) EXPECT_FALSE(Utf8ToUtf16(bytes)) << bytes;
}

}  // namespace
}  // namespace norvale
