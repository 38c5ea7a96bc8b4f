#include "tracking/body_rewriter.h"

#include <gtest/gtest.h>

#include <random>

#include "base/text.h"
#include "tracking/email_content_parser.h"
#include "tracking/tracking_query.h"

namespace norvale {
namespace {

// A stand-in query with the characters real ones carry ("/", "+", "_", "&").
constexpr std::u16string_view kQuery = u"nv_subject=a/b+_&nv_semail=";

std::u16string Rewritten(std::u16string_view body, std::u16string_view query = kQuery) {
  std::u16string text(body);
  RewriteBody(text, query);
  return text;
}

std::u16string Untracked(std::u16string_view body) {
  std::u16string text(body);
  RemoveTracking(text);
  return text;
}

std::u16string ImageTag(std::u16string_view query = kQuery) {
  return u"<img src='" + GetTrackingUrl(query) + u"'>";
}

// A real query of eight values for `recipient`.
std::u16string QueryFor(std::u16string recipient) {
  std::u16string subject = u"RE: Plan", sender = u"mary@contoso.com", first = u"Mary",
                 last = u"Smith", r_first = u"R", r_last = u"S", company = u"Contoso";
  return BuildTrackingQuery(subject, sender, first, last, r_first, r_last, recipient, company);
}

TEST(BodyRewriterTest, RewritesWebLinksInPlace) {
  const std::u16string q(kQuery);
  const struct {
    std::u16string_view body;
    std::u16string expected;  // before the tracking image
  } cases[] = {
      {u"<a href=\"dir/page.htm\">x</a>", u"<a href=\"dir/page.htm?" + q + u"\">x</a>"},
      {u"<a href=\"p.htm?a=1\">", u"<a href=\"p.htm?a=1&" + q + u"\">"},
      // The path stays exactly as written.
      {u"<a href=\"dir/\">", u"<a href=\"dir/?" + q + u"\">"},
      {u"<a href=\"dir/?a=1\">", u"<a href=\"dir/?a=1&" + q + u"\">"},
      {u"<a href=\"http://host/\">", u"<a href=\"http://host/?" + q + u"\">"},
      {u"<a href=\"https://campaigns.example/t/d-e-xyz/\">",
       u"<a href=\"https://campaigns.example/t/d-e-xyz/?" + q + u"\">"},
      {u"<a href=\"https://r.example/?u=http://t.example/?q=1\">",
       u"<a href=\"https://r.example/?u=http://t.example/?q=1&" + q + u"\">"},
      {u"<a href=\"dir/\" target=\"_blank\">", u"<a href=\"dir/?" + q + u"\" target=\"_blank\">"},
      {u"<a href=\"page.htm#part\">", u"<a href=\"page.htm?" + q + u"#part\">"},
      {u"<a href=\"page.htm?a=1#part\">", u"<a href=\"page.htm?a=1&" + q + u"#part\">"},
      {u"<a href=\"dir/#a/?b\">", u"<a href=\"dir/?" + q + u"#a/?b\">"},
      {u"<a href=\"p.htm?\">", u"<a href=\"p.htm?" + q + u"\">"},
      {u"<a href=\"HTTPS://x.com/\">", u"<a href=\"HTTPS://x.com/?" + q + u"\">"},
      // White space at the ends of the address stays outside it.
      {u"<a href=\" http://x/a \">", u"<a href=\" http://x/a?" + q + u" \">"},
      {u"<a href=\"http://x/a#f\n\">", u"<a href=\"http://x/a?" + q + u"#f\n\">"},
      // At signs elsewhere do not matter to a web link.
      {u"<a href=\"https://maps.example/@48.85,2.35,15z\">",
       u"<a href=\"https://maps.example/@48.85,2.35,15z?" + q + u"\">"},
      {u"<a href=\"x.htm\" title=\"jane@contoso.com\">",
       u"<a href=\"x.htm?" + q + u"\" title=\"jane@contoso.com\">"},
      // Any quoting, any white space around "=", the tag name in any case.
      {u"<a href= \"x.htm\">", u"<a href= \"x.htm?" + q + u"\">"},
      {u"<a href='x.htm'>", u"<a href='x.htm?" + q + u"'>"},
      {u"<A href=x.htm>", u"<A href=x.htm?" + q + u">"},
      {u"<a title=\"a>b\" href=\"x.htm\">", u"<a title=\"a>b\" href=\"x.htm?" + q + u"\">"},
      {u"<area shape=rect href=\"http://x/m\">",
       u"<area shape=rect href=\"http://x/m?" + q + u"\">"},
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

TEST(BodyRewriterTest, LeavesEverythingButClickableWebLinksAlone) {
  const std::u16string_view unchanged[] = {
      u"<a href=\"mailto:jane@contoso.com\">",
      u"<a href=\"jane@contoso.com\">",
      u"<v:imagedata src=\"cid:image001.png@01D5\" o:title=\"\"/>",
      u"<link rel=themeData href=\"~~themedata~~\">",
      u"<link rel=colorSchemeMapping href=\"~~colorschememapping~~\">",
      u"<link rel=\"stylesheet\" href=\"https://fonts.example/css?family=X\">",
      u"<base href=\"https://x.example/\">",
      u"<div data-href=\"https://x.example/\">",
      u"<a data-href=\"https://x.example/\">",
      u"<v:shape o:href=\"https://x.example/\">",
      u"<abbr href=\"https://x.example/\">",
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
      u"<a href=\"\">",
      u"<a href=\"  \">",
      u"<a title=' href=\"x.htm\"'>",
      u"<p>and/? or //? href=\"x.htm\"</p>",
      u"<img src=\"https://x.example/logo.png\">",
      u"",
  };
  for (std::u16string_view body : unchanged) {
    EXPECT_EQ(Rewritten(body), std::u16string(body) + ImageTag()) << Utf16ToUtf8(body);
    EXPECT_EQ(Untracked(body), body) << Utf16ToUtf8(body);
  }
}

// Bodies in the shapes that Word and Outlook write.
TEST(BodyRewriterTest, WordAndOutlookShapes) {
  const std::u16string own = QueryFor(u"jane@contoso.com");
  const std::u16string old = QueryFor(u"old@fabrikam.com");
  std::u16string old_amp = old;
  ReplaceAll(old_amp, u"&", u"&amp;");
  std::u16string old_image =
      u"https://track-demo.norvale.com/webtracker/trackOutlookEmail.html"
      u"?method=track&amp;" +
      old_amp;
  const struct {
    const char* name;
    std::u16string body, tracked, untracked;  // tracked: before the tracking image
  } cases[] = {
      {"VML button in conditional comments",
       u"<!--[if mso]><v:roundrect xmlns:v=\"urn:schemas-microsoft-com:vml\" "
       u"href=\"https://x.example/buy\" style=\"height:40px\" arcsize=\"10%\">"
       u"<w:anchorlock/><center>Buy</center></v:roundrect><![endif]-->"
       u"<!--[if !mso]><!--><a href=\"https://x.example/buy\">Buy</a><!--<![endif]-->",
       u"<!--[if mso]><v:roundrect xmlns:v=\"urn:schemas-microsoft-com:vml\" "
       u"href=\"https://x.example/buy?" +
           own +
           u"\" style=\"height:40px\" arcsize=\"10%\">"
           u"<w:anchorlock/><center>Buy</center></v:roundrect><![endif]-->"
           u"<!--[if !mso]><!--><a href=\"https://x.example/buy?" +
           own + u"\">Buy</a><!--<![endif]-->",
       u""},
      {"stylesheet link",
       u"<head><link rel=\"stylesheet\" href=\"https://fonts.example/css?family=X\"></head>",
       u"<head><link rel=\"stylesheet\" href=\"https://fonts.example/css?family=X\"></head>", u""},
      {"data-href", u"<div data-href=\"https://x.example/\"><a href=\"https://x.example/\">x</a>",
       u"<div data-href=\"https://x.example/\"><a href=\"https://x.example/?" + own + u"\">x</a>",
       u""},
      {"forwarded tracked mail",
       u"<p>FYI</p><div><a href=\"https://x.example/p?b=1&amp;" + old_amp +
           u"#top\">p</a> <a href=\"https://x.example/q?" + old_amp +
           u"\">q</a><img border=0 width=1 height=1 src=\"" + old_image + u"\"></div><img src='" +
           GetTrackingUrl(old) + u"'></body></html>",
       u"<p>FYI</p><div><a href=\"https://x.example/p?b=1&" + own +
           u"#top\">p</a> <a href=\"https://x.example/q?" + own + u"\">q</a></div></body></html>",
       u"<p>FYI</p><div><a href=\"https://x.example/p?b=1#top\">p</a> "
       u"<a href=\"https://x.example/q\">q</a></div></body></html>"},
      {"reply quoting the same recipient's values",
       u"<p>Thanks</p><blockquote><a href=\"https://x.example/?" + own +
           u"&amp;utm=1\">x</a>"
           u"<img src=\"" +
           GetTrackingUrl(own) + u"\"></blockquote>",
       u"<p>Thanks</p><blockquote><a href=\"https://x.example/?utm=1&" + own +
           u"\">x</a></blockquote>",
       u"<p>Thanks</p><blockquote><a href=\"https://x.example/?utm=1\">x</a></blockquote>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rewritten(c.body, own), c.tracked + ImageTag(own)) << c.name;
    // An untracked copy keeps every link's other parts; the cases without
    // earlier tracking stay as they were.
    EXPECT_EQ(Untracked(c.body), c.untracked.empty() ? c.body : c.untracked) << c.name;
  }
}

TEST(BodyRewriterTest, RemovesOnlyParametersNamedLikeTrackingKeys) {
  const struct {
    std::u16string_view href, untracked;
  } cases[] = {
      {u"x?a=1&nv_email=YQ__&b=2", u"x?a=1&b=2"},
      {u"x?nv_email=YQ__&amp;b=2&amp;c", u"x?b=2&amp;c"},
      {u"x?a&amp;nv_subject=&nv_lastname", u"x?a"},
      {u"x?nv_companyname=#f", u"x#f"},
      {u"x?xnv_email=1&nv_emailx=2&nv_email", u"x?xnv_email=1&nv_emailx=2"},
      {u"x?a=1&&b=2", u"x?a=1&&b=2"},
      {u"x?u=http://t/?nv_email=1", u"x?u=http://t/?nv_email=1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RewriteHref(c.href, u""), c.untracked) << Utf16ToUtf8(c.href);
  }
}

TEST(BodyRewriterTest, ImageCarriesTheUrlUnescapedInSingleQuotes) {
  const std::u16string body = Rewritten(u"<html></html>");
  EXPECT_EQ(body, u"<html></html><img src='" + std::u16string(TrackingOrigin(kTrackingEnv)) +
                      u"/webtracker/trackOutlookEmail.html?method=track&nv_subject=a/b+_"
                      u"&nv_semail='>");
  EXPECT_EQ(AppendedTrackingQuery(body), kQuery);
  EXPECT_EQ(AppendedTrackingQuery(Rewritten(u"<html></html>", u"")), u"");
  // A quoted image is not the one the rewriting appended.
  EXPECT_EQ(AppendedTrackingQuery(body + u"</div>"), std::nullopt);
  EXPECT_EQ(AppendedTrackingQuery(u"<html></html>"), std::nullopt);
}

// Bodies put together from pieces whose place in the output is known.
struct GeneratedBody {
  std::u16string body;
  // The output, with each link's rewritten href standing between two pieces.
  std::vector<std::u16string> pieces;
  std::vector<bool> clickable_web;  // per href: a web link of an <a>
};

GeneratedBody Generate(std::mt19937& random, std::u16string_view earlier) {
  const std::u16string_view text[] = {
      u"<p>Hi &amp; bye</p>",
      u"a/? b",
      u"<!--[if mso]>",
      u"<![endif]-->",
      u"<br>",
      u" x@y.z ",
      u"<link rel=stylesheet href=\"https://f.example/c?nv_email=1\">",
      u"<div data-href=\"http://d/\">",
      u"<v:shape o:href=\"http://o/\">",
      u"<img src=\"p.png\">"};
  const std::u16string_view addresses[] = {
      u"http://x/a/", u"https://x/?q=1&amp;r=2", u"dir/", u"page.htm#f", u"mailto:a@b", u"#top",
      u"tel:1",       u"https://m/@1,2",         u"a@b.c"};
  const std::u16string_view opens[] = {u"<a href=\"", u"<a class=x href='", u"<area href=\""};
  GeneratedBody generated;
  generated.pieces.emplace_back();
  for (int n = std::uniform_int_distribution(0, 12)(random); n > 0; --n) {
    const int kind = std::uniform_int_distribution(0, 3)(random);
    if (kind == 0) {
      // An earlier copy's tracking image, which goes.
      generated.body += u"<img src='" + GetTrackingUrl(earlier) + u"'>";
      continue;
    }
    if (kind == 1) {
      const std::u16string_view piece = text[random() % std::size(text)];
      generated.body += piece;
      generated.pieces.back() += piece;
      continue;
    }
    const std::u16string_view open = opens[random() % std::size(opens)];
    const std::u16string_view address = addresses[random() % std::size(addresses)];
    const bool web =
        address.front() != u'#' && !Contains(address, u"@b") && !Contains(address, u"tel:");
    std::u16string href(address);
    if (web && !Contains(address, u"#") && random() % 2) {
      href += (Contains(address, u"?") ? u"&amp;" : u"?") + std::u16string(earlier);
    }
    const std::u16string_view close = Contains(open, u"'") ? u"'>x</a>" : u"\">x</a>";
    generated.body += std::u16string(open) + href + std::u16string(close);
    generated.pieces.back() += open;
    generated.pieces.emplace_back(close);
    generated.clickable_web.push_back(web);
  }
  return generated;
}

TEST(BodyRewriterTest, GeneratedBodiesKeepAllButHrefsAndCarryOneSetOfValues) {
  const std::u16string own = QueryFor(u"jane@contoso.com");
  const TrackingValues own_values = ParseTrackingQuery(own);
  const std::u16string earlier = QueryFor(u"old@fabrikam.com");
  std::mt19937 random(11);
  for (int round = 0; round < 500; ++round) {
    const GeneratedBody g = Generate(random, earlier);
    for (const bool tracked : {true, false}) {
      std::u16string out = g.body;
      if (tracked) {
        RewriteBody(out, own);
      } else {
        RemoveTracking(out);
      }
      const std::string context = Utf16ToUtf8(g.body) + (tracked ? " (tracked)" : "");
      size_t pos = 0;
      for (size_t i = 0; i < g.pieces.size(); ++i) {
        ASSERT_EQ(out.substr(pos, g.pieces[i].size()), g.pieces[i]) << context;
        pos += g.pieces[i].size();
        if (i + 1 == g.pieces.size()) break;
        const size_t end = out.find(g.pieces[i + 1].front(), pos);
        const std::u16string href = out.substr(pos, end - pos);
        pos = end;
        EXPECT_FALSE(Contains(href, earlier)) << context;
        if (tracked && g.clickable_web[i]) {
          EXPECT_EQ(ParseTrackingQuery(href), own_values) << context;
        } else {
          EXPECT_THROW(ParseTrackingQuery(href), TrackingQueryError) << context;
        }
      }
      EXPECT_EQ(out.substr(pos), tracked ? ImageTag(own) : u"") << context;
    }
  }
}

TEST(EmailContentParserTest, CollectHrefs) {
  const struct {
    std::u16string_view body;
    std::vector<std::u16string> hrefs;
  } cases[] = {
      {u"no links", {}},
      {u"<a href=\"a\">x</a><A HREF=\"b\">", {u"a"}},
      {u"<a data-href=\"b\" href=\"a\" href=\"c\">", {u"a"}},
      {u"<a href=\"a\">1</a><a href=\"a\">2", {u"a", u"a"}},
      {u"<v:rect href='v'/><area href=m><link href=\"l\"><img href=\"i\">", {u"v", u"m"}},
      {u"x <a href=\"end", {u"end"}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> hrefs;
    EmailContentParser::CollectHrefs(c.body, hrefs);
    EXPECT_EQ(hrefs, c.hrefs) << Utf16ToUtf8(c.body);
  }
  EXPECT_TRUE(EmailContentParser::HasAtSign(u"mailto:a@b"));
  EXPECT_FALSE(EmailContentParser::HasAtSign(u"x"));
}

}  // namespace
}  // namespace norvale
