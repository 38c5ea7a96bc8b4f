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

// Writes one block per sent copy, the message boxes and the composed
// message's fate, readable in a terminal.
void PrintSendSummary(const nlohmann::ordered_json& report, std::ostream& out);

// Writes the preview page index.html and each sent copy's HTML body as its
// own file; throws UsageError when it cannot write.
void WritePreviewFolder(const nlohmann::ordered_json& report, const std::filesystem::path& dir);

}  // namespace norvale::sim
