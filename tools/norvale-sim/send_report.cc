#include "tools/norvale-sim/send_report.h"

#include <fstream>
#include <string>

#include "tools/norvale-sim/cli_support.h"
#include "tools/norvale-sim/preview_report.h"

namespace norvale::sim {
namespace {

using Json = nlohmann::ordered_json;

// A report string member; JSON null (Outlook gave no string) shows as "(none)".
std::string Field(const Json& object, const char* name) {
  const Json& value = object.at(name);
  return value.is_null() ? "(none)" : value.get<std::string>();
}

}  // namespace

std::string SourceFate(const Json& source) {
  std::string fate = source.at("saved").get<bool>() ? "saved" : "not saved";
  fate += source.at("closedWith").is_null() ? ", left open"
                                            : ", closed with " + source.at("closedWith").dump();
  fate += source.at("deleted").get<bool>() ? ", deleted" : ", not deleted";
  return fate;
}

void PrintSendSummary(const Json& report, std::ostream& out) {
  const Json& sent = report.at("sent");
  out << sent.size() << " cop" << (sent.size() == 1 ? "y" : "ies") << " sent ("
      << report.at("calls") << " object-model calls)\n";
  for (size_t i = 0; i < sent.size(); ++i) {
    const Json& copy = sent[i];
    out << "\nCopy " << i + 1 << "\n  To:      " << Field(copy, "to")
        << "\n  Cc:      " << Field(copy, "cc") << "\n  Bcc:     " << Field(copy, "bcc")
        << "\n  Subject: " << Field(copy, "subject") << '\n';
    const Json& tracking = copy.at("tracking");
    const size_t links = copy.at("rewrittenLinks").size();
    out << "  Tracked: " << (tracking.is_null() ? "no" : "yes");
    if (!copy.at("banner").is_null()) out << ", banner \"" << Field(copy, "banner") << '"';
    // An untracked copy's links change only when they carried earlier tracking.
    if (!tracking.is_null() || links > 0) {
      out << ", " << links << " link" << (links == 1 ? "" : "s") << " rewritten";
    }
    out << '\n';
    for (const auto& [name, value] : tracking.items()) {
      out << "    " << name << " = " << value.get<std::string>() << '\n';
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
  const Json& sent = report.at("sent");
  for (size_t i = 0; i < sent.size(); ++i) write(CopyFileName(i), CopyFile(sent[i]));
  write("index.html", PreviewPage(report));
}

}  // namespace norvale::sim
