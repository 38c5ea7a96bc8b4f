#include "sending/sent_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvale {
namespace {

TEST(SentSummaryTest, InsertsBannerAfterFirstExactBodyTag) {
  const std::u16string dashes(52, u'-');
  const auto banner = [&](std::u16string_view list) {
    return dashes + u"<br>Mail sent to:" + std::u16string(list) + u"<br>" + dashes + u"<br>";
  };
  const struct {
    std::u16string_view body;
    std::vector<std::u16string> names;
    std::u16string expected;
  } cases[] = {
      {u"<html><body>Hi</body></html>",
       {u"Jane Roe", u"John Doe"},
       u"<html><body>" + banner(u"Jane Roe, John Doe") + u"Hi</body></html>"},
      {u"<html><body>Hi</body></html>", {}, u"<html><body>Hi</body></html>"},
      // Only an empty name: the list stays empty, so there is no banner.
      {u"<html><body>Hi</body></html>", {u""}, u"<html><body>Hi</body></html>"},
      // Word's tag with attributes, and capitals, are not the exact tag.
      {u"<html><body lang=EN-US link=blue>Hi",
       {u"A"},
       banner(u"A") + u"<html><body lang=EN-US link=blue>Hi"},
      {u"<html><BODY>Hi", {u"A"}, banner(u"A") + u"<html><BODY>Hi"},
      {u"Hi", {u"A"}, banner(u"A") + u"Hi"},
      {u"<body>x<body>y", {u"A"}, u"<body>" + banner(u"A") + u"x<body>y"},
      // The separator goes in only when something is listed already.
      {u"<body>", {u"Jane Roe", u"", u"John Doe"}, u"<body>" + banner(u"Jane Roe, , John Doe")},
      {u"<body>", {u"", u"Jane Roe", u""}, u"<body>" + banner(u"Jane Roe, ")},
      {u"<body>",
       {u"Bob <bob@fabrikam.com>", u"A&B"},
       u"<body>" + banner(u"Bob &lt;bob@fabrikam.com&gt;, A&amp;B")},
  };
  for (const auto& c : cases) {
    std::u16string body(c.body);
    InsertSentSummaryBanner(body, c.names);
    EXPECT_EQ(body, c.expected) << std::string(c.body.begin(), c.body.end());
  }
  EXPECT_EQ(banner(u"%s").size(), 131u);
}

}  // namespace
}  // namespace norvale
