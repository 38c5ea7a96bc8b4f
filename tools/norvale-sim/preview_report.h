// The preview folder's pages: the report a person reads before trusting a
// send, made from the same report object as the terminal summary and --json.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace norvale::sim {

// The name of the file that holds sent copy `index` (from 0): "copy-01.html".
std::string CopyFileName(size_t index);

// index.html: the number of copies, the message boxes, the composed message's
// fate, then one section per copy with its addressing, tracking values,
// rewritten links, banner and the copy itself in a sandboxed frame. Loads
// nothing from outside the page and runs nothing.
std::string PreviewPage(const nlohmann::ordered_json& report);

// A sent copy's HTML body as a file to open on its own, with its scripts and
// remote content blocked.
std::string CopyFile(const nlohmann::ordered_json& copy);

}  // namespace norvale::sim
