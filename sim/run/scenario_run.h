// Runs a scenario's action on a simulated profile: the add-in code that
// Outlook would run, against the scenario's objects, with Outlook's part of
// an inline reply played around it.
#pragma once

#include <nlohmann/json.hpp>

#include "sim/desktop/sim_desktop.h"
#include "sim/outlook/scenario.h"
#include "sim/outlook/sim_outlook.h"

namespace norvale::sim {

// One finished run: the simulated Outlook and desktop as the add-in left them.
struct ScenarioRun {
  explicit ScenarioRun(Scenario scenario);

  SimOutlook outlook;
  platform::SimDesktop desktop;

  // The object that `norvale-sim send --json` prints.
  nlohmann::ordered_json Report() const;
};

}  // namespace norvale::sim
