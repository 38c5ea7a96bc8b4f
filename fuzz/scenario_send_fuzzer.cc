// Reads any text as a scenario file; a scenario that loads is sent on the
// simulated profile, and its report printed as norvale-sim prints it.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "sim/outlook/scenario.h"
#include "sim/run/scenario_run.h"
#include "tools/norvale-sim/send_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  norvale::sim::Scenario scenario;
  try {
    scenario = norvale::sim::ParseScenario(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz input");
  } catch (const norvale::sim::ScenarioError&) {
    return 0;
  }
  const nlohmann::ordered_json report = norvale::sim::ScenarioRun(std::move(scenario)).Report();
  std::ostringstream text;
  norvale::sim::PrintSendSummary(report, text);
  return 0;
}
