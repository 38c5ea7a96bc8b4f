// norvale-sim send --dll: the scenario run through the real add-in DLL.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "sim/outlook/scenario.h"

namespace norvale::sim {

// Loads the add-in DLL at `path` as COM loads it for Outlook, runs the
// scenario through it with Outlook played over COM, and returns the same
// report as the core's run. `leftovers` receives what the DLL failed to
// clean up, one line each; empty when it left nothing. Throws UsageError when
// the DLL or the harness's mapi32.dll cannot be used.
nlohmann::ordered_json SendThroughDll(const Scenario& scenario, const std::string& path,
                                      std::string& leftovers);

}  // namespace norvale::sim
