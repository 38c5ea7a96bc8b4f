#include "addin/com/explorer_event_sink.h"

#include <ocidl.h>
#include <wrl/client.h>

#include <memory>
#include <utility>
#include <vector>

#include "addin/explorer_events.h"
#include "base/win/com_guard.h"
#include "base/win/scoped_variant.h"
#include "outlook/com/com_outlook.h"
#include "outlook/com/outlook_iids.h"

namespace norvale::win {
namespace {

using Microsoft::WRL::ComPtr;

// The explorer's connection point for ExplorerEvents_10, the source that
// declares the inline-response events; null when it has none.
ComPtr<IConnectionPoint> ExplorerEventsPoint(IDispatch* explorer) {
  ComPtr<IConnectionPointContainer> spContainer;
  ComPtr<IConnectionPoint> spPoint;
  if (explorer != nullptr &&
      SUCCEEDED(explorer->QueryInterface(IID_PPV_ARGS(spContainer.GetAddressOf())))) {
    spContainer->FindConnectionPoint(com::IID_Outlook_ExplorerEvents_10, &spPoint);
  }
  return spPoint;
}

// Reads `arg` as the row declares it; false when it is not of that type.
bool ReadEventArg(EventArgType type, VARIANT& arg, std::shared_ptr<outlook::MailItem>& item) {
  switch (type) {
    case EventArgType::kMailItem: {
      // Any object converts (VT_UNKNOWN asked for IDispatch, by reference or not).
      ScopedVariant object;
      if (FAILED(VariantChangeType(object.Receive(), &arg, 0, VT_DISPATCH))) return false;
      item = com::WrapMailItem(object.get().pdispVal);
      return true;
    }
  }
  return false;
}

}  // namespace

HRESULT ExplorerEventSink::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != com::IID_Outlook_ExplorerEvents_10) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  *ppv = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG ExplorerEventSink::AddRef() { return m_owner.AddRef(); }

ULONG ExplorerEventSink::Release() { return m_owner.Release(); }

HRESULT ExplorerEventSink::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT ExplorerEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT ExplorerEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT ExplorerEventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams,
                                  VARIANT*, EXCEPINFO*, UINT* puArgErr) {
  return GuardHResult([&] {
    // Every explorer event reaches both sinks; each acts on its own rows only.
    const ExplorerEventEntry* entry = FindExplorerEvent(m_nSink, dispIdMember);
    if (entry == nullptr) return S_OK;
    const UINT cArgs = pDispParams != nullptr ? pDispParams->cArgs : 0;
    if (cArgs != entry->argTypes.size()) return DISP_E_BADPARAMCOUNT;
    // rgvarg holds the arguments last to first.
    std::vector<std::shared_ptr<outlook::MailItem>> args(cArgs);
    for (UINT i = 0; i < cArgs; ++i) {
      const UINT index = cArgs - 1 - i;
      if (!ReadEventArg(entry->argTypes[i], pDispParams->rgvarg[index], args[i])) {
        if (puArgErr != nullptr) *puArgErr = index;
        return DISP_E_TYPEMISMATCH;
      }
    }
    entry->handler(m_core, args);
    return S_OK;
  });
}

void ExplorerEventSink::Advise(IDispatch* explorer) {
  DWORD dwCookie = 0;
  ComPtr<IConnectionPoint> spPoint = ExplorerEventsPoint(explorer);
  if (spPoint && SUCCEEDED(spPoint->Advise(this, &dwCookie))) m_dwCookie = dwCookie;
}

void ExplorerEventSink::Unadvise(IDispatch* explorer) {
  if (m_dwCookie == 0) return;
  const DWORD dwCookie = std::exchange(m_dwCookie, 0);
  if (ComPtr<IConnectionPoint> spPoint = ExplorerEventsPoint(explorer)) {
    spPoint->Unadvise(dwCookie);
  }
}

}  // namespace norvale::win
