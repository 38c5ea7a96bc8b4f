#include "tools/norvale-sim/cli_support.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "base/text.h"

namespace norvale::sim {

std::u16string ArgumentText(std::string_view utf8, std::string_view what) {
  std::optional<std::u16string> text = Utf8ToUtf16(utf8);
  if (!text) throw UsageError(std::string(what) + " is not valid UTF-8");
  return std::move(*text);
}

std::string ReadInput(const std::string& path) {
  if (path == "-") {
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError("cannot open '" + path + "'");
  std::ostringstream contents;
  contents << file.rdbuf();
  if (file.bad()) throw UsageError("cannot read '" + path + "'");
  return std::move(contents).str();
}

std::u16string ReadTextInput(const std::string& path) {
  const std::string name = path == "-" ? "standard input" : "'" + path + "'";
  return ArgumentText(ReadInput(path), name);
}

void PrintText(std::u16string_view text) { std::cout << Utf16ToUtf8(text); }

}  // namespace norvale::sim
