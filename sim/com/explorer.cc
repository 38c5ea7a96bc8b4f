#include "sim/com/explorer.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>

#include <utility>
#include <vector>

#include "base/win/com_guard.h"
#include "outlook/com/outlook_iids.h"
#include "sim/com/com_object.h"

namespace norvale::sim {
namespace {

using Microsoft::WRL::ComPtr;
using win::GuardHResult;

// The explorer's source interfaces, as its coclass lists them.
constexpr const IID* kEventInterfaces[] = {&com::IID_Outlook_ExplorerEvents_10,
                                           &com::IID_Outlook_ExplorerEvents};

// Whether dispinterface `events` declares event `dispid`.
bool Declares(REFIID events, DISPID dispid) {
  ComPtr<ITypeInfo2> spInfo;
  UINT index = 0;
  return SUCCEEDED(TypeInfoOf(events)->QueryInterface(IID_PPV_ARGS(&spInfo))) &&
         SUCCEEDED(spInfo->GetFuncIndexOfMemId(dispid, INVOKE_FUNC, &index));
}

// One connection point of the explorer. Like a connection point of ATL, it
// asks each sink for its dispinterface and holds that reference until
// Unadvise.
class ExplorerEventPoint final : public ComObject<IConnectionPoint> {
 public:
  ExplorerEventPoint(const IID& events, ComPtr<IConnectionPointContainer> container,
                     std::shared_ptr<ExplorerEventConnections> connections)
      : ComObject("ExplorerEventPoint"),
        m_events(events),
        m_spContainer(std::move(container)),
        m_connections(std::move(connections)) {}

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = m_events;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
    return m_spContainer.CopyTo(container);
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> spEvents;
    if (FAILED(sink->QueryInterface(m_events, reinterpret_cast<void**>(spEvents.GetAddressOf())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++m_connections->lastCookie;
    m_connections->sinks.emplace(
        *cookie, ExplorerEventConnections::Connection{m_events, std::move(spEvents)});
    ++m_connections->advised;
    return S_OK;
  }
  // A cookie of the other connection point is not this one's to drop.
  STDMETHODIMP Unadvise(DWORD cookie) override {
    const auto found = m_connections->sinks.find(cookie);
    if (found == m_connections->sinks.end() || found->second.events != m_events) {
      return CONNECT_E_NOCONNECTION;
    }
    m_connections->sinks.erase(found);
    ++m_connections->unadvised;
    return S_OK;
  }
  // Outlook's callers never enumerate the connections.
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown || riid == IID_IConnectionPoint
               ? static_cast<IConnectionPoint*>(this)
               : nullptr;
  }

  const IID& m_events;
  ComPtr<IConnectionPointContainer> m_spContainer;
  std::shared_ptr<ExplorerEventConnections> m_connections;
};

// The explorer has no members the add-in calls by name: it is asked only for
// its window and its event connection points.
class ExplorerObject final : public DualObject<_Explorer, IOleWindow, IConnectionPointContainer> {
 public:
  ExplorerObject(HWND window, std::shared_ptr<ExplorerEventConnections> connections)
      : DualObject("Explorer"), m_window(window), m_connections(std::move(connections)) {}

  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = m_window;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    for (const IID* events : kEventInterfaces) {
      if (riid != *events) continue;
      return GuardHResult([&] {
        ComPtr<IConnectionPoint> spPoint = new ExplorerEventPoint(*events, this, m_connections);
        *point = spPoint.Detach();
        return S_OK;
      });
    }
    return CONNECT_E_NOCONNECTION;
  }

 private:
  void* FindExtra(REFIID riid) override {
    if (riid == IID_IOleWindow) return static_cast<IOleWindow*>(this);
    if (riid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
  }

  HWND m_window;
  std::shared_ptr<ExplorerEventConnections> m_connections;
};

}  // namespace

ComPtr<_Explorer> NewExplorer(HWND window, std::shared_ptr<ExplorerEventConnections> events) {
  return new ExplorerObject(window, std::move(events));
}

void RaiseExplorerEvent(const ExplorerEventConnections& events, DISPID dispid,
                        std::span<const VARIANT> args) {
  // A sink may disconnect while it handles the event.
  std::vector<ComPtr<IDispatch>> sinks;
  for (const auto& [cookie, connection] : events.sinks) {
    if (Declares(connection.events, dispid)) sinks.push_back(connection.sink);
  }
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  for (const ComPtr<IDispatch>& sink : sinks) {
    sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
  }
}

}  // namespace norvale::sim
