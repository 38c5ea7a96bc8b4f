// Outlook and Office as the add-in meets them through COM, played over a
// simulated profile: every object is an IDispatch with Outlook's interface id
// for its kind, answering Outlook's member names by calling the simulator's
// object-model port, so the simulator's call counting and faults apply
// unchanged. The test harness hands these objects to the real DLL.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "outlook/com/office.h"
#include "outlook/sim/sim_outlook.h"

namespace norvale::sim {

// The harness's COM objects alive now and the references held on them.
struct ComObjectCount {
  long objects = 0;
  long references = 0;
  bool operator==(const ComObjectCount&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ComObjectCount& count);
ComObjectCount LiveComObjects();
// The live objects by kind with their reference counts, for failure messages.
std::string DescribeLiveComObjects();

// The explorer's event connections as Outlook's connection point saw them.
struct ExplorerEventLog {
  int advised = 0;
  int unadvised = 0;
  int standing = 0;  // connections made and not yet dropped
};

// The connections that the explorer's connection point holds.
struct ExplorerEventConnections;

// Outlook's Application over `outlook`. ActiveInspector is the compose window
// of the profile's message; it and the explorer answer IOleWindow with a real
// hidden window, so the owner of a message box can be checked on screen.
class SimOutlookCom {
 public:
  // Without `with_explorer`, Outlook runs with no main window: ActiveExplorer
  // gives nothing.
  explicit SimOutlookCom(sim::SimOutlook& outlook, bool with_explorer = true);
  ~SimOutlookCom();
  SimOutlookCom(const SimOutlookCom&) = delete;
  SimOutlookCom& operator=(const SimOutlookCom&) = delete;

  IDispatch* application() const { return m_spApplication.Get(); }
  HWND inspectorWindow() const { return m_inspectorWindow; }
  HWND explorerWindow() const { return m_explorerWindow; }
  ExplorerEventLog explorerEvents() const;

 private:
  HWND m_inspectorWindow = nullptr;
  HWND m_explorerWindow = nullptr;
  std::shared_ptr<ExplorerEventConnections> m_events;
  Microsoft::WRL::ComPtr<IDispatch> m_spApplication;
};

// Calls member `name` of `object` as Office and the add-in's adapter do:
// GetIDsOfNames, then Invoke with `flags` and `args` in call order (a
// property write passes its one argument as DISPID_PROPERTYPUT). Returns
// the first failure or Invoke's result; `result` may be null.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::span<const VARIANT> args, VARIANT* result);

// Office's IRibbonControl for the control `id`, as Office passes it to a
// ribbon callback; its Context is empty.
Microsoft::WRL::ComPtr<IRibbonControl> NewRibbonControl(std::wstring id);

}  // namespace norvale::sim
