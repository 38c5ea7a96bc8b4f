// Runs the compose window's Send on a simulated profile: the add-in code that
// Outlook would run, against the scenario's objects.
#pragma once

#include <nlohmann/json.hpp>

#include "base/hresult.h"
#include "outlook/sim/scenario.h"
#include "outlook/sim/sim_outlook.h"
#include "platform/sim/sim_desktop.h"

namespace norvale::sim {

// One finished run: the simulated Outlook and desktop as the add-in left
// them, and the status SendTrackedMail returned.
struct ComposeSend {
  explicit ComposeSend(Scenario scenario);

  SimOutlook outlook;
  platform::SimDesktop desktop;
  HRESULT result = S_OK;

  // The object that `norvale-sim send --json` prints.
  nlohmann::ordered_json Report() const;
};

}  // namespace norvale::sim
