// Presents the outcome of a simulated send: the readable summary and the
// preview folder. Both read the same report object that `send --json` prints.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace norvale::sim {

// What became of the composed message: "saved, closed with 1, deleted".
std::string SourceFate(const nlohmann::ordered_json& source);

// What became of an inline reply's window, from the report's "inline" member.
std::string InlineFate(const nlohmann::ordered_json& inline_reply);

// Writes one block per sent copy, the message boxes and the composed
// message's fate, readable in a terminal.
void PrintSendSummary(const nlohmann::ordered_json& report, std::ostream& out);

// Writes the preview page index.html and each sent copy's HTML body as its
// own file (copy-01.html, ...). The files of an earlier preview in `dir` are
// removed first; nothing is written through a symbolic link, and `dir` itself
// may not be one. Throws UsageError for a `dir` that cannot be used,
// OutputError when a file cannot be written.
void WritePreviewFolder(const nlohmann::ordered_json& report, const std::filesystem::path& dir);

}  // namespace norvale::sim
