#include "tools/norvale-sim/preview_report.h"

#include <gtest/gtest.h>

#include <string>

namespace norvale::sim {
namespace {

using Json = nlohmann::ordered_json;

constexpr char kPolicy[] =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'; img-src data:\">";

Json Copy(const Json& html) {
  return {{"to", "a@x.example"}, {"cc", ""},
          {"bcc", nullptr},      {"subject", "S"},
          {"htmlBody", html},    {"body", nullptr},
          {"tracking", nullptr}, {"rewrittenLinks", Json::array()},
          {"banner", nullptr}};
}

// The policy goes first, or right behind a leading doctype so that the copy
// keeps its rendering mode.
TEST(PreviewReportTest, CopyFileBlocksScriptsBeforeAnythingElse) {
  struct Case {
    Json body;
    std::string expected;
  } cases[] = {
      {"<p>Hi</p><script>x()</script>", std::string(kPolicy) + "<p>Hi</p><script>x()</script>"},
      {"<!DOCTYPE html><p>Hi</p>", "<!DOCTYPE html>" + std::string(kPolicy) + "<p>Hi</p>"},
      {"\r\n <!doctype html PUBLIC \"x\">\n<p>",
       "\r\n <!doctype html PUBLIC \"x\">" + std::string(kPolicy) + "\n<p>"},
      {"<!-- <!DOCTYPE html> --><p>", std::string(kPolicy) + "<!-- <!DOCTYPE html> --><p>"},
      {"<!DOCTYPE", "<!DOCTYPE" + std::string(kPolicy)},
      {nullptr, kPolicy},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CopyFile(Copy(c.body)), "\xEF\xBB\xBF" + c.expected) << c.body;
  }
}

// Every report text is escaped where it stands, the body too inside srcdoc,
// so nothing from a run can end an attribute or open a tag of the page.
TEST(PreviewReportTest, PageEscapesEveryValue) {
  Json copy = Copy("<p title=\"q\">a & b</p>");
  copy["to"] = "<b>Jane</b>";
  copy["tracking"] = {{"nv_subject", "\"quoted\" & <tagged>"}};
  copy["rewrittenLinks"] = {{{"original", "https://x.example/?a=1&amp;b=2"},
                             {"rewritten", "https://x.example/?a=1&amp;b=2&q\"><x>"}}};
  copy["banner"] = "Mail sent to:A &lt;a@x&gt;";
  const Json report = {
      {"sent", {copy}},
      {"leftovers", Json::array()},
      {"messageBoxes", {{{"text", "<script>"}, {"caption", "C&C"}, {"owner", "none"}}}},
      {"source", {{"saved", true}, {"closedWith", 1}, {"deleted", true}}},
      {"calls", 3}};
  const std::string page = PreviewPage(report);
  for (const char* expected : {
           "<span class=\"value\">&lt;b&gt;Jane&lt;/b&gt;</span>",
           "&quot;quoted&quot; &amp; &lt;tagged&gt;",
           "<code>https://x.example/?a=1&amp;amp;b=2&amp;q&quot;&gt;&lt;x&gt;</code>",
           "Mail sent to:A &amp;lt;a@x&amp;gt;",
           "<p class=\"box\">&lt;script&gt;</p>",
           "C&amp;C",
           "srcdoc=\"&lt;p title=&quot;q&quot;&gt;a &amp; b&lt;/p&gt;\"",
           "<dt>Cc</dt><dd><span class=\"none\">empty</span>",
           "<dt>Bcc</dt><dd><span class=\"none\">none</span>",
       }) {
    EXPECT_NE(page.find(expected), std::string::npos) << expected;
  }
  for (const char* absent : {"<b>", "<x>", "<script>", "<p title"}) {
    EXPECT_EQ(page.find(absent), std::string::npos) << absent;
  }
}

}  // namespace
}  // namespace norvale::sim
