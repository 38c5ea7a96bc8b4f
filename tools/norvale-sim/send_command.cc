#include "tools/norvale-sim/send_command.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "outlook/sim/scenario.h"
#include "tools/norvale-sim/cli_support.h"
#include "tools/norvale-sim/scenario_run.h"
#include "tools/norvale-sim/send_report.h"

namespace norvale::sim {
namespace {

struct SendOptions {
  std::string scenario;
  bool json = false;
  std::string out;
};

Scenario LoadSendScenario(const std::string& path) {
  try {
    if (path.empty()) return ParseScenario(kSampleProfile, "(bundled sample profile)");
    return ParseScenario(ReadInput(path), path == "-" ? "(standard input)" : path);
  } catch (const ScenarioError& error) {
    throw UsageError(error.what());
  }
}

}  // namespace

void AddSendCommand(CLI::App& app) {
  auto options = std::make_shared<SendOptions>();
  CLI::App* send = app.add_subcommand(
      "send", "Run the compose window's Send on a simulated Outlook profile and show the copies");
  send->add_option("SCENARIO", options->scenario,
                   "Scenario file (JSON); absent: the bundled sample profile");
  send->add_flag("--json", options->json, "Print the outcome as one JSON object");
  send->add_option("--out", options->out,
                   "Write each copy's HTML body and an index.html into this folder");
  send->callback([options] {
    const ScenarioRun run(LoadSendScenario(options->scenario));
    const nlohmann::ordered_json report = run.Report();
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
  });
}

}  // namespace norvale::sim
