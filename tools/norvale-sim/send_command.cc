#include "tools/norvale-sim/send_command.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "sim/outlook/scenario.h"
#include "tools/norvale-sim/cli_support.h"
#ifdef _WIN32
#include "tools/norvale-sim/dll_send.h"
#endif
#include "sim/run/scenario_run.h"
#include "tools/norvale-sim/send_report.h"

namespace norvale::sim {
namespace {

struct SendOptions {
  std::string scenario;
  bool json = false;
  std::string out;
  std::string dll;
};

Scenario LoadSendScenario(const std::string& path) {
  try {
    if (path.empty()) return ParseScenario(kSampleProfile, "(bundled sample profile)");
    return ParseScenario(ReadInput(path), path == "-" ? "(standard input)" : path);
  } catch (const ScenarioError& error) {
    throw UsageError(error.what());
  }
}

// The report of the add-in code built in, or of the DLL at `dll` (Windows).
nlohmann::ordered_json Send(const Scenario& scenario, [[maybe_unused]] const std::string& dll,
                            [[maybe_unused]] std::string& leftovers) {
#ifdef _WIN32
  if (!dll.empty()) return SendThroughDll(scenario, dll, leftovers);
#endif
  return ScenarioRun(scenario).Report();
}

}  // namespace

void AddSendCommand(CLI::App& app) {
  auto options = std::make_shared<SendOptions>();
  CLI::App* send = app.add_subcommand(
      "send",
      "Press the add-in's Send on a simulated Outlook profile (in the compose window, or in the "
      "main window for an inline reply) and show the copies");
  send->add_option("SCENARIO", options->scenario,
                   "Scenario file (JSON); absent: the bundled sample profile");
  send->add_flag("--json", options->json, "Print the outcome as one JSON object");
  CLI::Option* out = send->add_option(
      "--out", options->out,
      "Write each copy's HTML body and an index.html into this folder (created when missing; "
      "the files of an earlier preview in it are replaced)");
#ifdef _WIN32
  send->add_option("--dll", options->dll,
                   "Run the scenario through this NorvaleOAddin.dll, loaded as COM loads it for "
                   "Outlook, instead of the add-in code built into norvale-sim");
#endif
  send->callback([options, out] {
    if (out->count() > 0 && options->out.empty()) throw UsageError("--out needs a folder name");
    const Scenario scenario = LoadSendScenario(options->scenario);
    std::string leftovers;
    const nlohmann::ordered_json report = Send(scenario, options->dll, leftovers);
    if (options->json) {
      std::cout << report.dump(2) << '\n';
    } else {
      PrintSendSummary(report, std::cout);
    }
    if (!options->out.empty()) {
      WritePreviewFolder(report, options->out);
      (options->json ? std::cerr : std::cout)
          << "\nPreview written to " << options->out << "/index.html\n";
    }
    if (!leftovers.empty())
      throw CheckError("the DLL did not clean up after itself:\n" + leftovers);
  });
}

}  // namespace norvale::sim
