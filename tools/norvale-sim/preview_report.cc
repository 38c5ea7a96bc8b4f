#include "tools/norvale-sim/preview_report.h"

#include <cstdio>
#include <string_view>

#include "base/text.h"
#include "tools/norvale-sim/send_report.h"

namespace norvale::sim {
namespace {

using Json = nlohmann::ordered_json;

// Nothing runs and nothing is fetched: a mail body's remote images would tell
// the tracking server that a preview was an open. Frames inherit the policy.
constexpr std::string_view kContentPolicy =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'; img-src data:\">";

// Laid out for a long page: a narrow column, one ruled section per copy, and
// long tracking addresses wrapped anywhere.
constexpr std::string_view kStyle = R"(<style>
body{font:15px/1.5 system-ui,sans-serif;color:#1d2430;background:#f4f5f7;margin:0}
header,main>section{max-width:70rem;margin:0 auto;padding:0 1.5rem}
header{padding-top:1rem}
main>section{background:#fff;border:1px solid #d5d9e0;border-radius:6px;margin:1.5rem auto;padding:.5rem 1.5rem 1.5rem}
h1{font-size:1.6rem}h2{font-size:1.3rem;border-bottom:1px solid #d5d9e0;padding-bottom:.3rem}h3{font-size:1.05rem;margin-bottom:.4rem}
dl{display:grid;grid-template-columns:max-content 1fr;gap:.2rem 1rem;margin:0}dt{font-weight:600}dd{margin:0}
.value,.box{white-space:pre-wrap}.none{color:#6b7280;font-style:italic}
table{border-collapse:collapse;width:100%;table-layout:fixed}th,td{border:1px solid #d5d9e0;padding:.25rem .5rem;text-align:left;vertical-align:top;overflow-wrap:anywhere}
thead th{background:#eef0f3}table.values th:first-child{width:12rem}table.links th:first-child{width:3rem}
code{font:13px/1.4 ui-monospace,monospace}
.tracked{color:#0a6b2f;font-weight:600}.untracked{color:#8a4b00;font-weight:600}
iframe{width:100%;height:22rem;border:1px solid #b8bfca;background:#fff;resize:vertical}
nav ol{columns:2}
</style>)";

std::string Escape(std::string_view utf8) {
  return Utf16ToUtf8(EscapeHtml(Utf8ToUtf16(utf8).value_or(u"\uFFFD")));
}

// A report string, escaped; JSON null (Outlook gave no string) shows as
// "none" and an empty string as "empty", both set apart from real values.
std::string Text(const Json& value) {
  if (value.is_null()) return "<span class=\"none\">none</span>";
  if (value.get_ref<const std::string&>().empty()) return "<span class=\"none\">empty</span>";
  return "<span class=\"value\">" + Escape(value.get<std::string>()) + "</span>";
}

std::string Value(const Json& object, const char* name) { return Text(object.at(name)); }

void AppendHeader(const Json& report, std::string& page) {
  const Json& sent = report.at("sent");
  page += "<header>\n<h1>Send preview</h1>\n<dl>\n<dt>Copies sent</dt><dd id=\"copy-count\">" +
          std::to_string(sent.size()) + "</dd>\n<dt>Composed message</dt><dd>" +
          Escape(SourceFate(report.at("source"))) + "</dd>\n";
  if (const auto inline_reply = report.find("inline"); inline_reply != report.end()) {
    page += "<dt>Inline reply</dt><dd>" + Escape(InlineFate(*inline_reply)) + "</dd>\n";
  }
  page += "<dt>Object-model calls</dt><dd>" + report.at("calls").dump() + "</dd>\n</dl>\n";

  page += "<h2>Message boxes</h2>\n";
  const Json& boxes = report.at("messageBoxes");
  if (boxes.empty()) page += "<p>None.</p>\n";
  for (const Json& box : boxes) {
    page += "<section class=\"message-box\"><h3>" + Escape(box.at("caption").get<std::string>()) +
            " <small>(owner " + Escape(box.at("owner").get<std::string>()) +
            ")</small></h3>\n<p class=\"box\">" + Escape(box.at("text").get<std::string>()) +
            "</p></section>\n";
  }
  for (const Json& leftover : report.at("leftovers")) {
    page += "<p>Left over (" + Escape(leftover.at("state").get<std::string>()) +
            "): To: " + Value(leftover, "to") + ", Subject: " + Value(leftover, "subject") +
            "</p>\n";
  }

  page += "<nav><h2>Copies</h2>\n<ol>\n";
  for (size_t i = 0; i < sent.size(); ++i) {
    page += "<li><a href=\"#copy-" + std::to_string(i + 1) + "\">" + Value(sent[i], "to") +
            "</a> " + (sent[i].at("tracking").is_null() ? "(not tracked)" : "(tracked)") +
            "</li>\n";
  }
  page += "</ol></nav>\n</header>\n";
}

void AppendCopy(const Json& copy, size_t index, std::string& page) {
  const std::string number = std::to_string(index + 1);
  const Json& tracking = copy.at("tracking");
  page += "<section class=\"copy\" id=\"copy-" + number + "\" aria-labelledby=\"copy-" + number +
          "-title\">\n<h2 id=\"copy-" + number + "-title\">Copy " + number + "</h2>\n<dl>\n" +
          "<dt>To</dt><dd>" + Value(copy, "to") + "</dd>\n<dt>Cc</dt><dd>" + Value(copy, "cc") +
          "</dd>\n<dt>Bcc</dt><dd>" + Value(copy, "bcc") + "</dd>\n<dt>Subject</dt><dd>" +
          Value(copy, "subject") + "</dd>\n<dt>Tracked</dt><dd>" +
          (tracking.is_null() ? "<span class=\"untracked\">no</span>"
                              : "<span class=\"tracked\">yes</span>") +
          "</dd>\n</dl>\n";

  if (!tracking.is_null()) {
    page +=
        "<h3>Tracking values</h3>\n<table class=\"values\">\n<thead><tr><th "
        "scope=\"col\">Name</th><th scope=\"col\">Decoded value</th></tr></thead>\n<tbody>\n";
    for (const auto& [name, value] : tracking.items()) {
      page += "<tr><th scope=\"row\"><code>" + Escape(name) + "</code></th><td>" + Text(value) +
              "</td></tr>\n";
    }
    page += "</tbody></table>\n";
  }

  const Json& links = copy.at("rewrittenLinks");
  page += "<h3>Links rewritten</h3>\n";
  if (links.empty()) {
    page += "<p>None.</p>\n";
  } else {
    page +=
        "<table class=\"links\">\n<thead><tr><th scope=\"col\">#</th><th "
        "scope=\"col\">Original</th><th scope=\"col\">In this copy</th></tr></thead>\n<tbody>\n";
    for (size_t k = 0; k < links.size(); ++k) {
      page += "<tr><td>" + std::to_string(k + 1) + "</td><td><code>" +
              Escape(links[k].at("original").get<std::string>()) + "</code></td><td><code>" +
              Escape(links[k].at("rewritten").get<std::string>()) + "</code></td></tr>\n";
    }
    page += "</tbody></table>\n";
  }

  if (!copy.at("banner").is_null()) {
    page += "<h3>Banner</h3>\n<p><code>" + Escape(copy.at("banner").get<std::string>()) +
            "</code></p>\n";
  }

  // srcdoc keeps the body in this one file; without allow-scripts and
  // allow-same-origin the body can neither run nor touch this page.
  const Json& html = copy.at("htmlBody");
  page += "<h3>As the recipient sees it</h3>\n<iframe sandbox title=\"Copy " + number +
          " as the recipient sees it\" srcdoc=\"" +
          (html.is_null() ? std::string() : Escape(html.get<std::string>())) +
          "\"></iframe>\n<p><a href=\"" + CopyFileName(index) +
          "\">This copy on its own</a> (scripts and remote images blocked).</p>\n</section>\n";
}

}  // namespace

std::string CopyFileName(size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "copy-%02zu.html", index + 1);
  return name;
}

std::string PreviewPage(const Json& report) {
  const Json& sent = report.at("sent");
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n" +
                     std::string(kContentPolicy) +
                     "\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                     "<title>Send preview: " +
                     std::to_string(sent.size()) + " cop" + (sent.size() == 1 ? "y" : "ies") +
                     "</title>\n" + std::string(kStyle) + "\n</head>\n<body>\n";
  AppendHeader(report, page);
  page += "<main>\n";
  for (size_t i = 0; i < sent.size(); ++i) AppendCopy(sent[i], i, page);
  return page + "</main>\n</body>\n</html>\n";
}

std::string CopyFile(const Json& copy) {
  const Json& html = copy.at("htmlBody");
  std::string body = html.is_null() ? std::string() : html.get<std::string>();
  // The policy must come before anything it guards, but after a leading
  // doctype, which would otherwise be dropped and switch to quirks mode.
  constexpr std::u16string_view kDoctype = u"<!doctype";
  size_t at = body.find_first_not_of(" \t\r\n");
  if (at != std::string::npos &&
      StartsWithIgnoreCase(Utf8ToUtf16(body.substr(at, kDoctype.size())).value_or(u""), kDoctype)) {
    at = body.find('>', at);
    at = at == std::string::npos ? body.size() : at + 1;
  } else {
    at = 0;
  }
  body.insert(at, kContentPolicy);
  // The byte-order mark makes browsers read the body as UTF-8 even when its
  // own markup names no or another character set.
  return "\xEF\xBB\xBF" + body;
}

}  // namespace norvale::sim
