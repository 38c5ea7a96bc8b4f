// The text subcommands: encode, decode and rewrite.
#pragma once

#include <CLI/CLI.hpp>

namespace norvale::sim {

void AddTrackingCommands(CLI::App& app);

}  // namespace norvale::sim
