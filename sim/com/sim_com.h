// Outlook as the add-in meets it through COM, played over a simulated
// profile: every object has Outlook's dual interface for its kind, with its
// IDispatch served from a type library that declares Outlook's interface ids,
// member names, DISPIDs, invoke kinds and argument types (outlook_typelib.idl).
// Its members call the simulator's object-model port, so the simulator's call
// counting and faults apply unchanged. The test harness hands these objects
// to the real DLL.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "base/win/unique_handle.h"
#include "sim/outlook/sim_outlook.h"

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

// The explorer's event connections as Outlook's connection points saw them.
struct ExplorerEventLog {
  int advised = 0;
  int unadvised = 0;
  int standing = 0;  // connections made and not yet dropped
};

// The connections that the explorer's connection points hold.
struct ExplorerEventConnections;

// Outlook's Application over `outlook`. ActiveInspector is the compose window
// of the profile's message; it and the explorer answer IOleWindow with a real
// hidden window, so the owner of a message box can be checked on screen.
// For an inline reply the main window is shown with the reply's windows in
// it (the scenario's inlineWindows), and a click on the first button of the
// reply's toolbar pops the reply out as Outlook does: the compose window
// appears and InlineResponseClose is raised.
// NameSpace.MAPIOBJECT answers IMAPISession; the MAPI buffers it hands out
// come from the mapi32.dll loaded in the process (sim_mapi.h).
class SimOutlookCom {
 public:
  // Without `with_explorer`, Outlook runs with no main window: ActiveExplorer
  // gives nothing.
  explicit SimOutlookCom(sim::SimOutlook& outlook, bool with_explorer = true);
  ~SimOutlookCom();
  SimOutlookCom(const SimOutlookCom&) = delete;
  SimOutlookCom& operator=(const SimOutlookCom&) = delete;

  IDispatch* application() const { return m_spApplication.Get(); }
  HWND inspectorWindow() const { return m_inspectorWindow.get(); }
  HWND explorerWindow() const { return m_explorerWindow.get(); }
  ExplorerEventLog explorerEvents() const;

  // Raises an explorer event on every sink connected to a dispinterface that
  // declares it, as Outlook does.
  void RaiseExplorerEvent(DISPID dispid, std::span<const VARIANT> args);
  // Outlook opens the composed message as an inline reply.
  void RaiseInlineResponse();
  // The clicks the first button of the inline reply's toolbar received.
  int popOutClicks() const { return m_popOutClicks; }

 private:
  static LRESULT CALLBACK ToolbarProc(HWND hWnd, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
  void CreateInlineWindows(const std::vector<std::string>& chain);
  void OnPopOutClick();

  sim::SimOutlook& m_outlook;
  win::UniqueHwnd m_inspectorWindow;
  win::UniqueHwnd m_explorerWindow;  // destroys the reply's windows in it
  HWND m_toolbarWindow = nullptr;
  int m_popOutClicks = 0;
  std::shared_ptr<ExplorerEventConnections> m_events;
  Microsoft::WRL::ComPtr<IDispatch> m_spApplication;
};

// Calls member `name` of `object` as Office and the add-in's adapter do:
// GetIDsOfNames, then Invoke with `flags` and `args` in call order (a
// property write passes its one argument as DISPID_PROPERTYPUT). Returns
// the first failure or Invoke's result, a member's raised status in place of
// DISP_E_EXCEPTION; `result` may be null.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::span<const VARIANT> args, VARIANT* result);

}  // namespace norvale::sim
