#include "tracking/tracking_query.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace norvale {
namespace {

TEST(TrackingQueryTest, EncodeParameter) {
  const struct {
    std::u16string_view value, encoded;
  } cases[] = {
      {u"", u""},
      {u"abc", u"YWJj"},
      {u"ab", u"YWI_"},
      {u"a", u"YQ__"},
      {u"\u00E9", u"w6k_"},
      {u"???", u"Pz8/"},
      {u"~~~", u"fn5+"},
      {u"\u65E5\u672C\u8A9E", u"5pel5pys6Kqe"},
      {u"\U0001F600", u"8J+YgA__"},
      {u"a\xD800", u"Ye+/vQ__"},  // unpaired surrogate as U+FFFD
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeParameter(c.value), c.encoded);
}

TEST(TrackingQueryTest, BuildTrackingQueryTrimsInPlaceAndKeepsKeyOrder) {
  std::u16string subject = u" Hello ", sender_email = u"s@x.com\t", sender_first = u"Mary",
                 sender_last = u"Smith", first = u"\u3000Jane", last = u"Roe", email = u" j@x.com ",
                 company;
  const std::u16string query = BuildTrackingQuery(subject, sender_email, sender_first, sender_last,
                                                  first, last, email, company);
  EXPECT_EQ(subject, u"Hello");
  EXPECT_EQ(sender_email, u"s@x.com");
  EXPECT_EQ(first, u"Jane");
  EXPECT_EQ(email, u"j@x.com");
  // The recipient's address comes before the recipient's names.
  EXPECT_EQ(query,
            u"nv_subject=SGVsbG8_&nv_semail=c0B4LmNvbQ__&nv_sfirstname=TWFyeQ__"
            u"&nv_slastname=U21pdGg_&nv_email=akB4LmNvbQ__&nv_firstname=SmFuZQ__"
            u"&nv_lastname=Um9l&nv_companyname=");
}

TEST(TrackingQueryTest, AllValuesAbcAndTheUrl) {
  std::array<std::u16string, 8> v;
  v.fill(u"abc");
  const std::u16string query = BuildTrackingQuery(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  const std::u16string_view expected =
      u"nv_subject=YWJj&nv_semail=YWJj&nv_sfirstname=YWJj&nv_slastname=YWJj&nv_email=YWJj"
      u"&nv_firstname=YWJj&nv_lastname=YWJj&nv_companyname=YWJj";
  EXPECT_EQ(query, expected);
  EXPECT_EQ(GetTrackingUrl(query), std::u16string(TrackingOrigin(kTrackingEnv)) +
                                       u"/webtracker/trackOutlookEmail.html?method=track&" +
                                       std::u16string(expected));
}

TEST(TrackingQueryTest, TrackingOriginFollowsTheBuildSetting) {
  EXPECT_EQ(kTrackingEnv, NORVALE_EXPECTED_TRACKING_ENV);
  EXPECT_EQ(TrackingOrigin("DEV"), kDemoTrackingOrigin);
  EXPECT_EQ(TrackingOrigin("PROD"), kProductionTrackingOrigin);
  EXPECT_EQ(TrackingOrigin("dev"), kProductionTrackingOrigin);
  EXPECT_EQ(TrackingOrigin(""), kProductionTrackingOrigin);
  EXPECT_NE(kDemoTrackingOrigin, kProductionTrackingOrigin);
  for (std::u16string_view origin : {kDemoTrackingOrigin, kProductionTrackingOrigin}) {
    EXPECT_EQ(origin.substr(0, 8), u"https://");
    EXPECT_EQ(origin.find(u'/', 8), std::u16string_view::npos);
  }
}

TEST(TrackingQueryTest, ExtractBracketedAddress) {
  const struct {
    std::u16string_view in, out;
  } cases[] = {
      {u"Jane Roe (jane.roe)", u"jane.roe"},
      {u"jane.roe", u"jane.roe"},
      {u"a) b (c", u"a) b (c"},
      {u"x (y) (z)", u"z"},
      {u"x ()", u""},
      {u"", u""},
      {u"(only", u"(only"},
      {u"only)", u"only)"},
      {u"/o=ExchangeLabs/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=abc",
       u"/o=ExchangeLabs/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=abc"},
      {u"/O=Contoso/ou=Group (X)", u"/O=Contoso/ou=Group (X)"},
      {u"Team (/o=Contoso/cn=team)", u"/o=Contoso/cn=team"},
  };
  for (const auto& c : cases) {
    std::u16string address(c.in);
    ExtractBracketedAddress(address);
    EXPECT_EQ(address, c.out);
  }
}

TEST(TrackingQueryTest, RestoreSpaces) {
  std::u16string name = u"Mary&nbsp;Ann&nbsp;&nbsp;";
  RestoreSpaces(name);
  EXPECT_EQ(name, u"Mary Ann  ");
}

TEST(TrackingQueryTest, ParseTrackingQueryRoundTrips) {
  std::array<std::u16string, 8> v = {
      u" Quarterly update ", u"mary@contoso.com", u"Mary",       u"Smith",
      u"Jos\u00E9",          u"O'Neil",           u"jose@x.com", u""};
  const std::u16string query = BuildTrackingQuery(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  const TrackingValues expected = {v[0], v[1], v[2], v[3], v[6], v[4], v[5], v[7]};
  EXPECT_EQ(ParseTrackingQuery(query), expected);
  EXPECT_EQ(ParseTrackingQuery(GetTrackingUrl(query)), expected);
  EXPECT_EQ(ParseTrackingQuery(u"<a href=\"p.htm?a=1&" + query + u"#top\">"), expected);
  EXPECT_EQ(TrackingFieldName(0), u"nv_subject");
  EXPECT_EQ(TrackingFieldName(7), u"nv_companyname");
}

TEST(TrackingQueryTest, ParseTrackingQueryMatchesWholeNamesAndAmpersandEntities) {
  std::array<std::u16string, 8> v;
  v.fill(u"abc");
  const std::u16string query = BuildTrackingQuery(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  std::u16string quoted = u"https://x.example/p?xnv_subject=1&amp;" + query + u"&amp;b=2";
  ReplaceAll(quoted, u"&nv_", u"&amp;nv_");
  TrackingValues expected;
  expected.fill(u"abc");
  EXPECT_EQ(ParseTrackingQuery(quoted), expected);
  EXPECT_EQ(ParseTrackingQuery(u"x?" + query), expected);
}

TEST(TrackingQueryTest, ParseTrackingQueryRejectsMalformedText) {
  std::array<std::u16string, 8> v;
  v.fill(u"abc");
  const std::u16string query = BuildTrackingQuery(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  const struct {
    std::u16string text;
    std::string_view message;  // part of the error's text
  } rejected[] = {
      {u"", "no 'nv_subject=' key"},
      {u"xnv_subject=YWJj", "no 'nv_subject=' key"},
      {u"nv_subject=YWJj", "expected '&nv_semail='"},
      {u"nv_subject=YWJj&nv_email=YWJj", "expected '&nv_semail='"},
      {u"nv_subject=YWJj&xnv_semail=YWJj", "expected '&nv_semail='"},
      {u"nv_subject=YWJj?nv_semail=YWJj", "expected '&nv_semail='"},
      {u"nv_subject=YWJ&nv_semail=&nv_sfirstname=&nv_slastname=&nv_email=&nv_firstname="
       u"&nv_lastname=&nv_companyname=",
       "nv_subject: value 'YWJ'"},
      {u"nv_subject=YWJj&nv_semail=YQ==&nv_sfirstname=&nv_slastname=&nv_email=&nv_firstname="
       u"&nv_lastname=&nv_companyname=",
       "nv_semail: value 'YQ'"},
      {u"nv_subject=/w__&nv_semail=&nv_sfirstname=&nv_slastname=&nv_email=&nv_firstname="
       u"&nv_lastname=&nv_companyname=",
       "does not decode to UTF-8"},
      // A re-sent link that carries an earlier recipient's values too.
      {u"p.htm?" + query + u"&" + query, "more than one set of tracking values"},
      {u"p.htm?" + query + u"&amp;nv_email=YWJj", "more than one set of tracking values"},
      {u"p.htm?nv_lastname=YWJj&" + query, "more than one set of tracking values"},
  };
  for (const auto& c : rejected) {
    try {
      ParseTrackingQuery(c.text);
      ADD_FAILURE() << "accepted " << Utf16ToUtf8(c.text);
    } catch (const TrackingQueryError& error) {
      EXPECT_NE(std::string_view(error.what()).find(c.message), std::string_view::npos)
          << Utf16ToUtf8(c.text) << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace norvale
