#include "tools/norvale-sim/compose_send.h"

#include <utility>

#include "addin/norvale_addin.h"
#include "outlook/sim/report.h"

namespace norvale::sim {

ComposeSend::ComposeSend(Scenario scenario) : outlook(std::move(scenario)) {
  CNorvaleOAddin addin(desktop);
  // Connecting is Outlook's business, not the send's: a failure there leaves
  // the add-in at level 0, as OnConnection would, and the send goes on.
  try {
    addin.SetApplication(outlook.application());
  } catch (const std::exception&) {
  }
  std::shared_ptr<outlook::MailItem> spMailItem = outlook.sourceItem();
  result = addin.SendTrackedMail(spMailItem);
}

nlohmann::ordered_json ComposeSend::Report() const { return BuildReport(outlook, desktop, result); }

}  // namespace norvale::sim
