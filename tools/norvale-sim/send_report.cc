#include "tools/norvale-sim/send_report.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include "base/text.h"
#include "tools/norvale-sim/cli_support.h"
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

// Field for one line of the text summary.
std::string ShownField(const Json& object, const char* name) {
  return DisplayUtf8(Field(object, name));
}

std::u16string Body(const Json& copy) {
  const Json& html = copy.at("htmlBody");
  return html.is_null() ? std::u16string() : *Utf8ToUtf16(html.get<std::string>());
}

// What the tracking image of a tracked copy says, if it has one.
struct TrackingInfo {
  TrackingValues values;
  std::u16string query;
  size_t links = 0;
};

std::optional<TrackingInfo> ReadTracking(std::u16string_view body) {
  const size_t path = body.rfind(kTrackingPath);
  if (path == std::u16string_view::npos) return std::nullopt;
  const size_t begin = path + kTrackingPath.size();
  const size_t end = body.find(u'\'', begin);
  TrackingInfo info;
  info.query = std::u16string(body.substr(begin, end == body.npos ? end : end - begin));
  try {
    info.values = ParseTrackingQuery(info.query);
  } catch (const TrackingQueryError&) {
    return std::nullopt;
  }
  for (const HrefSpan& span : EmailContentParser::FindHrefSpans(body)) {
    if (Contains(body.substr(span.offset, span.length), info.query)) ++info.links;
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

// True for the names of the files that WritePreviewFolder writes.
bool IsPreviewFileName(std::string_view name) {
  if (name == "index.html") return true;
  if (!name.starts_with("copy-") || !name.ends_with(".html")) return false;
  const std::string_view number = name.substr(5, name.size() - 10);
  return number.size() >= 2 &&
         std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Makes `dir` ready for a new preview: created when missing; otherwise the
// files of an earlier preview are removed (a symbolic link by that name is
// removed, not followed), and everything else in it is left alone.
void PreparePreviewFolder(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  const std::string name = std::string(1, '\'').append(dir.string()).append(1, '\'');
  std::error_code error;
  const fs::file_status status = fs::symlink_status(dir, error);
  if (fs::is_symlink(status)) {
    throw UsageError("--out " + name + " is a symbolic link; give the folder it points to");
  }
  if (!fs::exists(status)) {
    fs::create_directories(dir, error);
    if (error) throw OutputError("cannot create " + name + ": " + error.message());
    return;
  }
  if (!fs::is_directory(status)) throw UsageError("--out " + name + " is not a folder");
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    if (!IsPreviewFileName(it->path().filename().string())) continue;
    if (!fs::remove(it->path(), error)) break;
  }
  if (error)
    throw OutputError("cannot clear the earlier preview in " + name + ": " + error.message());
}

#ifdef _WIN32
int OpenNewFile(const std::filesystem::path& path) {
  return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, std::string_view bytes) {
  return _write(fd, bytes.data(), static_cast<unsigned>(std::min<size_t>(bytes.size(), 1 << 20)));
}
int CloseFile(int fd) { return _close(fd); }
#else
int OpenNewFile(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}
int WriteSome(int fd, std::string_view bytes) {
  return static_cast<int>(::write(fd, bytes.data(), std::min<size_t>(bytes.size(), 1 << 20)));
}
int CloseFile(int fd) { return ::close(fd); }
#endif

// Writes `contents` to a file that must not exist yet: a symbolic link put
// in its place is never written through.
void WriteNewFile(const std::filesystem::path& path, std::string_view contents) {
  const int fd = OpenNewFile(path);
  if (fd < 0) throw OutputError("cannot create '" + path.string() + "': " + std::strerror(errno));
  int error = 0;
  while (error == 0 && !contents.empty()) {
    const int written = WriteSome(fd, contents);
    if (written > 0) {
      contents.remove_prefix(static_cast<size_t>(written));
    } else {
      error = errno != 0 ? errno : EIO;
    }
  }
  if (CloseFile(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    throw OutputError("cannot write '" + path.string() + "': " + std::strerror(error));
  }
}

}  // namespace

void PrintSendSummary(const Json& report, std::ostream& out) {
  const Json& sent = report.at("sent");
  out << sent.size() << " cop" << (sent.size() == 1 ? "y" : "ies") << " sent ("
      << report.at("calls") << " object-model calls)\n";
  for (size_t i = 0; i < sent.size(); ++i) {
    const Json& copy = sent[i];
    out << "\nCopy " << i + 1 << "\n  To:      " << ShownField(copy, "to")
        << "\n  Cc:      " << ShownField(copy, "cc") << "\n  Bcc:     " << ShownField(copy, "bcc")
        << "\n  Subject: " << ShownField(copy, "subject") << '\n';
    const std::u16string body = Body(copy);
    if (const std::optional<TrackingInfo> tracking = ReadTracking(body)) {
      out << "  Tracked: yes, " << tracking->links << " link" << (tracking->links == 1 ? "" : "s")
          << " rewritten\n";
      for (size_t k = 0; k < tracking->values.size(); ++k) {
        out << "    " << Utf16ToUtf8(TrackingFieldName(k)) << " = "
            << DisplayText(tracking->values[k]) << '\n';
      }
    } else {
      out << "  Tracked: no";
      const size_t banner = body.find(u"Mail sent to:");
      if (banner != std::u16string::npos) {
        const size_t end = body.find(u"<br>", banner);
        out << ", banner \"" << DisplayText(body.substr(banner, end - banner)) << '"';
      }
      out << '\n';
    }
  }
  for (const Json& leftover : report.at("leftovers")) {
    out << "\nLeft over (" << leftover.at("state").get<std::string>()
        << "): To: " << ShownField(leftover, "to")
        << ", Subject: " << ShownField(leftover, "subject") << '\n';
  }
  for (const Json& box : report.at("messageBoxes")) {
    out << "\nMessage box \"" << ShownField(box, "caption") << "\" (owner "
        << box.at("owner").get<std::string>() << "):";
    // The box's own lines, each indented.
    const std::string text = box.at("text").get<std::string>();
    for (size_t begin = 0, end = 0; end != std::string::npos; begin = end + 1) {
      end = text.find('\n', begin);
      out << "\n  " << DisplayUtf8(std::string_view(text).substr(begin, end - begin));
    }
    out << '\n';
  }
  out << "\nComposed message: " << SourceFate(report.at("source")) << '\n';
  if (const auto inline_reply = report.find("inline"); inline_reply != report.end()) {
    out << "Inline reply: "
        << (inline_reply->at("poppedOut").get<bool>() ? "popped out" : "not popped out")
        << (inline_reply->at("inspectorHidden").get<bool>() ? ", its window hidden" : "") << '\n';
  }
}

void WritePreviewFolder(const Json& report, const std::filesystem::path& dir) {
  PreparePreviewFolder(dir);
  const auto write = [&dir](const std::string& name, const std::string& contents) {
    WriteNewFile(dir / name, contents);
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
