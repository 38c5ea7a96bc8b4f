#include "sim/run/scenario_run.h"

#include <memory>
#include <string>
#include <utility>

#include "addin/norvale_addin.h"
#include "addin/norvale_helper_dlg.h"
#include "sim/outlook/report.h"
#include "sim/run/inline_layout.h"

namespace norvale::sim {
namespace {

// The main window, as its IOleWindow gives it.
class SimExplorer final : public outlook::Explorer {
 public:
  explicit SimExplorer(platform::WindowHandle window) : m_window(window) {}
  platform::WindowHandle Window() override { return m_window; }

 private:
  platform::WindowHandle m_window;
};

// Outlook's main window with the inline reply's windows nested in it. Returns
// the main window; `toolbar` is the rectangle of the last window of the chain.
platform::WindowHandle AddExplorerWindows(platform::SimDesktop& desktop,
                                          const std::vector<std::string>& chain,
                                          platform::Rect& toolbar) {
  platform::Rect rect = kExplorerRect;
  const platform::WindowHandle explorer =
      desktop.AddWindow(platform::kNoWindow, "rctrl_renwnd32", "Inbox - Outlook", rect);
  platform::WindowHandle parent = explorer;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const bool last = i + 1 == chain.size();
    rect = {rect.left + kInlineWindowInset, rect.top + kInlineWindowInset,
            rect.right - kInlineWindowInset,
            last ? rect.top + kInlineWindowInset + kInlineToolbarHeight
                 : rect.bottom - kInlineWindowInset};
    // The reading pane has no title; the others are named after their class.
    parent = desktop.AddWindow(parent, chain[i], i == 0 ? "" : chain[i], rect);
  }
  toolbar = rect;
  return explorer;
}

// The inline reply: Outlook opens it in the reading pane (from level 4 on
// with the InlineResponse event), the user presses the main window's Send,
// and a click on the first button of the reply's toolbar pops it out into
// an inspector, which ends the inline reply. Then the helper's timer fires.
void PlayInlineReply(CNorvaleOAddin& addin, SimOutlook& outlook, platform::SimDesktop& desktop) {
  platform::Rect toolbar;
  const platform::WindowHandle explorer =
      AddExplorerWindows(desktop, outlook.scenario().inlineWindows, toolbar);
  const platform::WindowHandle helperWindow =
      desktop.AddWindow(platform::kNoWindow, "#32770", "Dialog", {});
  NorvaleHelperDlg helper(addin, desktop, helperWindow);
  addin.ConnectInline(std::make_shared<SimExplorer>(explorer), &helper);
  const bool events = addin.outlookLevel() >= 4;

  if (events) addin.OnInlineResponse(outlook.sourceItem());
  addin.SendInlineButton_Action();
  for (const platform::SimDesktop::Point& click : desktop.clicks()) {
    if (!OnFirstToolbarButton(click.x - toolbar.left, click.y - toolbar.top)) continue;
    outlook.PopOutInline();
    if (events) addin.OnInlineResponseClose();
    break;
  }
  if (helper.timerRunning()) helper.OnTimer(NorvaleHelperDlg::kInlineSendTimer);
  addin.ConnectInline(nullptr, nullptr);
}

}  // namespace

ScenarioRun::ScenarioRun(Scenario scenario) : outlook(std::move(scenario)) {
  CNorvaleOAddin addin(desktop);
  // A failure that ends a run reaches Office as the callback's status, which
  // the report does not show; what the add-in did before it does.
  try {
    // Connecting is Outlook's business, not the send's: a failure there
    // leaves the add-in at level 0, as OnConnection would.
    try {
      addin.SetApplication(outlook.application());
    } catch (const HResultError&) {
    }
    if (outlook.scenario().action == Scenario::Action::kInline) {
      PlayInlineReply(addin, outlook, desktop);
    } else {
      addin.SendButton_Action();
    }
  } catch (const HResultError&) {
  }
}

nlohmann::ordered_json ScenarioRun::Report() const { return BuildReport(outlook, desktop); }

}  // namespace norvale::sim
