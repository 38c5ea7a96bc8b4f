#include "tools/norvale-sim/send_report.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

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

// Field for one line of the text summary.
std::string ShownField(const Json& object, const char* name) {
  return DisplayUtf8(Field(object, name));
}

}  // namespace

std::string SourceFate(const Json& source) {
  std::string fate = source.at("saved").get<bool>() ? "saved" : "not saved";
  fate += source.at("closedWith").is_null() ? ", left open"
                                            : ", closed with " + source.at("closedWith").dump();
  fate += source.at("deleted").get<bool>() ? ", deleted" : ", not deleted";
  return fate;
}

std::string InlineFate(const Json& inline_reply) {
  return std::string(inline_reply.at("poppedOut").get<bool>() ? "popped out" : "not popped out") +
         (inline_reply.at("inspectorHidden").get<bool>() ? ", its window hidden" : "");
}

namespace {

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
    const Json& tracking = copy.at("tracking");
    const size_t links = copy.at("rewrittenLinks").size();
    out << "  Tracked: " << (tracking.is_null() ? "no" : "yes");
    if (!copy.at("banner").is_null()) out << ", banner \"" << ShownField(copy, "banner") << '"';
    // An untracked copy's links change only when they carried earlier tracking.
    if (!tracking.is_null() || links > 0) {
      out << ", " << links << " link" << (links == 1 ? "" : "s") << " rewritten";
    }
    out << '\n';
    for (const auto& [name, value] : tracking.items()) {
      out << "    " << name << " = " << DisplayUtf8(value.get<std::string>()) << '\n';
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
    out << "Inline reply: " << InlineFate(*inline_reply) << '\n';
  }
}

void WritePreviewFolder(const Json& report, const std::filesystem::path& dir) {
  PreparePreviewFolder(dir);
  const auto write = [&dir](const std::string& name, const std::string& contents) {
    WriteNewFile(dir / name, contents);
  };
  const Json& sent = report.at("sent");
  for (size_t i = 0; i < sent.size(); ++i) write(CopyFileName(i), CopyFile(sent[i]));
  write("index.html", PreviewPage(report));
}

}  // namespace norvale::sim
