#include "tools/norvale-sim/cli_support.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "base/text.h"

namespace norvale::sim {

std::u16string ArgumentText(std::string_view utf8, std::string_view what) {
  std::optional<std::u16string> text = Utf8ToUtf16(utf8);
  if (!text) throw UsageError(std::string(what) + " is not valid UTF-8");
  return std::move(*text);
}

std::string ReadInput(const std::string& path) {
  if (path == "-") {
    std::string text(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>{});
    if (std::cin.bad()) throw UsageError("cannot read standard input");
    return text;
  }
  // A folder opens as a file on some systems and then reads as empty.
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw UsageError("'" + path + "' is a folder, not a file");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError("cannot open '" + path + "': " + std::strerror(errno));
  std::string text(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>{});
  if (file.bad()) throw UsageError("cannot read '" + path + "'");
  return text;
}

std::u16string ReadTextInput(const std::string& path) {
  const std::string name = path == "-" ? "standard input" : "'" + path + "'";
  return ArgumentText(ReadInput(path), name);
}

void PrintText(std::u16string_view text) { std::cout << Utf16ToUtf8(text); }

std::string DisplayText(std::u16string_view text) {
  std::string shown;
  shown.reserve(text.size());
  size_t plain = 0;  // start of the characters not yet appended
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
    if (!control && c != u'\\') continue;
    shown += Utf16ToUtf8(text.substr(plain, i - plain));
    plain = i + 1;
    char escape[8] = "\\\\";
    if (control) {
      std::snprintf(escape, sizeof escape, c < 0x100 ? "\\x%02X" : "\\u%04X",
                    static_cast<unsigned>(c));
    }
    shown += escape;
  }
  return shown + Utf16ToUtf8(text.substr(plain));
}

std::string DisplayUtf8(std::string_view utf8) {
  return DisplayText(ArgumentText(utf8, "a report text"));
}

void FinishStandardOutput() {
  if (!std::cout.flush()) throw OutputError("cannot write to standard output");
}

}  // namespace norvale::sim
