// The send subcommand: a tracked send on a simulated Outlook profile.
#pragma once

#include <CLI/CLI.hpp>
#include <string_view>

namespace norvale::sim {

// The bundled sample profile, used when no scenario file is given.
extern const std::string_view kSampleProfile;

void AddSendCommand(CLI::App& app);

}  // namespace norvale::sim
