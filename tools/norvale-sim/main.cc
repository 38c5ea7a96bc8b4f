// norvale-sim: runs the add-in's code outside Outlook and shows what it would send.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/norvale-sim/cli_support.h"
#include "tools/norvale-sim/send_command.h"
#include "tools/norvale-sim/tracking_commands.h"

int main(int argc, char** argv) {
  CLI::App app("Preview the Norvale Outlook Addin's tracked sending", "norvale-sim");
  app.require_subcommand(1);
  norvale::sim::AddTrackingCommands(app);
  norvale::sim::AddSendCommand(app);
  try {
    app.parse(argc, argv);
    norvale::sim::FinishStandardOutput();
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    std::cerr << "norvale-sim: " << error.what() << "\n(run 'norvale-sim --help' for usage)\n";
    return norvale::sim::kExitUsage;
  } catch (const norvale::sim::UsageError& error) {
    std::cerr << "norvale-sim: " << error.what() << '\n';
    return norvale::sim::kExitUsage;
  } catch (const norvale::sim::CheckError& error) {
    std::cerr << "norvale-sim: " << error.what() << '\n';
    return norvale::sim::kExitCheckFailed;
  } catch (const norvale::sim::OutputError& error) {
    std::cerr << "norvale-sim: " << error.what() << '\n';
    return norvale::sim::kExitOutputFailed;
  } catch (const std::exception& error) {
    std::cerr << "norvale-sim: internal error: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
