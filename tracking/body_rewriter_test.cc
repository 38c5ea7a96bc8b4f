#include "tracking/body_rewriter.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "tracking/email_content_parser.h"
#include "tracking/tracking_query.h"

namespace norvale {
namespace {

// A stand-in query with the characters real ones carry ("/", "+", "_", "&").
constexpr std::u16string_view kQuery = u"nv_subject=a/b+_&nv_semail=";

std::u16string Rewritten(std::u16string_view body) {
  std::u16string text(body);
  RewriteBody(text, kQuery);
  return text;
}

std::u16string ImageTag() { return u"<img src='" + GetTrackingUrl(kQuery) + u"'>"; }

TEST(BodyRewriterTest, RewritesWebLinksInPlace) {
  const std::u16string q(kQuery);
  const struct {
    std::u16string_view body;
    std::u16string expected;  // before the tracking image
  } cases[] = {
      {u"<a href=\"dir/page.htm\">x</a>", u"<a href=\"dir/page.htm?" + q + u"\">x</a>"},
      {u"<a href=\"p.htm?a=1\">", u"<a href=\"p.htm?a=1&" + q + u"\">"},
      {u"<a href=\"dir/\">", u"<a href=\"dir?" + q + u"\">"},
      {u"<a href=\"dir/?a=1\">", u"<a href=\"dir?a=1&" + q + u"\">"},
      {u"<a href=\"dir/\" target=\"_blank\">", u"<a href=\"dir?" + q + u"\" target=\"_blank\">"},
      {u"<a href=\"page.htm#part\">", u"<a href=\"page.htm?" + q + u"#part\">"},
      {u"<a href=\"page.htm?a=1#part\">", u"<a href=\"page.htm?a=1&" + q + u"#part\">"},
      {u"<a href=\"dir/#a/?b\">", u"<a href=\"dir?" + q + u"#a/?b\">"},
      {u"<a href=\"HTTPS://x.com/\">", u"<a href=\"HTTPS://x.com?" + q + u"\">"},
      {u"<a href=\"http://x.com/a\">", u"<a href=\"http://x.com/a?" + q + u"\">"},
      {u"<a href= \"x.htm\">", u"<a href= \"x.htm?" + q + u"\">"},
      {u"<a href=\"\"x.htm\">", u"<a href=\"\"x.htm?" + q + u"\">"},
      // Without a closing ">" the link runs to the end of the body.
      {u"<a href=\"x.htm", u"<a href=\"x.htm?" + q},
      // A link that occurs twice is rewritten at both places.
      {u"<a href=\"a.htm\">1</a><a href=\"a.htm\">2</a>",
       u"<a href=\"a.htm?" + q + u"\">1</a><a href=\"a.htm?" + q + u"\">2</a>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rewritten(c.body), c.expected + ImageTag()) << Utf16ToUtf8(c.body);
  }
}

TEST(BodyRewriterTest, LeavesEverythingButWebLinksAlone) {
  const std::u16string_view unchanged[] = {
      u"<a href=\"mailto:jane@contoso.com\">",
      u"<a href=\"x.htm\" title=\"jane@contoso.com\">",
      u"<v:imagedata href=\"cid:image001.png@01D5\">",
      u"<link rel=themeData href=\"~~themedata~~\">",
      u"<link rel=colorSchemeMapping href=\"~~colorschememapping~~\">",
      u"<a href=\"#top\">",
      u"<a href=\"tel:+15551234\">",
      u"<a href=\"SMS:123\">",
      u"<a href=\"callto:bob\">",
      u"<a href=\"javascript:void(0)\">",
      u"<a href=\" javascript:alert(1)\">",
      u"<a href=\"data:text/html;base64,PGI+\">",
      u"<a href=\"file:///c:/x.htm\">",
      u"<a href=\"ftp://x.com/\">",
      u"<a HREF=\"x.htm\">",
      // Fewer than two pieces: nothing to rewrite.
      u"<a href=x.htm>",
      u"<a href='x.htm'>",
      u"<a href=\"\">",
      // The quoted text is another attribute's value, not the address.
      u"<a href='x.htm' title=\"t\">",
      // Plain text keeps its "/?".
      u"<p>and/? or //?</p>",
      u"",
  };
  for (std::u16string_view body : unchanged) {
    EXPECT_EQ(Rewritten(body), std::u16string(body) + ImageTag()) << Utf16ToUtf8(body);
  }
}

TEST(BodyRewriterTest, GoesOnAfterALinkItLeavesAlone) {
  const std::u16string body =
      u"<html><body><a href=x.htm>1</a><a href=\"#top\">2</a><a href=\"y.htm\">3</a>"
      u"</body></html>";
  EXPECT_EQ(Rewritten(body),
            u"<html><body><a href=x.htm>1</a><a href=\"#top\">2</a>"
            u"<a href=\"y.htm?" +
                std::u16string(kQuery) + u"\">3</a></body></html>" + ImageTag());
}

TEST(BodyRewriterTest, ImageCarriesTheUrlUnescapedInSingleQuotes) {
  const std::u16string body = Rewritten(u"<html></html>");
  EXPECT_EQ(body, u"<html></html><img src='" + std::u16string(TrackingOrigin(kTrackingEnv)) +
                      u"/webtracker/trackOutlookEmail.html?method=track&nv_subject=a/b+_"
                      u"&nv_semail='>");
}

TEST(EmailContentParserTest, CollectHrefs) {
  const struct {
    std::u16string_view body;
    std::vector<std::u16string> hrefs;
  } cases[] = {
      {u"no links", {}},
      {u"<a href=\"a\">x</a><A HREF=\"b\">", {u"href=\"a\""}},
      // A second "href=" inside a collected text is not collected again.
      {u"<a href=\"a\" data-href=\"b\">", {u"href=\"a\" data-href=\"b\""}},
      {u"<a href=\"a\">1</a><a href=\"a\">2", {u"href=\"a\"", u"href=\"a\""}},
      {u"x href=\"end", {u"href=\"end"}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> hrefs;
    EmailContentParser::CollectHrefs(c.body, hrefs);
    EXPECT_EQ(hrefs, c.hrefs) << Utf16ToUtf8(c.body);
  }
  EXPECT_TRUE(EmailContentParser::HasAtSign(u"href=\"mailto:a@b\""));
  EXPECT_FALSE(EmailContentParser::HasAtSign(u"href=\"x\""));
}

}  // namespace
}  // namespace norvale
