#include "tools/norvale-sim/send_report.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "base/text.h"
#include "tools/norvale-sim/cli_support.h"
#include "tracking/body_rewriter.h"
#include "tracking/email_content_parser.h"
#include "tracking/tracking_query.h"

namespace norvale::sim {
namespace {

using Json = nlohmann::ordered_json;

// A report string member; JSON null (Outlook gave no string) shows as "(none)".
std::string Field(const Json& object, const char* name) {
  const Json& value = object.at(name);
  return value.is_null() ? "(none)" : value.get<std::string>();
}

std::u16string Body(const Json& copy) {
  const Json& html = copy.at("htmlBody");
  return html.is_null() ? std::u16string() : *Utf8ToUtf16(html.get<std::string>());
}

// What a tracked copy carries: the values of the tracking image that the
// add-in appended when it rewrote the copy, and the links with that query.
struct TrackingInfo {
  TrackingValues values;
  size_t links = 0;
};

std::optional<TrackingInfo> ReadTracking(std::u16string_view body) {
  const std::optional<std::u16string_view> query = AppendedTrackingQuery(body);
  if (!query) return std::nullopt;
  TrackingInfo info;
  try {
    info.values = ParseTrackingQuery(*query);
  } catch (const TrackingQueryError&) {
    return std::nullopt;
  }
  for (const MarkupValue& value : EmailContentParser::FindValues(body)) {
    if (value.kind == MarkupValue::Kind::kLink &&
        Contains(body.substr(value.offset, value.length), *query)) {
      ++info.links;
    }
  }
  return info;
}

std::string HtmlEscape(std::string_view utf8) {
  return Utf16ToUtf8(EscapeHtml(ArgumentText(utf8, "a report text")));
}

std::string SourceFate(const Json& source) {
  std::string fate = source.at("saved").get<bool>() ? "saved" : "not saved";
  fate += source.at("closedWith").is_null() ? ", left open"
                                            : ", closed with " + source.at("closedWith").dump();
  fate += source.at("deleted").get<bool>() ? ", deleted" : ", not deleted";
  return fate;
}

std::string CopyFileName(size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "copy-%02zu.html", index + 1);
  return name;
}

}  // namespace

void PrintSendSummary(const Json& report, std::ostream& out) {
  const Json& sent = report.at("sent");
  out << sent.size() << " cop" << (sent.size() == 1 ? "y" : "ies") << " sent ("
      << report.at("calls") << " object-model calls)\n";
  for (size_t i = 0; i < sent.size(); ++i) {
    const Json& copy = sent[i];
    out << "\nCopy " << i + 1 << "\n  To:      " << Field(copy, "to")
        << "\n  Cc:      " << Field(copy, "cc") << "\n  Bcc:     " << Field(copy, "bcc")
        << "\n  Subject: " << Field(copy, "subject") << '\n';
    const std::u16string body = Body(copy);
    if (const std::optional<TrackingInfo> tracking = ReadTracking(body)) {
      out << "  Tracked: yes, " << tracking->links << " link" << (tracking->links == 1 ? "" : "s")
          << " rewritten\n";
      for (size_t k = 0; k < tracking->values.size(); ++k) {
        out << "    " << Utf16ToUtf8(TrackingFieldName(k)) << " = "
            << Utf16ToUtf8(tracking->values[k]) << '\n';
      }
    } else {
      out << "  Tracked: no";
      const size_t banner = body.find(u"Mail sent to:");
      if (banner != std::u16string::npos) {
        const size_t end = body.find(u"<br>", banner);
        out << ", banner \"" << Utf16ToUtf8(body.substr(banner, end - banner)) << '"';
      }
      out << '\n';
    }
  }
  for (const Json& leftover : report.at("leftovers")) {
    out << "\nLeft over (" << leftover.at("state").get<std::string>()
        << "): To: " << Field(leftover, "to") << ", Subject: " << Field(leftover, "subject")
        << '\n';
  }
  for (const Json& box : report.at("messageBoxes")) {
    out << "\nMessage box \"" << box.at("caption").get<std::string>() << "\" (owner "
        << box.at("owner").get<std::string>() << "):\n  ";
    std::string text = box.at("text").get<std::string>();
    for (size_t pos = 0; (pos = text.find('\n', pos)) != std::string::npos; pos += 3) {
      text.replace(pos, 1, "\n  ");
    }
    out << text << '\n';
  }
  out << "\nComposed message: " << SourceFate(report.at("source")) << '\n';
  if (const auto inline_reply = report.find("inline"); inline_reply != report.end()) {
    out << "Inline reply: "
        << (inline_reply->at("poppedOut").get<bool>() ? "popped out" : "not popped out")
        << (inline_reply->at("inspectorHidden").get<bool>() ? ", its window hidden" : "") << '\n';
  }
}

void WritePreviewFolder(const Json& report, const std::filesystem::path& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) throw UsageError("cannot create '" + dir.string() + "': " + error.message());
  const auto write = [&dir](const std::string& name, const std::string& contents) {
    std::ofstream file(dir / name, std::ios::binary | std::ios::trunc);
    file << contents;
    if (!file.flush()) throw UsageError("cannot write '" + (dir / name).string() + "'");
  };

  std::string index =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Norvale send preview</title>"
      "<style>body{font-family:sans-serif}td,th{border:1px solid #ccc;padding:4px 8px}"
      "table{border-collapse:collapse}</style></head><body>\n<h1>Send preview</h1>\n"
      "<p>" +
      std::to_string(report.at("sent").size()) + " copies sent; composed message " +
      HtmlEscape(SourceFate(report.at("source"))) +
      ".</p>\n<table>\n"
      "<tr><th>#</th><th>To</th><th>Subject</th><th>Tracked</th></tr>\n";
  const Json& sent = report.at("sent");
  for (size_t i = 0; i < sent.size(); ++i) {
    const std::u16string body = Body(sent[i]);
    // The byte-order mark makes browsers read the body as UTF-8 even when its
    // own markup names no character set.
    write(CopyFileName(i), "\xEF\xBB\xBF" + Utf16ToUtf8(body));
    index += "<tr><td><a href=\"" + CopyFileName(i) + "\">" + std::to_string(i + 1) +
             "</a></td><td>" + HtmlEscape(Field(sent[i], "to")) + "</td><td>" +
             HtmlEscape(Field(sent[i], "subject")) + "</td><td>" +
             (ReadTracking(body) ? "yes" : "no") + "</td></tr>\n";
  }
  index += "</table>\n";
  for (const Json& box : report.at("messageBoxes")) {
    index += "<p><b>Message box:</b> " + HtmlEscape(box.at("text").get<std::string>()) + "</p>\n";
  }
  write("index.html", index + "</body></html>\n");
}

}  // namespace norvale::sim
