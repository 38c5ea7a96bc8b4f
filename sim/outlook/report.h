// The outcome of a simulated run as norvale-sim send --json prints it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "base/hresult.h"
#include "sim/desktop/sim_desktop.h"
#include "sim/outlook/sim_outlook.h"

namespace norvale::sim {

// "0x" and eight upper-case hex digits: "0x80004005".
std::string HresultText(HRESULT hr);

// A string as a report and a scenario file write it: a missing one is null.
nlohmann::ordered_json TextJson(const OptText& text);

// The report of a run: what was sent, the copies left behind, the message
// boxes, what became of the composed message (and of an inline reply's
// window), and the number of object-model calls. Each sent copy also carries
// what a reader checks before trusting the send: its decoded tracking values,
// the links that differ from the composed message's, and its banner. The
// terminal summary, --json and the preview page all show this one object.
nlohmann::ordered_json BuildReport(const SimOutlook& outlook, const platform::SimDesktop& desktop);

}  // namespace norvale::sim
