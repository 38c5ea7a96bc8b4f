// Outlook's main window as a COM object: its window (IOleWindow) and its two
// event connection points, one per source interface of Outlook's Explorer
// coclass. Raising an event reaches the sinks of every connection point whose
// dispinterface declares it, as in Outlook.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <span>

#include "outlook_typelib.h"

namespace norvale::sim {

// The sinks connected to the explorer's connection points.
struct ExplorerEventConnections {
  struct Connection {
    IID events;  // the dispinterface of the connection point
    Microsoft::WRL::ComPtr<IDispatch> sink;
  };
  std::map<DWORD, Connection> sinks;  // by cookie
  DWORD lastCookie = 0;
  int advised = 0;
  int unadvised = 0;
};

Microsoft::WRL::ComPtr<_Explorer> NewExplorer(HWND window,
                                              std::shared_ptr<ExplorerEventConnections> events);

// Invokes event `dispid` with `args` (in call order) on every sink whose
// connection's dispinterface declares it.
void RaiseExplorerEvent(const ExplorerEventConnections& events, DISPID dispid,
                        std::span<const VARIANT> args);

}  // namespace norvale::sim
