#include "addin/com/norvale_oaddin_com.h"

#include "addin/com/type_info_holder.h"
#include "server/com_guard.h"
#include "server/module.h"

namespace norvale::win {
namespace {

TypeInfoHolder g_addinTypeInfo(LIBID_NorvaleOlkAddinLib, 1, 0, IID_INorvaleOAddin);

// The interfaces QueryInterface answers, in order of lookup; IUnknown is
// answered with the first, which is the object's identity.
struct InterfaceEntry {
  const IID* piid;
  void* (*cast)(CNorvaleOAddin* self);
};

const InterfaceEntry kInterfaces[] = {
    {&IID_INorvaleOAddin,
     [](CNorvaleOAddin* self) -> void* { return static_cast<INorvaleOAddin*>(self); }},
    {&IID_ISupportErrorInfo,
     [](CNorvaleOAddin* self) -> void* { return static_cast<ISupportErrorInfo*>(self); }},
    {&IID_IDispatch,
     [](CNorvaleOAddin* self) -> void* { return static_cast<INorvaleOAddin*>(self); }},
};

}  // namespace

HRESULT CNorvaleOAddin::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  auto* object = new CNorvaleOAddin(outer);
  // Held once across the request, so a failed request destroys the object.
  object->m_inner.AddRef();
  const HRESULT hr = object->m_inner.QueryInterface(riid, ppv);
  object->m_inner.Release();
  return hr;
}

CNorvaleOAddin::CNorvaleOAddin(IUnknown* outer)
    : m_inner(*this), m_pControllingUnknown(outer != nullptr ? outer : &m_inner) {
  g_module.Lock();
}

CNorvaleOAddin::~CNorvaleOAddin() { g_module.Unlock(); }

HRESULT CNorvaleOAddin::InternalQueryInterface(REFIID riid, void** ppv) {
  const IID& wanted = riid == IID_IUnknown ? *kInterfaces[0].piid : riid;
  for (const InterfaceEntry& entry : kInterfaces) {
    if (*entry.piid == wanted) {
      *ppv = entry.cast(this);
      static_cast<IUnknown*>(*ppv)->AddRef();
      return S_OK;
    }
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT CNorvaleOAddin::InnerUnknown::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  // Aggregated, the inner IUnknown is the outer object's handle on this one.
  if (riid == IID_IUnknown && m_owner.m_pControllingUnknown != this) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  return m_owner.InternalQueryInterface(riid, ppv);
}

ULONG CNorvaleOAddin::InnerUnknown::AddRef() { return ++m_owner.m_nRefCount; }

ULONG CNorvaleOAddin::InnerUnknown::Release() {
  const ULONG count = --m_owner.m_nRefCount;
  if (count == 0) delete &m_owner;
  return count;
}

HRESULT CNorvaleOAddin::QueryInterface(REFIID riid, void** ppv) {
  return m_pControllingUnknown->QueryInterface(riid, ppv);
}

ULONG CNorvaleOAddin::AddRef() { return m_pControllingUnknown->AddRef(); }

ULONG CNorvaleOAddin::Release() { return m_pControllingUnknown->Release(); }

HRESULT CNorvaleOAddin::GetTypeInfoCount(UINT* pctinfo) {
  return GuardHResult([&] { return g_addinTypeInfo.GetTypeInfoCount(pctinfo); });
}

HRESULT CNorvaleOAddin::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  return GuardHResult([&] { return g_addinTypeInfo.GetTypeInfo(iTInfo, ppTInfo); });
}

HRESULT CNorvaleOAddin::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                      DISPID* rgDispId) {
  return GuardHResult(
      [&] { return g_addinTypeInfo.GetIDsOfNames(riid, rgszNames, cNames, rgDispId); });
}

HRESULT CNorvaleOAddin::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                               UINT* puArgErr) {
  return GuardHResult([&] {
    return g_addinTypeInfo.Invoke(static_cast<INorvaleOAddin*>(this), dispIdMember, riid, wFlags,
                                  pDispParams, pVarResult, pExcepInfo, puArgErr);
  });
}

// The ribbon callbacks arrive with the ribbon logic; until then they say so.
HRESULT CNorvaleOAddin::OnInitializeRibbon(IDispatch*) { return E_NOTIMPL; }
HRESULT CNorvaleOAddin::SendButton_Action(IDispatch*) { return E_NOTIMPL; }
HRESULT CNorvaleOAddin::GetImage(IDispatch*, IDispatch**) { return E_NOTIMPL; }
HRESULT CNorvaleOAddin::GetVisible(IDispatch*, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CNorvaleOAddin::SendInlineButton_Action(IDispatch*) { return E_NOTIMPL; }

HRESULT CNorvaleOAddin::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IID_INorvaleOAddin ? S_OK : S_FALSE;
}

}  // namespace norvale::win
